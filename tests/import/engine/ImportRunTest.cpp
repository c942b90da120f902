// Whole import runs from a DeraRed database of the test's own into Krym facilities of its own:
// the lines a run shows, values in the daily and interval tables, test mode, lock dates, the
// last-id file in both run modes, and what stops a run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "platform/os/StopRequest.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;

// The lines of the log from the first one that begins with first, for count lines.
std::vector<std::string> From(const std::vector<std::string>& lines, const std::string& first, std::size_t count) {
  auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(first, 0) == 0; });
  std::vector<std::string> out;
  for (; it != lines.end() && out.size() < count; ++it) out.push_back(*it);
  return out;
}

class ImportRunTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    plant = &AddPlantWithTwoVariables();
  }

  testsupport::KrymFixture* plant = nullptr;
};

TEST_F(ImportRunTest, ServiceRunWritesEveryVariableShowsItsLinesAndSavesTheRunsBound) {
  ServiceMode();
  AddVisit({.id = 101, .point = 1, .time = "14:35:00", .answers = {{5, "7.46"}, {6, "3"}}});
  AddVisit({.id = 102, .point = 1, .time = "15:10:00", .answers = {{6, "4"}, {5, "8"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|7.5|7.5", "42|8|8"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|4|4"));  // one day: the later answer replaced the first
  EXPECT_THAT(Rows(*plant,
                   "select to_char(datestamp, 'HH24:MI'), audituser from dataddh"
                   " order by datestamp"),
              ElementsAre("14:00|jdoe", "15:00|jdoe"));
  EXPECT_EQ(SavedId(), 102);

  const std::string f = plant->Name();
  const std::vector<std::string> lines = LogLines();
  EXPECT_THAT(From(lines, "Processing facility", 10),
              ElementsAre("Processing facility 'Plant One' (" + f + ")",
                          "CustomSource.ReadHighestTransId() Query : SELECT MAX(ID) FROM Tbl_Transaction_PDA",
                          "CustomSource.ReadTransIds() Query : SELECT ID FROM Tbl_Transaction_PDA WHERE ID > ? AND "
                          "ID <= ? ORDER BY ID",
                          "lngLastTransIdImportedLastSession = 0", "Loading data records from source for VarId 42  ...",
                          "TXT_Query(): [SourceTag:] \t[SourceStat:] \t",
                          ::testing::StartsWith("CustomSource.LoadResultRecords() Query : "),
                          "Loaded 2 data record(s) from source.", "Writing DD Value to database.",
                          "Wrote Data 03/05/2024 14:00  " + f + ":1042\tVar 42\t7.5 bar"));
  EXPECT_EQ(LogCount("Wrote Data 03/05/2024 00:00  " + f + ":1043\tVar 43\t3 bar"), 1);
  EXPECT_EQ(LogCount("NTService = True SaveLastTransIdImported = True"), 1);
  EXPECT_EQ(LogCount("Success: The Last Id that was Imported is - 102 for facility Plant One' (" + f + ")"), 1);
  EXPECT_THAT(From(lines, "Session Statistics :", 10),
              ElementsAre("Session Statistics :", " # of Logical Write Transactions   : \t4",
                          " # of Physical Write Transactions  : \t4", " # of Skipped Write Transactions   : \t0",
                          " # of Source Connection Failures   : \t0", " # of Target Connection Failures   : \t0",
                          ::testing::StartsWith(" # Seconds Elapsed                 : \t"),
                          " # Read Total Records              : \t4",
                          ::testing::StartsWith(" # Read Records per Second         : \t"),
                          ::testing::StartsWith(" # Write Transactions per Second   : \t")));
  EXPECT_TRUE(presenter.boxes.empty());
  EXPECT_FALSE(engine->RunFailed());
}

TEST_F(ImportRunTest, TestModeCountsLogicalWritesOnlyAndSendsNothing) {
  AddVisit({.id = 101, .point = 1, .answers = {{5, "7.46"}, {6, "3"}}});

  ASSERT_TRUE(Run(true));

  EXPECT_EQ(engine->Statistics().LogicalWrites(), 2);
  EXPECT_EQ(engine->Statistics().PhysicalWrites(), 0);
  EXPECT_EQ(LogCount("Wrote Data 03/05/2024 14:00  " + plant->Name() + ":1042\tVar 42\t7.5 bar"), 1);
  EXPECT_TRUE(Values(*plant, "dataddh").empty());
  EXPECT_TRUE(Values(*plant).empty());
}

TEST_F(ImportRunTest, TestRunInServiceModeSavesNoId) {
  ServiceMode();
  AddVisit({.id = 101, .point = 1, .answers = {{5, "7.46"}}});

  ASSERT_TRUE(Run(true));

  EXPECT_EQ(engine->Statistics().LogicalWrites(), 1);
  EXPECT_EQ(SavedId(), 0);  // nothing was written, so nothing is imported
  EXPECT_FALSE(LogHas("Success: The Last Id"));
}

TEST_F(ImportRunTest, InteractiveRunsNeverSaveTheId) {
  WriteIdFile("LASTIDIMPORTED=100\r\n");
  AddVisit({.id = 101, .point = 1, .answers = {{5, "7"}}});

  ASSERT_TRUE(Run());
  ASSERT_TRUE(Run());

  EXPECT_EQ(IdFile(), "LASTIDIMPORTED=100\r\n");
  EXPECT_EQ(LogCount("NTService = False SaveLastTransIdImported = True"), 2);
  EXPECT_EQ(LogCount("lngLastTransIdImportedLastSession = 100"), 4);  // both runs start from the saved id
  // Both variables' questions sit at the visited point, so each read returns the visit.
  EXPECT_EQ(LogCount("Loaded 1 data record(s) from source."), 4);
  EXPECT_FALSE(LogHas("Success: The Last Id"));
}

TEST_F(ImportRunTest, ValuesBeforeTheLockDateAreSkippedAndStillCountAsImported) {
  ServiceMode();
  SetLockDate(*plant, "03/05/2024 12:00:00");
  AddVisit({.id = 101, .point = 1, .time = "10:20:00", .answers = {{5, "1"}, {6, "9"}}});
  AddVisit({.id = 102, .point = 1, .time = "12:00:00", .answers = {{5, "2"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|2|2"));  // exactly at the lock date is written
  EXPECT_TRUE(Values(*plant).empty());                            // the day starts before it
  EXPECT_EQ(engine->Statistics().SkippedWrites(), 2);
  EXPECT_EQ(engine->Statistics().LogicalWrites(), 1);
  const std::string skipped = "Wrote Data 03/05/2024 10:00  " + plant->Name() + ":1042\tVar 42\t1 bar";
  EXPECT_EQ(LogCount(skipped), 0);
  EXPECT_EQ(LogCount("Approval Level of Data (Or Lock Date) disallowed interface to write record '" + skipped + "'"),
            1);
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(ImportRunTest, HigherApprovalInKrymIsKept) {
  plant->Exec(
      "INSERT INTO datatbl (varid, datestamp, curvalue, textvalue, status) VALUES (43, '2024-03-05', 5, '5', 2)");
  AddVisit({.id = 101, .point = 1, .answers = {{6, "9"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant), ElementsAre("43|5|5"));
  EXPECT_EQ(engine->Statistics().SkippedWrites(), 1);
}

TEST_F(ImportRunTest, TargetThatRefusesEveryWriteIsRetriedOnceForTheFacility) {
  ServiceMode();
  Set("TARGET\\RECOVERY\\ATTEMPTS", "3");
  Set("TARGET\\RECOVERY\\SECONDS", "2");
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}, {6, "4"}}});
  AddVisit({.id = 102, .point = 1, .answers = {{5, "2"}}});

  ASSERT_TRUE(Run(false, false));  // no lock dates read: the writer refuses every value

  // One recovery cycle for the facility's first value; the others wait for the next run.
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 3);
  EXPECT_EQ(waits, std::vector<std::int32_t>(3, 2000));
  for (const char* n : {"3", "2", "1"})
    EXPECT_EQ(LogCount(std::string("Connection error occured while communicating with Vorn Krym. Will attempt to "
                                   "re-connect to source for ") +
                       n + " times"),
              1);
  EXPECT_EQ(LogCount("Waiting for 2 seconds before attempting to re-connect ... "), 3);
  EXPECT_EQ(LogCount("Unable to connect to Vorn Krym."), 1);
  EXPECT_EQ(LogCount("PROMPT= Error occured in WriteToVornKrym for VarId 42"), 1);
  EXPECT_EQ(LogCount("Error occured in WriteToVornKrym for VarId 42"), 1);
  EXPECT_FALSE(LogHas("VarId 43"));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 0);
}

// Asked to end (the service host's signal, the window's Exit) in the middle of a read: the run
// stops after that database call, writes and saves nothing more, and still ends in order.
TEST_F(ImportRunTest, StopRequestEndsTheRunAfterTheCurrentCall) {
  ServiceMode();
  WriteIdFile("LASTIDIMPORTED=100\r\n");
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}, {6, "2"}}});
  pump.onRun = [](int run) {
    if (run == 1) platform::os::RequestStop(15);
  };

  const bool reachedEnd = Run();
  platform::os::ResetStopRequest();

  EXPECT_TRUE(reachedEnd);
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(LogCount("The program is ending: the import stops here, and the last imported id stays where it was."), 1);
  EXPECT_TRUE(Values(*plant, "dataddh").empty());
  EXPECT_TRUE(Values(*plant).empty());
  EXPECT_FALSE(LogHas("Loading data records from source for VarId 43"));
  EXPECT_FALSE(LogHas("SaveLastTransIdImported"));
  EXPECT_TRUE(LogHas("Session Statistics :"));
  EXPECT_EQ(SavedId(), 100);
}

