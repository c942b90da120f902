// The recovery loops of reads and writes: the tries, their lines and waits, the connection
// dropped between tries, a source that is never there, ATTEMPTS 0, and connections ended by the
// server in the middle of a run that the retries get back without losing or doubling a value.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "core/RuntimeError.h"
#include "import/engine/RecoverySettings.h"
#include "import/source/CustomSource.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;

class RecoveryTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    plant = &AddPlantWithTwoVariables();
    AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}, {6, "10"}}});
    AddVisit({.id = 102, .point = 1, .time = "09:10:00", .answers = {{5, "2"}}});
  }

  // A source nobody listens at.
  void SourceAway() { Set("K30418\\SourceCustomization", "Port=1;"); }

  // The recovery lines of the activity list, in order.
  std::vector<std::string> RecoveryLines() const {
    std::vector<std::string> out;
    for (const std::string& l : status.lines)
      if (l.rfind("Connection error", 0) == 0 || l.rfind("Waiting for", 0) == 0 || l.rfind("Unable to connect", 0) == 0)
        out.push_back(l);
    return out;
  }

  testsupport::KrymFixture* plant = nullptr;
};

TEST_F(RecoveryTest, SourceThatAlwaysFailsIsTriedAttemptsTimesWithAWaitAfterEachTry) {
  SourceAway();
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "6");
  Set("SOURCE\\RECOVERY\\SECONDS", "10");
  CommonImport loop;
  loop.Sleep([this](std::int32_t ms) { waits.push_back(ms); });
  CustomSource reader;
  reader.StartTransId(0);
  reader.EndTransId(-1);
  reader.CurrentVarId("42");

  EXPECT_FALSE(loop.LoopReadSource(reader));

  const std::string wait = "Waiting for 10 seconds before attempting to re-connect ... ";
  const std::string retry =
      "Connection error occured while communicating with source. Will attempt to re-connect to "
      "source for ";
  EXPECT_THAT(RecoveryLines(),
              ElementsAre(retry + "6 times", wait, retry + "5 times", wait, retry + "4 times", wait, retry + "3 times",
                          wait, retry + "2 times", wait, retry + "1 times", wait, "Unable to connect to source."));
  EXPECT_EQ(waits, std::vector<std::int32_t>(6, 10000));  // the sixth wait follows the last try
  EXPECT_EQ(pump.runs, 6);                                // events run once after each wait
  EXPECT_EQ(LogCount("TXT_Query(): [SourceTag:] \t[SourceStat:] \t"), 6);
  EXPECT_EQ(loop.Statistics().SourceConnectionFailures(), 6);
  EXPECT_EQ(loop.Statistics().ReadRecords(), 0);
}

// An outage is met once per run: the first variable's recovery cycle runs out, and the run
// reads nothing more (no other variable, no facility, no notes) and goes on to its statistics.
TEST_F(RecoveryTest, AnAbsentSourceEndsTheRunsReadingAfterOneCycle) {
  ServiceMode();
  WriteIdFile("LASTIDIMPORTED=100\r\n");
  auto& other = AddFacility("Plant Two");
  AddVariable(other, 42, "H", 1);
  Set("K30418\\AddNotesToLogbook", "TRUE");
  SourceAway();
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "3");

  ASSERT_TRUE(Run());

  EXPECT_TRUE(LogHas("Error in ReadHighestTransId: "));
  EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), 3);
  EXPECT_EQ(waits.size(), 3u);
  EXPECT_EQ(LogCount("Unable to connect to source."), 1);
  ASSERT_EQ(presenter.boxes.size(), 0u);  // service mode: the one box is logged
  EXPECT_EQ(LogCount("Execution error occured in LoopReadSource"), 1);
  EXPECT_EQ(LogCount("DeraRed could not be read after every recovery attempt: the rest of this run's reading is "
                     "skipped, and the last imported id is held until DeraRed can be read."),
            1);
  int facilitiesProcessed = 0;
  for (const std::string& l : LogLines()) facilitiesProcessed += l.rfind("Processing facility", 0) == 0;
  EXPECT_EQ(facilitiesProcessed, 1);
  EXPECT_FALSE(LogHas("Loading Logbook records from source..."));
  EXPECT_FALSE(LogHas("Success: The Last Id"));
  EXPECT_TRUE(LogHas("Session Statistics :"));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);
}

