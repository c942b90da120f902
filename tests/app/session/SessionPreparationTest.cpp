// Preparing a session against the test Krym, in both run modes: the root connection, the
// collector row and its state, gathering the linked variables and the facilities' lock dates.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SessionFixture.h"
#include "app/session/ImportSession.h"
#include "import/model/CommonLastRun.h"
#include "import/model/CommonVarGatherer.h"

namespace sessiontest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

std::string NoCollector(const std::string& id) {
  return "Collector (id=" + id +
         ") does not exist or has been deleted. Use 'Configuration \\ Collector Configuration' to select a collector.";
}

class SessionPreparation : public SessionFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    if (GetParam()) ServiceMode();
    // A date range that ends an interactive session before the import.
    dialogs.range.reset();
  }

  // A scheduled session that cannot start names why and ends with the failed import's line; an
  // interactive one has shown its box and adds neither.
  void ExpectCannotStart(const std::vector<std::string>& lines, const std::string& why) {
    const std::string line = "The scheduled import cannot start: " + why;
    if (Service()) {
      EXPECT_THAT(lines, Contains(::testing::StartsWith(line)));
      EXPECT_THAT(lines, Contains("Import terminated with error(s)."));
    } else {
      EXPECT_THAT(lines, Not(Contains(::testing::StartsWith("The scheduled import cannot start"))));
      EXPECT_THAT(lines, Not(Contains("Import terminated with error(s).")));
    }
  }
};

INSTANTIATE_TEST_SUITE_P(BothModes, SessionPreparation, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Service" : "Interactive"; });

// Each way a collector row can be missing or unusable ends the session before anything is
// gathered, with its own lines and box.
TEST_P(SessionPreparation, UnusableCollectorEndsTheSession) {
  struct Case {
    const char* name;
    // Prepares the configuration and the root schema; returns the configured id text.
    std::function<std::string()> arrange;
    std::vector<std::string> lines;  // expected, in order; "" stands for the no-collector text
    bool unable;                     // followed by "Unable to import at this time"
  };
  const std::string cannot = "Cannot import without valid collector information.";
  const Case cases[] = {
      {"default id 0 and no row 0",
       [this] {
         Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", "0");
         // Collector rows of tests use random ids from 100000 on: none is 0.
         EXPECT_EQ(RootValue("select count(*) from g2_server where interface_id = 0"), "0");
         return std::string("0");
       },
       {""},
       true},
      {"an id of no row",
       [this] {
         const std::int32_t id = AddCollector();
         facility.ExecRoot("delete from g2_server where interface_id = " + std::to_string(id));
         return std::to_string(id);
       },
       {""},
       true},
      {"an id that is not a number",
       [this] {
         Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", "7 or 1=1");
         return std::string("7 or 1=1");
       },
       {""},
       true},
      // enabled is read before the id is taken over: the row reads as missing.
      {"a Null enabled flag",
       [this] {
         const std::int32_t id = AddCollector();
         Collector(id, "enabled = null");
         return std::to_string(id);
       },
       {""},
       true},
      // The time zone is read after the id: the row exists but cannot be used.
      {"a Null time zone",
       [this] {
         const std::int32_t id = AddCollector();
         Collector(id, "collector_qaltimezoneid = null");
         return std::to_string(id);
       },
       {cannot},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    presenter.boxes.clear();
    const std::string id = c.arrange();
    const std::string marker = std::string("-- case ") + c.name;
    Mark(marker);

    EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

    std::vector<std::string> expected;
    for (const std::string& line : c.lines) expected.push_back(line.empty() ? NoCollector(id) : line);
    const std::vector<std::string> after = LoggedAfter(marker);
    auto at = std::find(after.begin(), after.end(), expected.front());
    ASSERT_NE(at, after.end()) << expected.front();
    if (c.unable) {
      ASSERT_NE(at + 1, after.end());
      EXPECT_EQ(*(at + 1), "Unable to import at this time");
    } else {
      EXPECT_THAT(after, Not(Contains("Unable to import at this time")));
    }
    EXPECT_THAT(after, Not(Contains(::testing::StartsWith("Scanning all facilities"))));
    ExpectCannotStart(after, "the collector (id=" + id + ") cannot be read from Vorn Krym.");
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), expected.front());
  }
  EXPECT_EQ(dialogs.rangeCalls, 0);
}

TEST_P(SessionPreparation, DisabledCollectorSaysWhoDisabledItAndWhen) {
  const std::int32_t id = AddCollector("North Rounds");
  Collector(id, "enabled = 0, audituser = 'BERT', audittimestamp = '2024-03-05 14:20:00'");
  Link(id, 12);

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

  const std::string msg =
      "Collector 'North Rounds' was marked as DISABLED by Vorn Krym user 'BERT' on '3/5/2024 2:20:00 PM'";
  const std::vector<std::string> lines = Logged();
  auto at = std::find(lines.begin(), lines.end(), msg);
  ASSERT_NE(at, lines.end());
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), "Unable to import at this time");
  EXPECT_THAT(Boxes(), ElementsAre(msg));
  EXPECT_FALSE(LoggedStartingWith("Scanning all facilities"));
  ExpectCannotStart(lines, "the collector is disabled.");
}

