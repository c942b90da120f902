// The interface version check of interactive sessions: a collector that links to another
// version of the interface gets a warning and the session goes on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SessionFixture.h"
#include "app/session/ImportSession.h"

namespace sessiontest {
namespace {

using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kWarning =
    "The collector that you selected links to a different version (1.0.7)  of the interface than the inteface that "
    "is current running (1.0.8)";

class InterfaceVersion : public SessionFixture {};

TEST_F(InterfaceVersion, DifferentVersionWarnsWithHelpAndTheSessionGoesOn) {
  const std::int32_t id = AddCollector("Old Rounds");
  Collector(id, "lu_version = '1.0.7'");
  Link(id, 12);

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));  // the date dialog cancels

  const std::vector<std::string> lines = Logged();
  EXPECT_THAT(lines, Contains("Warning : " + kWarning));
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Warning :\n" + kWarning +
                                           "\nYou need to update your g2_server_lu file or link the collector to the "
                                           "correct version in Vorn Krym client.");
  EXPECT_EQ(presenter.boxes[0].style, 48 + 16384);
  EXPECT_EQ(presenter.boxes[0].title, "Version Validation Failed");
  EXPECT_THAT(lines, Contains("Found 1 variable(s) in 1 facility(s) that are linked to Collector 'Old Rounds'"));
  EXPECT_EQ(dialogs.rangeCalls, 1);
}

TEST_F(InterfaceVersion, EqualEmptyOrMissingVersionGivesNoWarning) {
  const std::int32_t id = AddCollector();
  for (const char* version : {"'1.0.8'", "''", "null"}) {
    SCOPED_TRACE(version);
    presenter.boxes.clear();
    Collector(id, std::string("lu_version = ") + version);
    Mark(std::string("-- version ") + version);

    CommonGlobals::ImportAllVariables(false);

    EXPECT_THAT(presenter.boxes, IsEmpty());
    EXPECT_THAT(LoggedAfter(std::string("-- version ") + version), Not(Contains(::testing::StartsWith("Warning :"))));
  }
}

TEST_F(InterfaceVersion, ServiceSessionsAreNotChecked) {
  ServiceMode();
  const std::int32_t id = AddCollector();
  Collector(id, "lu_version = '1.0.7'");

  CommonGlobals::ImportAllVariables(false);

  EXPECT_FALSE(WasLogged("Warning : " + kWarning));
  EXPECT_THAT(Boxes(), IsEmpty());
}

// The configured id reaches the version query only as the number it reads as: a grouped
// number still finds the row, a text with more in it is no number and checks nothing.
TEST_F(InterfaceVersion, ConfiguredIdEntersTheQueryAsANumber) {
  const std::int32_t id = AddCollector();
  Collector(id, "lu_version = '1.0.7'");
  std::string grouped = std::to_string(id);
  for (int at = static_cast<int>(grouped.size()) - 3; at > 0; at -= 3)
    grouped.insert(static_cast<std::size_t>(at), ",");

  struct Case {
    std::string configured;
    bool warns;
  };
  for (const Case& c : {Case{grouped, true}, Case{"  " + std::to_string(id) + " ", true},
                        Case{std::to_string(id) + " or interface_id is not null", false}}) {
    SCOPED_TRACE(c.configured);
    presenter.boxes.clear();
    Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", c.configured);

    CommonGlobals::ValidateInterfaceVersion();

    EXPECT_EQ(presenter.boxes.size(), c.warns ? 1u : 0u);
  }
}

TEST_F(InterfaceVersion, CheckComparesTheTextAsItStands) {
  struct Case {
    const char* luVersion;
    bool warns;
  };
  for (const Case& c :
       {Case{"1.0.8", false}, Case{"", false}, Case{"1.0.7", true}, Case{"1.0.8 ", true}, Case{"2.0.0", true}}) {
    SCOPED_TRACE(c.luVersion);
    presenter.boxes.clear();
    CommonGlobals::CheckInterfaceVersion(c.luVersion);
    EXPECT_EQ(presenter.boxes.size(), c.warns ? 1u : 0u);
  }
  EXPECT_EQ(CommonGlobals::RunningInterfaceVersion(), "1.0.8");
}

}  // namespace
}  // namespace sessiontest