TEST_F(RecoveryTest, NoAttemptsReadNothing) {
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "0");

  ASSERT_TRUE(Run());

  EXPECT_EQ(LogCount("TXT_Query(): [SourceTag:] \t[SourceStat:] \t"), 0);
  EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Execution error occured in LoopReadSource for VarId 42");
  EXPECT_EQ(presenter.boxes[0].style, 48);  // exclamation, OK
  EXPECT_EQ(LogCount("Unable to connect to source."), 1);
  EXPECT_TRUE(Values(*plant, "dataddh").empty());
  EXPECT_TRUE(engine->RunFailed());
}

TEST_F(RecoveryTest, TargetConnectionEndedByTheServerIsOpenedAgain) {
  ServiceMode();
  // Events run once in every read, between connecting and the query: the second read is
  // variable 43's, after variable 42 has written through the facility connection.
  pump.onRun = [this](int run) {
    if (run == 2) DropConnections(plant->Name());
  };

  ASSERT_TRUE(Run());

  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 1);
  EXPECT_EQ(waits, std::vector<std::int32_t>{10000});
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  EXPECT_EQ(engine->Statistics().LogicalWrites(), 3);
  EXPECT_EQ(engine->Statistics().PhysicalWrites(), 3);
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(RecoveryTest, SourceConnectionEndedByTheServerDuringAReadIsOpenedAgain) {
  ServiceMode();
  pump.onRun = [this](int run) {
    if (run == 1) DropConnections(deraRed.Name());
  };

  ASSERT_TRUE(Run());

  EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), 1);
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(RecoveryTest, SettingsAreWholeNumbersAndTheWaitMustFit) {
  struct Case {
    const char* attempts;
    const char* seconds;
    int error;  // 0: read
    std::int32_t tries, waitMs;
  };
  const std::vector<Case> cases = {
      {"6", "10", 0, 6, 10000},   {"6.5", "0.4", 0, 6, 0},  // halves to even; a fraction of a second is no wait
      {" 3 ", "-1", 0, 3, -1000}, {"six", "1", 13, 0, 0},
      {"1", "ten", 13, 0, 0},     {"1", "2147484", 6, 0, 0},  // more milliseconds than 32 bits hold
  };
  // A reader that lives through all the cases, as the import's does through a run, sees every
  // change, and a setting that cannot be read fails every time it is asked for.
  RecoverySettings::Reader kept("TARGET");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attempts) + " / " + c.seconds);
    Set("TARGET\\RECOVERY\\ATTEMPTS", c.attempts);
    Set("TARGET\\RECOVERY\\SECONDS", c.seconds);
    for (int ask = 0; ask < 3; ++ask) {
      SCOPED_TRACE(ask == 0 ? "Read" : "Reader");
      try {
        const RecoverySettings r = ask == 0 ? RecoverySettings::Read("TARGET") : kept.Get();
        EXPECT_EQ(c.error, 0);
        EXPECT_EQ(r.Attempts(), c.tries);
        EXPECT_EQ(r.WaitMilliseconds(), c.waitMs);
        EXPECT_EQ(r.SecondsText(), c.seconds);
      } catch (const core::RuntimeError& e) {
        EXPECT_EQ(e.Number(), c.error);
      }
    }
  }
}

TEST_F(RecoveryTest, WaitSleepsWhenNoSleepFunctionIsSet) {
  SourceAway();
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "1");
  Set("SOURCE\\RECOVERY\\SECONDS", "1");
  CommonImport loop;
  CustomSource reader;
  reader.EndTransId(-1);
  reader.CurrentVarId("42");
  const auto start = std::chrono::steady_clock::now();

  EXPECT_FALSE(loop.LoopReadSource(reader));

  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_GT(pump.runs, 10);  // the events kept running through the wait, not once after it
}

}  // namespace
}  // namespace enginetest
