// The import's date range: the configured defaults in service mode, the date range dialog or
// the fixed dates in interactive mode, and the UTC range of a collector with indirect time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "SessionFixture.h"
#include "app/session/ImportSession.h"
#include "core/Clock.h"
#include "import/model/CommonLastRun.h"
#include "import/model/CommonVarGatherer.h"

namespace sessiontest {
namespace {

using core::Date;
using ::testing::Contains;

// A fixed zone for the process while it lives: POSIX "XST5" is five hours behind UTC, all year.
class FixedZone {
 public:
  explicit FixedZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~FixedZone() {
    if (old_)
      setenv("TZ", old_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

class DateRange : public ProgramFixture {
 protected:
  DateRange() { UseClock(clock); }
  Date Start() const { return gatherer.LastRunSettings()->DefaultStart(); }
  Date End() const { return gatherer.LastRunSettings()->DefaultEnd(); }

  core::ManualClock clock{Date::FromParts(2024, 3, 15, 14, 37, 52)};
  CommonVarGatherer gatherer;
};

TEST_F(DateRange, ServiceRunsFromTheDefaultLastRunToNow) {
  ServiceMode();
  Set("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", "03-14-2024 00:00:00");

  EXPECT_TRUE(CommonGlobals::SelectImportDateRange(gatherer));

  EXPECT_EQ(Start(), Date::FromParts(2024, 3, 14));
  EXPECT_EQ(End(), clock.Now());
  EXPECT_EQ(dialogs.rangeCalls + dialogs.utcCalls, 0);
}

// Only the exact "TRUE" hides the dialog and takes the fixed dates.
TEST_F(DateRange, InteractiveAsksUnlessTheDialogIsHidden) {
  Set("OPTIONS\\NOIU\\ASKFORDATES\\FIX_STARTDATE", "01-02-2024 03:04:05");
  Set("OPTIONS\\NOIU\\ASKFORDATES\\FIX_ENDDATE", "01-03-2024 00:00:00");
  dialogs.range = {{Date::FromParts(2024, 3, 4, 6), Date::FromParts(2024, 3, 5, 18, 30)}};
  struct Case {
    const char* hideUi;
    bool asks;
  };
  for (const Case& c : {Case{"FALSE", true}, Case{"True", true}, Case{"true", true}, Case{"TRUE", false}}) {
    SCOPED_TRACE(c.hideUi);
    Set("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", c.hideUi);
    const int calls = dialogs.rangeCalls;
    Mark(std::string("-- ") + c.hideUi);

    EXPECT_TRUE(CommonGlobals::SelectImportDateRange(gatherer));

    const std::vector<std::string> lines = LoggedAfter(std::string("-- ") + c.hideUi);
    EXPECT_EQ(dialogs.rangeCalls - calls, c.asks ? 1 : 0);
    if (c.asks) {
      EXPECT_EQ(Start(), Date::FromParts(2024, 3, 4, 6));
      EXPECT_EQ(End(), Date::FromParts(2024, 3, 5, 18, 30));
      EXPECT_THAT(lines, Contains("Waiting for user to select import date range ..."));
      EXPECT_THAT(lines, Contains("Date Range selected : from 03/04/2024 06:00:00 to 03/05/2024 18:30:00"));
    } else {
      EXPECT_EQ(Start(), Date::FromParts(2024, 1, 2, 3, 4, 5));
      EXPECT_EQ(End(), Date::FromParts(2024, 1, 3));
      EXPECT_TRUE(lines.empty());
    }
  }
}

TEST_F(DateRange, CancelledDialogKeepsTheDefaults) {
  const Date before = Start();

  EXPECT_FALSE(CommonGlobals::SelectImportDateRange(gatherer));

  EXPECT_TRUE(WasLogged("Import cancelled by user."));
  EXPECT_EQ(Start(), before);
}

TEST_F(DateRange, IndirectCollectorAsksTheUtcDialog) {
  dialogs.range = {{Date::FromParts(2024, 3, 4, 11), Date::FromParts(2024, 3, 5, 11)}};
  Set("VORNKRYM\\G2_INDIRECT_TYPE", "TRUE");

  EXPECT_TRUE(CommonGlobals::SelectImportDateRange(gatherer));

  EXPECT_EQ(dialogs.utcCalls, 1);
  EXPECT_EQ(dialogs.rangeCalls, 0);
  // The dialog's UTC values are kept as they come.
  EXPECT_EQ(Start(), Date::FromParts(2024, 3, 4, 11));
  EXPECT_TRUE(WasLogged("Date Range selected : from 03/04/2024 11:00:00 to 03/05/2024 11:00:00"));
}

// The UTC range needs a collector record, read from the root schema: its zone is two hours
// east of UTC in 2024, and the machine runs five hours behind UTC.
class UtcDateRange : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    UseClock(clock);
    std::random_device rd;
    zone = static_cast<std::int32_t>(1000000 + rd() % 1000000u);
    const std::int32_t id = AddCollector();
    Collector(id, "collector_qaltimezoneid = " + std::to_string(zone));
    ASSERT_TRUE(facility.ExecRoot("insert into qaltimezone_bias (qaltimezoneid, yearid, bias_standard) values (" +
                                  std::to_string(zone) + ", 2024, -120)"));
    Set("VORNKRYM\\G2_INDIRECT_TYPE", "TRUE");
    Set("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", "03-14-2024 00:00:00");
    root.Open(facility.RootOleDbString());
  }
  void TearDown() override {
    facility.ExecRoot("delete from qaltimezone_bias where qaltimezoneid = " + std::to_string(zone));
  }
  // The gatherer of a prepared session, with the collector's offsets.
  std::unique_ptr<CommonVarGatherer> Prepared() {
    auto g = std::make_unique<CommonVarGatherer>();
    EXPECT_TRUE(
        g->ReadAboutCollector(core::Value(Context().config->item("VORNKRYM\\G2_SERVER_INTERFACE_ID")).ToLong(), root));
    return g;
  }

  FixedZone machineZone{"XST5"};
  core::ManualClock clock{Date::FromParts(2024, 3, 15, 14, 37, 52)};
  std::int32_t zone = 0;
  platform::db::Connection root;
};

TEST_F(UtcDateRange, ServiceShiftsTheDefaultsIntoUtc) {
  ServiceMode();
  struct Case {
    Date now;
    Date end;  // the server's whole hour, in UTC
  };
  // A time a hair before the hour reads as the next hour, as its text shows it.
  for (const Case& c : {Case{Date::FromParts(2024, 3, 15, 14, 37, 52), Date::FromParts(2024, 3, 15, 19)},
                        Case{Date::FromParts(2024, 3, 15, 14, 59, 59.6), Date::FromParts(2024, 3, 15, 20)}}) {
    SCOPED_TRACE(core::Format(c.now, "hh:nn:ss"));
    clock.Set(c.now);
    std::unique_ptr<CommonVarGatherer> g = Prepared();
    ASSERT_EQ(g->CollectorTimeZoneOffset(), 120);
    ASSERT_EQ(g->InterfaceTimezoneOffset(), -300);

    EXPECT_TRUE(CommonGlobals::SelectImportDateRange(*g));

    const Date start = g->LastRunSettings()->DefaultStart();
    const Date end = g->LastRunSettings()->DefaultEnd();
    EXPECT_EQ(start, Date::FromParts(2024, 3, 13, 22));
    EXPECT_EQ(end, c.end);
    EXPECT_TRUE(WasLogged("NT Service UTC Dates from: " + start.GeneralText() + " to " + end.GeneralText()));
  }
}

TEST_F(UtcDateRange, InteractiveGivesTheDialogTheZoneAndKeepsItsUtcRange) {
  dialogs.range = {{Date::FromParts(2024, 3, 14, 5), Date::FromParts(2024, 3, 15, 5)}};
  std::unique_ptr<CommonVarGatherer> g = Prepared();

  EXPECT_TRUE(CommonGlobals::SelectImportDateRange(*g));

  EXPECT_EQ(dialogs.utcZoneId, zone);
  EXPECT_EQ(dialogs.utcCollectorOffset, 120);
  EXPECT_EQ(dialogs.utcInterfaceOffset, -300);
  EXPECT_EQ(g->LastRunSettings()->DefaultStart(), Date::FromParts(2024, 3, 14, 5));
  EXPECT_EQ(g->LastRunSettings()->DefaultEnd(), Date::FromParts(2024, 3, 15, 5));
}

TEST_F(UtcDateRange, HiddenDialogTakesTheFixedDatesWithoutShift) {
  Set("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", "TRUE");
  Set("OPTIONS\\NOIU\\ASKFORDATES\\FIX_STARTDATE", "01-02-2024 03:00:00");
  Set("OPTIONS\\NOIU\\ASKFORDATES\\FIX_ENDDATE", "01-03-2024 03:00:00");
  std::unique_ptr<CommonVarGatherer> g = Prepared();

  EXPECT_TRUE(CommonGlobals::SelectImportDateRange(*g));

  EXPECT_EQ(dialogs.utcCalls, 0);
  EXPECT_EQ(g->LastRunSettings()->DefaultStart(), Date::FromParts(2024, 1, 2, 3));
  EXPECT_EQ(g->LastRunSettings()->DefaultEnd(), Date::FromParts(2024, 1, 3, 3));
}

}  // namespace
}  // namespace sessiontest
