// What a session asks the operator: the super-user login, the variable picker and the date
// range, with their answers, cancellations and the absence of any dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SessionFixture.h"
#include "app/session/ImportSession.h"
#include "app/session/SessionDialogs.h"

namespace sessiontest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

class SessionDialogsTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    collector = AddCollector("Plant Rounds");
    Link(collector, 12);
    Link(collector, 15);
  }
  std::int32_t collector = 0;
};

// Only the exact "YES" asks for a super-user; the login gets the open root connection.
TEST_F(SessionDialogsTest, PasswordProtectionAsksOnlyForExactYes) {
  struct Case {
    const char* setting;
    int logins;
  };
  dialogs.loginUser = "  admin";
  for (const Case& c : {Case{"YES", 1}, Case{"yes", 0}, Case{"Yes", 0}, Case{"NO", 0}}) {
    SCOPED_TRACE(c.setting);
    dialogs.loginCalls = 0;
    Set("OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", c.setting);
    Mark(std::string("-- ") + c.setting);

    CommonGlobals::ImportAllVariables(false);

    EXPECT_EQ(dialogs.loginCalls, c.logins);
    const std::vector<std::string> lines = LoggedAfter(std::string("-- ") + c.setting);
    if (c.logins) {
      EXPECT_TRUE(dialogs.loginConnectionOpen);
      EXPECT_THAT(lines, Contains("Waiting for user to provide Vorn Krym Super User credentials ..."));
      EXPECT_THAT(lines, Contains("Vorn Krym user '  ADMIN' credentials were provided."));
    } else {
      EXPECT_THAT(lines, Not(Contains("Waiting for user to provide Vorn Krym Super User credentials ...")));
    }
    // The session went on to the date range either way.
    EXPECT_THAT(lines, Contains("Waiting for user to select import date range ..."));
  }
}

TEST_F(SessionDialogsTest, CancelledLoginEndsTheSessionBeforeTheCollectorIsRead) {
  Set("OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", "YES");
  dialogs.loginUser.reset();

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

  const std::vector<std::string> lines = Logged();
  EXPECT_THAT(lines, Contains("Import cancelled by user."));
  EXPECT_THAT(lines, Not(Contains(::testing::StartsWith("Scanning all facilities"))));
  EXPECT_EQ(dialogs.rangeCalls, 0);
}

TEST_F(SessionDialogsTest, ServiceSessionsAskNoPassword) {
  ServiceMode();
  Set("OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", "YES");
  Set("OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN", "not a date");  // ends the session before the import

  CommonGlobals::ImportAllVariables(false);

  EXPECT_EQ(dialogs.loginCalls, 0);
  EXPECT_TRUE(WasLogged("Found 2 variable(s) in 1 facility(s) that are linked to Collector 'Plant Rounds'"));
  EXPECT_TRUE(
      WasLogged("Error in ImportAllVariables: 13: Type mismatch: the setting "
                "OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN holds 'not a date'"));
}

// With no dialogs in the program, every question is answered as a cancel, and the log says why.
TEST_F(SessionDialogsTest, NoDialogsAvailableCountsAsCancel) {
  SessionDialogs::Install(nullptr);  // the fixture's scope puts the scripted ones back
  struct Case {
    const char* name;
    bool passwordProtected;
    bool selected;
    const char* logLine;
  };
  for (const Case& c : {Case{"login", true, false, "No super-user login dialog is available: treated as cancelled."},
                        Case{"picker", false, true, "No variable picker dialog is available: treated as cancelled."},
                        Case{"dates", false, false, "No date range dialog is available: treated as cancelled."}}) {
    SCOPED_TRACE(c.name);
    Set("OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT", c.passwordProtected ? "YES" : "NO");
    Mark(std::string("-- ") + c.name);

    EXPECT_FALSE(c.selected ? CommonGlobals::ImportSelectedVariables(false) : CommonGlobals::ImportAllVariables(false));

    const std::vector<std::string> lines = LoggedAfter(std::string("-- ") + c.name);
    auto at = std::find(lines.begin(), lines.end(), c.logLine);
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    EXPECT_EQ(*(at + 1), "Import cancelled by user.");
    EXPECT_THAT(lines, Not(Contains("Import started.")));
  }
}

TEST_F(SessionDialogsTest, PickerAnswersDecideWhatFollows) {
  const std::string fac = facility.Name();
  struct Case {
    const char* name;
    std::optional<ScriptedDialogs::Rows> rows;
    bool nullSelection;
    const char* line;
    bool asksDates;
  };
  const Case cases[] = {
      {"cancel", std::nullopt, false, "Import cancelled by user.", false},
      {"no set", ScriptedDialogs::Rows{}, true, "Nothing returned. Unable to import.", false},
      {"nothing picked", ScriptedDialogs::Rows{}, false, "Nothing to import into at this time.", false},
      {"one picked", ScriptedDialogs::Rows{{fac, 15}}, false, "Waiting for user to select import date range ...", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.pickRows = c.rows;
    dialogs.nullSelection = c.nullSelection;
    dialogs.offered.clear();
    const int rangeCalls = dialogs.rangeCalls;
    Mark(std::string("-- ") + c.name);

    EXPECT_FALSE(CommonGlobals::ImportSelectedVariables(false));  // the date dialog cancels the last

    EXPECT_THAT(dialogs.offered, UnorderedElementsAre(fac + "~12", fac + "~15"));
    EXPECT_THAT(LoggedAfter(std::string("-- ") + c.name), Contains(c.line));
    EXPECT_EQ(dialogs.rangeCalls - rangeCalls, c.asksDates ? 1 : 0);
  }
  const std::vector<std::string> lines = LoggedAfter("-- one picked");
  EXPECT_THAT(lines, Contains("User selected 1 variable(s) in 1 facility(s) that are linked to Collector " +
                              std::to_string(collector)));
  EXPECT_THAT(lines, Contains("User Selected Variable Detail : " + fac + "~15"));
  EXPECT_THAT(lines, Not(Contains("User Selected Variable Detail : " + fac + "~12")));
}

// The picker's result shares the session's facility names and last-run settings and copies
// its collector record; its variables are only the picked rows.
TEST_F(SessionDialogsTest, SelectionSharesTheSessionsSettings) {
  std::unique_ptr<CommonVarGatherer> session = CommonGlobals::PrepareImportSession();
  ASSERT_TRUE(session);
  const std::string fac = facility.Name();

  std::unique_ptr<CommonVarGatherer> picked = SessionDialogs::SelectedVariables(*session, {{fac, 15}, {fac, 15}});

  ASSERT_TRUE(picked);
  EXPECT_EQ(picked->TotalVariable(), 1);
  EXPECT_EQ(picked->LastRunSettings(), session->LastRunSettings());
  EXPECT_EQ(picked->FacilityNames(), session->FacilityNames());
  EXPECT_EQ(picked->CollectorName(), "Plant Rounds");
  EXPECT_EQ(picked->CollectorID(), collector);
}

TEST_F(SessionDialogsTest, SelectedVariablesInServiceModeOnlyWritesItsLine) {
  ServiceMode();
  Mark("-- selected");

  EXPECT_FALSE(CommonGlobals::ImportSelectedVariables(false));

  EXPECT_THAT(LoggedAfter("-- selected"), ElementsAre("Operation is not supported in NTSERVICE mode."));
  EXPECT_EQ(dialogs.pickCalls, 0);
}

}  // namespace
}  // namespace sessiontest