TEST_P(SessionPreparation, ConnectionSettingsThatCannotWorkEndTheSession) {
  struct Case {
    const char* name;
    const char* key;
    std::string value;
    std::string boxStart;
    std::string why;  // the start of the reason a scheduled run gives
  };
  const std::string settings = "the Vorn Krym connection settings cannot be used.";
  const Case cases[] = {
      {"a type that is not a number", "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "SQL",
       "Unable to init Vorn Krym Connection Manager", settings},
      {"an unknown type", "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "3", "Unable to init Vorn Krym Connection Manager",
       settings},
      {"a timeout that is not a number", "VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT", "soon",
       "Unable to init Vorn Krym Connection Manager", settings},
      {"a server that does not answer", "VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=1;", "Error :\n",
       "the Vorn Krym root database cannot be opened ("},
  };
  AddCollector();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    presenter.boxes.clear();
    QALConfiguration& config = *Context().config;
    const std::string before = config.item(c.key);
    config.item(c.key, c.value);
    const std::string marker = std::string("-- case ") + c.name;
    Mark(marker);

    EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

    config.item(c.key, before);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().rfind(c.boxStart, 0), 0u) << boxes.back();
    if (!Service()) {
      EXPECT_EQ(presenter.boxes.back().style, 48);
      if (c.boxStart == "Error :\n") {
        EXPECT_EQ(presenter.boxes.back().title, "Failed to connect to Vorn Krym");
      }
    }
    EXPECT_THAT(LoggedAfter(marker), Not(Contains(::testing::StartsWith("Scanning all facilities"))));
    ExpectCannotStart(LoggedAfter(marker), c.why);
  }
}

TEST_P(SessionPreparation, CollectorWithoutLinkedVariablesHasNothingToImport) {
  const std::int32_t id = AddCollector("Empty Rounds");
  // Linked to another collector, or linked but not enabled: neither belongs to this one.
  Link(id + 1, 12);
  ASSERT_TRUE(facility.Exec("insert into vardesc (varid, vartype, g2_interface_id, g2_enabled) values (13, 'H', " +
                            std::to_string(id) + ", 0)"));

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

  const std::vector<std::string> lines = Logged();
  EXPECT_THAT(lines, Contains("Scanning all facilities for variables that are linked to Collector 'Empty Rounds' ..."));
  EXPECT_THAT(lines, Contains("Found 0 variable(s) in 0 facility(s) that are linked to Collector 'Empty Rounds'"));
  EXPECT_THAT(lines, Contains("Nothing to import into at this time."));
  EXPECT_EQ(dialogs.rangeCalls, 0);
  EXPECT_THAT(lines, Not(Contains("Import started.")));
}

TEST_P(SessionPreparation, GathersLinkedVariablesAndTheirLockDates) {
  const std::int32_t id = AddCollector("Plant Rounds");
  Link(id, 15);
  Link(id, 12, "P");
  ASSERT_TRUE(facility.Exec("insert into settings (setting, curvalue) values ('LockDate', '03/01/2024 06:00:00')"));
  const int pumpsBefore = events.runs;

  std::unique_ptr<CommonVarGatherer> gatherer = CommonGlobals::PrepareImportSession();

  ASSERT_TRUE(gatherer);
  EXPECT_EQ(gatherer->TotalVariable(), 2);
  EXPECT_EQ(gatherer->CollectorName(), "Plant Rounds");
  const std::string fac = facility.Name();
  const std::vector<std::string> lines = Logged();
  EXPECT_THAT(lines, Contains("Found 2 variable(s) in 1 facility(s) that are linked to Collector 'Plant Rounds'"));
  EXPECT_THAT(lines, Contains("Found Variable Detail : " + fac + "~12"));
  EXPECT_THAT(lines, Contains("Found Variable Detail : " + fac + "~15"));
  EXPECT_EQ(gatherer->LastRunSettings()->LockDate(fac), core::Date::FromParts(2024, 3, 1, 6));
  EXPECT_TRUE(Boxes().empty());
  // The details are level-1 lines: on the activity list only within the verbosity.
  if (!Service()) {
    EXPECT_THAT(status.lines, Contains("Found Variable Detail : " + fac + "~12"));
  }
  // Service connections pump nothing of their own: the one run is the one after the lock dates.
  if (Service()) {
    EXPECT_EQ(events.runs - pumpsBefore, 1);
  }
}

TEST_P(SessionPreparation, FacilityWithoutLockDateRowIsLockedUpTo1970) {
  const std::int32_t id = AddCollector();
  Link(id, 12);

  std::unique_ptr<CommonVarGatherer> gatherer = CommonGlobals::PrepareImportSession();

  ASSERT_TRUE(gatherer);
  EXPECT_EQ(gatherer->LastRunSettings()->LockDate(facility.Name()), core::Date::FromParts(1970, 1, 1));
  EXPECT_TRUE(Boxes().empty());
}

// A lock date that cannot be read is reported, and the session still has its variables: the
// facility writer then refuses that facility's values on its own.
TEST_P(SessionPreparation, UnreadableLockDateIsReportedAndTheSessionGoesOn) {
  const std::int32_t id = AddCollector();
  Link(id, 12);
  ASSERT_TRUE(facility.Exec("insert into settings (setting, curvalue) values ('LockDate', 'after the audit')"));
  const int pumpsBefore = events.runs;

  std::unique_ptr<CommonVarGatherer> gatherer = CommonGlobals::PrepareImportSession();

  ASSERT_TRUE(gatherer);
  EXPECT_EQ(gatherer->TotalVariable(), 1);
  EXPECT_THAT(Boxes(), ElementsAre("Failed to read Lock Dates for Vorn Krym facilites."));
  EXPECT_EQ(gatherer->LastRunSettings()->LockDate(facility.Name()), core::Date());
  if (Service()) {
    EXPECT_EQ(events.runs, pumpsBefore);
  }
}

}  // namespace
}  // namespace sessiontest