TEST_F(ImportRunTest, DefinitionsThatCannotLoadEndTheRunAtOnce) {
  OwnRootOpener missing("NOSUCHROOT");
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}}});

  EXPECT_FALSE(Run(false, true, &missing));

  EXPECT_FALSE(LogHas("Processing facility"));
  EXPECT_FALSE(LogHas("Session Statistics :"));
}

TEST_F(ImportRunTest, SettingThatIsNoNumberStopsTheRun) {
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "six");
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}}});

  EXPECT_FALSE(Run());

  EXPECT_EQ(LogCount("Error in StartImport: 13: Type mismatch: the setting SOURCE\\RECOVERY\\ATTEMPTS holds 'six'"), 1);
  EXPECT_EQ(LogCount("Loading data records from source for VarId 43  ..."), 0);
  EXPECT_FALSE(LogHas("Session Statistics :"));
}

TEST_F(ImportRunTest, WriteAsUserOfTheCollector) {
  root.Exec("UPDATE g2_server SET override_audituser = 'NIGHTSHIFT' WHERE interface_id = " +
            std::to_string(kCollector));
  AddVisit({.id = 101, .point = 1, .answers = {{6, "1"}}});

  ASSERT_TRUE(Run());

  EXPECT_EQ(Program().writeAsUser, "NIGHTSHIFT");
  EXPECT_THAT(Rows(*plant, "select audituser from datatbl"), ElementsAre("jdoe"));  // values carry the operator
}

}  // namespace
}  // namespace enginetest
