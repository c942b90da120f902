// The status line: the activity list in interactive mode within the log's
// verbosity, the log always (at the logger's own level test), and the list's
// line limits.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Fakes.h"
#include "TempFolder.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"

namespace {

struct StatusCase {
  const char* name;
  bool service;
  std::int16_t verbosity;
  std::int16_t level;
  bool inList;
  bool inLog;
};

class ShowStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ShowStatusTest, ReachesListAndLogByModeAndLevel) {
  const StatusCase& c = GetParam();
  TempFolder dir;
  QALLoggerTXT logger(dir.Str(), "k30418");
  logger.LogPath(dir.Str() + "/log");
  logger.BufferLength(1);
  logger.Enabled(true);
  logger.Verbosity(c.verbosity);
  logger.WriteLog("first line", 0);  // opens the file, so there is one to read in every case
  FakeActivityList list;
  ProgramContext ctx;
  ctx.logger = &logger;
  ctx.isNTService = c.service;
  ctx.ui.activityList = &list;
  ProgramScope scope(ctx);

  CommonGlobals::ShowStatus("Importing facility NORTH", c.level);

  if (c.inList) {
    ASSERT_EQ(list.lines.size(), 1u);
    EXPECT_EQ(list.lines[0], "Importing facility NORTH");
    EXPECT_EQ(list.selected, 0);
  } else {
    EXPECT_TRUE(list.lines.empty());
  }
  logger.closeLog();
  const std::string log = TempFolder::Read(logger.CurrentFilePath());
  EXPECT_EQ(log.find(" : Importing facility NORTH\r\n") != std::string::npos, c.inLog) << log;
}

INSTANTIATE_TEST_SUITE_P(Modes, ShowStatusTest,
                         ::testing::Values(StatusCase{"InteractiveLevel0", false, 0, 0, true, true},
                                           StatusCase{"InteractiveAboveVerbosity", false, 0, 1, false, false},
                                           StatusCase{"InteractiveAtVerbosity", false, 3, 3, true, true},
                                           StatusCase{"InteractiveNegativeLevel", false, 0, -4, true, true},
                                           // The list compares the level as given; the logger clamps it to 9.
                                           StatusCase{"InteractiveLevelBeyondNine", false, 9, 15, false, true},
                                           StatusCase{"ServiceLevel0", true, 0, 0, false, true},
                                           StatusCase{"ServiceHighVerbosity", true, 9, 2, false, true},
                                           StatusCase{"ServiceAboveVerbosity", true, 0, 1, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShowStatus, WithoutALoggerTheListTakesLevelZeroOnlyAndWithNeitherNothingFails) {
  {
    ProgramContext ctx;
    ProgramScope scope(ctx);
    EXPECT_NO_THROW(CommonGlobals::ShowStatus("nobody listens", 0));
    EXPECT_NO_THROW(CommonGlobals::ClearActivityLog());
  }
  // No logger, no verbosity: the list gets what a verbosity of 0 lets through.
  FakeActivityList list;
  ProgramContext ctx;
  ctx.ui.activityList = &list;
  ProgramScope scope(ctx);
  CommonGlobals::ShowStatus("level 0", 0);
  CommonGlobals::ShowStatus("level 1", 1);
  EXPECT_EQ(list.lines, std::vector<std::string>{"level 0"});
  CommonGlobals::ClearActivityLog();
  EXPECT_TRUE(list.lines.empty());
  EXPECT_EQ(list.clears, 1);
}

// A status line that quotes an outside text stays one line of the list, of bounded length.
TEST(ShowStatus, TheListGetsOneBoundedLinePerStatus) {
  FakeActivityList list;
  ProgramContext ctx;
  ctx.ui.activityList = &list;
  ProgramScope scope(ctx);

  CommonGlobals::ShowStatus("answer 'bad\r\n12:00:00 : Import was successful.'", 0);
  CommonGlobals::ShowStatus(std::string(1 << 20, 'x'), 0);

  ASSERT_EQ(list.lines.size(), 2u);
  EXPECT_EQ(list.lines[0], "answer 'bad\\r\\n12:00:00 : Import was successful.'");
  EXPECT_LE(list.lines[1].size(), 4200u);
  EXPECT_NE(list.lines[1].find("(cut, 1048576 bytes in all)"), std::string::npos);
}

struct LimitCase {
  int linesBefore;  // added to the list directly, not through the status line
  int linesAfter;   // after one status line
  int clears;
};

class ActivityListLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ActivityListLimitTest, EmptiesThePastLimitList) {
  const LimitCase& c = GetParam();
  FakeActivityList list;
  list.lines.assign(static_cast<std::size_t>(c.linesBefore), "old");
  ProgramContext ctx;
  ctx.ui.activityList = &list;
  ProgramScope scope(ctx);

  CommonGlobals::ShowStatus("new", 0);

  EXPECT_EQ(list.Count(), c.linesAfter);
  EXPECT_EQ(list.clears, c.clears);
  if (c.linesAfter > 0) {
    EXPECT_EQ(list.lines.back(), "new");
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, ActivityListLimitTest,
                         ::testing::Values(LimitCase{0, 1, 0}, LimitCase{19999, 20000, 0},
                                           // The 20001st line empties the list, itself with it.
                                           LimitCase{20000, 0, 1}, LimitCase{32000, 0, 1},
                                           // A list already past 32000 is emptied before the line.
                                           LimitCase{32001, 1, 1}));

TEST(ActivityListLimit, LineAfterTheEmptyingStartsANewList) {
  FakeActivityList list;
  ProgramContext ctx;
  ctx.ui.activityList = &list;
  ProgramScope scope(ctx);

  for (int i = 1; i <= CommonGlobals::kActivityListLimit + 1; ++i) CommonGlobals::ShowStatus("line", 0);
  EXPECT_EQ(list.Count(), 0);
  CommonGlobals::ShowStatus("after", 0);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.lines[0], "after");
}

TEST(ClearActivityLog, EmptiesTheList) {
  FakeActivityList list;
  list.lines = {"a", "b"};
  ProgramContext ctx;
  ctx.ui.activityList = &list;
  ProgramScope scope(ctx);
  CommonGlobals::ClearActivityLog();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
