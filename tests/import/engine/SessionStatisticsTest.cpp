// The write log and the session statistics: which counter each write outcome moves, the exact
// lines, and the times taken from a seconds-since-midnight clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/Date.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/commonglobals/Fakes.h"
#include "import/engine/SessionStatistics.h"
#include "import/model/CommonTypeVarRec.h"

namespace {

using ::testing::ElementsAre;

// Status lines of every level land in the activity list; the log itself stays off.
class SessionStatisticsTest : public ::testing::Test {
 protected:
  SessionStatisticsTest() : logger_(std::filesystem::temp_directory_path().string(), "k30418-stats"), scope_(ctx_) {
    logger_.Enabled(false);
    logger_.Verbosity(9);
    ctx_.logger = &logger_;
    ctx_.clock = &clock;
    ctx_.ui.activityList = &status;
    record.facilID("PLANT1");
    record.Number(1042);
    record.Name(core::Value("Inlet flow"));
    record.Units(core::Value("m3/h"));
  }

  void At(int h, int m, double s) { clock.Set(core::Date::FromParts(2024, 3, 5, h, m, s)); }

  core::ManualClock clock;
  FakeActivityList status;
  CommonTypeVarRec record;
  SessionStatistics stats;

 private:
  QALLoggerTXT logger_;
  ProgramContext ctx_;
  ProgramScope scope_;
};

TEST_F(SessionStatisticsTest, EachWriteFlagMovesItsOwnCounterAndShowsItsLine) {
  const core::Date stamp = core::Date::FromParts(2024, 3, 5, 14, 0, 0);
  const std::string line = "Wrote Data 03/05/2024 14:00  PLANT1:1042\tInlet flow\t7.5 m3/h";
  EXPECT_EQ(SessionStatistics::WriteLine(stamp, record, "7.5"), line);

  stats.LogWriteOutcome(stamp, record, "7.5", true, true, false);   // written
  stats.LogWriteOutcome(stamp, record, "7.5", true, false, false);  // test mode
  stats.LogWriteOutcome(stamp, record, "7.5", false, false, true);  // lock date or approval
  stats.LogWriteOutcome(stamp, record, "7.5", false, false, false);

  EXPECT_EQ(stats.LogicalWrites(), 2);
  EXPECT_EQ(stats.PhysicalWrites(), 1);
  EXPECT_EQ(stats.SkippedWrites(), 1);
  EXPECT_THAT(status.lines,
              ElementsAre(line, line,
                          "Approval Level of Data (Or Lock Date) disallowed interface to write record '" + line + "'"));
}

// A refused write counts whatever the verbosity; its level-1 line appears only where the
// verbosity keeps it, while the level-0 "Wrote Data" line always does.
TEST_F(SessionStatisticsTest, RefusalLineOnlyWhereTheVerbosityKeepsItButAlwaysCounted) {
  const core::Date stamp = core::Date::FromParts(2024, 3, 5, 14, 0, 0);
  const std::string line = "Wrote Data 03/05/2024 14:00  PLANT1:1042\tInlet flow\t7.5 m3/h";
  const std::string refusal =
      "Approval Level of Data (Or Lock Date) disallowed interface to write record '" + line + "'";
  struct Case {
    std::int16_t verbosity;
    std::vector<std::string> lines;
  };
  for (const Case& c : {Case{0, {line}}, Case{1, {line, refusal}}, Case{9, {line, refusal}}}) {
    SCOPED_TRACE(c.verbosity);
    Program().logger->Verbosity(c.verbosity);
    status.lines.clear();
    SessionStatistics run;
    run.LogWriteOutcome(stamp, record, "7.5", true, true, false);
    run.LogWriteOutcome(stamp, record, "7.5", false, false, true);
    EXPECT_EQ(status.lines, c.lines);
    EXPECT_EQ(run.LogicalWrites(), 1);
    EXPECT_EQ(run.PhysicalWrites(), 1);
    EXPECT_EQ(run.SkippedWrites(), 1);
  }
}

TEST_F(SessionStatisticsTest, StatisticsBlockWithRoundedRates) {
  At(10, 0, 0);
  stats.SessionStart(SessionStatistics::SecondsSinceMidnight());
  stats.AddReadStatistics(100, 102, 5);
  stats.AddReadStatistics(200, 200, 3);  // counts as 0.00001 s
  const core::Date stamp = core::Date::FromParts(2024, 3, 5);
  for (int i = 0; i < 3; ++i) stats.LogWriteOutcome(stamp, record, "1", true, true, false);
  stats.CountSourceConnectionFailure();
  stats.CountTargetConnectionFailure();
  stats.CountTargetConnectionFailure();
  status.lines.clear();
  At(10, 0, 7.5);

  stats.LogSessionStatistics();

  EXPECT_DOUBLE_EQ(stats.ReadSeconds(), 2.00001);
  EXPECT_NEAR(stats.ElapsedSeconds(), 7.5, 1e-3);
  EXPECT_THAT(status.lines,
              ElementsAre("Session Statistics :", " # of Logical Write Transactions   : \t3",
                          " # of Physical Write Transactions  : \t3", " # of Skipped Write Transactions   : \t0",
                          " # of Source Connection Failures   : \t1", " # of Target Connection Failures   : \t2",
                          " # Seconds Elapsed                 : \t8",  // 7.5 rounds away from zero
                          " # Read Total Records              : \t8",
                          " # Read Records per Second         : \t4",  // 8 / 2.00001
                          " # Write Transactions per Second   : \t0.4"));
}

TEST_F(SessionStatisticsTest, NoReadsGiveNoRateAndMidnightGivesTheShortestTime) {
  At(23, 59, 59);
  stats.SessionStart(SessionStatistics::SecondsSinceMidnight());
  stats.LogWriteOutcome(core::Date(), record, "1", true, false, false);
  clock.Set(core::Date::FromParts(2024, 3, 6, 0, 0, 1));
  status.lines.clear();

  stats.LogSessionStatistics();

  EXPECT_DOUBLE_EQ(stats.ElapsedSeconds(), 0.00001);
  EXPECT_EQ(status.lines.at(6), " # Seconds Elapsed                 : \t0");
  EXPECT_EQ(status.lines.at(8), " # Read Records per Second         : \tN/A");
  EXPECT_EQ(status.lines.at(9), " # Write Transactions per Second   : \t100000");
}

TEST_F(SessionStatisticsTest, ReadAcrossMidnightCountsTheShortestTime) {
  stats.AddReadStatistics(86399.5, 0.5, 4);
  EXPECT_DOUBLE_EQ(stats.ReadSeconds(), 0.00001);
  EXPECT_EQ(stats.ReadRecords(), 4);
}

}  // namespace
