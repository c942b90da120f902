// Operator notes on their way to the facility logbook: the switch that turns them on, notes of
// answer records (once per transaction) and of points without a variable, blank answers, the
// logbook a note lands in, and notes that meet a lost link or a refusal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineFixture.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;

class LogbookNotesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    plant = &AddFacility("Plant One");
    plant->Exec("INSERT INTO logbook (id, name) VALUES (2, 'Maintenance')");
    AddVariable(*plant, 42, "H", 1);
    AddQuestion(1, 5, 42, 2);  // answers of point 1 note into logbook 2
    AddQuestion(1, 6, 42, 2);  // a second question of the same point for the same variable
    Set("K30418\\AddNotesToLogbook", "TRUE");
    Set("K30418\\LogbookId", "1");
  }

  std::vector<std::string> Notes() {
    return Rows(*plant,
                "select lbid, to_char(datestamp, 'YYYY-MM-DD'), comment, audituser from logbookentries order by id");
  }

  testsupport::KrymFixture* plant = nullptr;
};

TEST_F(LogbookNotesTest, OnlyTrueInAnyCaseSwitchesNotesOn) {
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}}, .notes = "Seal leaks"});
  const std::vector<std::pair<std::string, bool>> cases = {{"true", true}, {"TRUE", true},   {"True", true},
                                                           {"YES", false}, {"FALSE", false}, {"", false}};
  for (const auto& [setting, written] : cases) {
    SCOPED_TRACE("AddNotesToLogbook = '" + setting + "'");
    plant->Exec("DELETE FROM logbookentries");
    Set("K30418\\AddNotesToLogbook", setting);
    ASSERT_TRUE(Run());
    EXPECT_EQ(Notes().size(), written ? 1u : 0u);
  }
}

TEST_F(LogbookNotesTest, NoteIsWrittenOncePerTransactionEvenWhenItsRecordRepeats) {
  // Visit 101 answers both questions of point 1, so the variable's read returns it twice.
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}, {6, "2"}}, .notes = "Pump 3 noisy", .guard = "jdoe"});
  // Another visit of the same day with the same note: the logbook finds it already there.
  AddVisit({.id = 102, .point = 1, .time = "16:00:00", .answers = {{5, "3"}}, .notes = "Pump 3 noisy"});
  // On another day it is a note of its own.
  AddVisit({.id = 103, .point = 1, .date = "2024-03-06", .answers = {{5, "4"}}, .notes = "Pump 3 noisy"});

  ASSERT_TRUE(Run());

  EXPECT_EQ(LogCount("Loaded 6 data record(s) from source."), 1);  // every visit joins both questions
  EXPECT_THAT(Notes(), ElementsAre("2|2024-03-05|Pump 3 noisy|jdoe", "2|2024-03-06|Pump 3 noisy|jdoe"));
  EXPECT_EQ(LogCount("Comment Already Exists! Skipping it's import."), 1);  // 102's only, never 101's twin
}

TEST_F(LogbookNotesTest, BlankAnswerWritesNoValueButItsNoteAndItsIdCount) {
  ServiceMode();
  AddVisit({.id = 101, .point = 1, .answers = {{5, "   "}}, .notes = "  Gauge broken  "});

  ASSERT_TRUE(Run());

  EXPECT_TRUE(Values(*plant, "dataddh").empty());
  EXPECT_THAT(Notes(), ElementsAre("2|2024-03-05|  Gauge broken  |jdoe"));  // stored as typed
  EXPECT_EQ(SavedId(), 101);
}

TEST_F(LogbookNotesTest, NotesOfPointsWithoutAVariableGoToTheirLogbook) {
  AddQuestion(9, 1, 0, 1);   // point 9 feeds no variable: its notes go to logbook 1
  AddQuestion(8, 1, 0, 77);  // logbook 77 does not exist: the default one takes the note
  AddVisit({.id = 101, .point = 9, .notes = "Fence open"});
  AddVisit({.id = 102, .point = 8, .notes = "Lamp out"});
  AddVisit({.id = 103, .point = 9, .notes = "   "});

  ASSERT_TRUE(Run());

  EXPECT_EQ(LogCount("Loading Logbook records from source..."), 1);
  EXPECT_EQ(LogCount("Loaded Logbook 3 record(s) from source."), 1);  // the blank note is read, not written
  EXPECT_THAT(Notes(), ElementsAre("1|2024-03-05|Fence open|jdoe", "1|2024-03-05|Lamp out|jdoe"));
}

TEST_F(LogbookNotesTest, AnswerQuestionWithoutLogbookSendsItsNoteToTheDefaultLogbook) {
  AddVariable(*plant, 43, "P", 0);
  AddQuestion(2, 7, 43);  // no logbook of its own (Null)
  AddVisit({.id = 101, .point = 2, .answers = {{7, "5"}}, .notes = "Oil low"});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant), ElementsAre("43|5|5"));
  EXPECT_THAT(Notes(), ElementsAre("1|2024-03-05|Oil low|jdoe"));
  EXPECT_TRUE(LogHas("Session Statistics :"));
}

// Notes without a usable date are reported and passed over; a note without a time is written
// at the start of its day; a note Krym refuses for the data itself is passed over too.
TEST_F(LogbookNotesTest, NotesWithoutADateOrThatKrymRefusesArePassedOver) {
  ServiceMode();
  plant->Exec("ALTER TABLE logbookentries ADD CONSTRAINT short_notes CHECK (length(comment) < 40)");
  AddQuestion(9, 1, 0, 1);
  AddVisit({.id = 101, .point = 9, .date = "", .notes = "No date"});
  AddVisit({.id = 102, .point = 9, .time = "", .notes = "No time"});
  AddVisit({.id = 103, .point = 9, .notes = std::string(60, 'x')});
  AddVisit({.id = 104, .point = 1, .date = "", .answers = {{5, "1"}}, .notes = "Answer without date"});
  AddVisit({.id = 105, .point = 9, .time = "17:45:00", .notes = "Fine"});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Rows(*plant, "select comment, to_char(timestamp, 'HH24:MI') from logbookentries order by id"),
              ElementsAre("No time|00:00", "Fine|17:45"));
  const std::string where = " for the logbook of facility 'Plant One' (" + plant->Name() + "): ";
  EXPECT_TRUE(LogHas("Rejected the note of transaction 101" + where + "it has no date (Trans_Date is Null)."));
  EXPECT_TRUE(LogHas("Rejected the note of transaction 104" + where + "it has no date (Trans_Date is Null)."));
  EXPECT_TRUE(LogHas("Rejected the note of transaction 103" + where + "Vorn Krym refused it ("));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 105);
}

// A note that cannot be written for a reason that may heal holds the id below it, and the
// next run writes it.
TEST_F(LogbookNotesTest, NoteThatCannotBeWrittenNowWaitsForTheNextRun) {
  ServiceMode();
  plant->Exec(
      "CREATE FUNCTION busy() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
      "IF NEW.comment = 'Later' THEN RAISE EXCEPTION 'server busy' USING ERRCODE = '57014'; END IF; "
      "RETURN NEW; END $$;"
      "CREATE TRIGGER busy BEFORE INSERT ON logbookentries FOR EACH ROW EXECUTE FUNCTION busy()");
  AddQuestion(9, 1, 0, 1);
  AddVisit({.id = 101, .point = 9, .notes = "First"});
  AddVisit({.id = 102, .point = 9, .notes = "Later"});
  AddVisit({.id = 103, .point = 9, .notes = "Last"});

  ASSERT_TRUE(Run());

  EXPECT_EQ(LogCount("Error returned from WriteToLogbook. 371"), 1);
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 0);  // the facility failed, so nothing is saved

  plant->Exec("DROP TRIGGER busy ON logbookentries");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Rows(*plant, "select comment from logbookentries order by comment"),
              ElementsAre("First", "Last", "Later"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 103);
}

TEST_F(LogbookNotesTest, DefaultLogbookThatIsNoNumberHoldsTheNotesAndNamesTheSetting) {
  ServiceMode();
  Set("K30418\\LogbookId", "main");
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}}, .notes = "Seal leaks"});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1"));  // the values go on
  EXPECT_TRUE(Notes().empty());
  EXPECT_EQ(LogCount("Type mismatch: the setting K30418\\LOGBOOKID holds 'main': operator notes are not written, "
                     "and the last imported id is held until the setting is corrected."),
            1);
  EXPECT_TRUE(LogHas("Session Statistics :"));
  EXPECT_EQ(SavedId(), 0);
}

// Each facility has its own logbook: a transaction whose note the first facility wrote is
// written into the second facility's logbook too.
TEST_F(LogbookNotesTest, EachFacilityWritesTheNoteOfTheSameTransaction) {
  auto& other = AddFacility("Plant Two");
  AddVariable(other, 42, "H", 1);
  AddVisit({.id = 101, .point = 1, .answers = {{5, "1"}}, .notes = "Valve stuck"});

  ASSERT_TRUE(Run());

  EXPECT_EQ(Notes().size(), 1u);
  EXPECT_EQ(Rows(other, "select comment from logbookentries"), std::vector<std::string>{"Valve stuck"});
}

// The facility connection is ended by the server after the values were written: the note write
// meets the lost link, opens the connection again through the target cycle and is written.
TEST_F(LogbookNotesTest, NoteWriteOnALostLinkReopensTheConnection) {
  ServiceMode();
  AddQuestion(9, 1, 0, 1);
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}}});
  AddVisit({.id = 102, .point = 9, .notes = "Fence open"});
  // Events run in every read: the second is the log notes' (after variable 42's).
  pump.onRun = [this](int run) {
    if (run == 2) DropConnections(plant->Name());
  };

  ASSERT_TRUE(Run());

  EXPECT_THAT(Notes(), ElementsAre("1|2024-03-05|Fence open|jdoe"));
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 1);
  EXPECT_EQ(waits.size(), 1u);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 102);
}

// A note Krym refuses while the link stands is tried once more and rejected with one line; a
// note without a date met by three variables of its point is reported once.
TEST_F(LogbookNotesTest, RefusedOrUndatedNoteIsRejectedWithOneLine) {
  ServiceMode();
  AddVariable(*plant, 43, "P", 0);
  AddVariable(*plant, 44, "P", 0);
  AddQuestion(1, 7, 43, 2);
  AddQuestion(1, 8, 44, 2);
  AddQuestion(9, 1, 0, 1);
  RaiseOn(*plant, "logbookentries", "NEW.comment = 'Refused'", "P0001");
  AddVisit({.id = 101, .point = 1, .date = "", .answers = {{5, "1"}, {7, "2"}, {8, "3"}}, .notes = "Undated"});
  AddVisit({.id = 102, .point = 9, .notes = "Refused"});
  AddVisit({.id = 103, .point = 9, .notes = "Fine"});
  // Between the undated note and its reading by the next variable, another note.
  AddVisit({.id = 104, .point = 1, .answers = {{5, "4"}}, .notes = "Dated"});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Notes(), ElementsAre("2|2024-03-05|Dated|jdoe", "1|2024-03-05|Fine|jdoe"));
  const std::string where = " for the logbook of facility 'Plant One' (" + plant->Name() + "): ";
  EXPECT_EQ(LogCount("Rejected the note of transaction 101" + where +
                     "it has no date (Trans_Date is Null). It is not imported; the import goes on."),
            1);
  EXPECT_EQ(LinesWith("Rejected the note of transaction 102" + where + "Vorn Krym refused it (P0001: "), 1);
  EXPECT_EQ(Calls(*plant, "logbookentries"), 4);  // "Dated" once (then found), "Refused" twice, "Fine" once
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_EQ(SavedId(), 104);
}

// A note already in the logbook adds nothing: its skip is no write through the table, so the
// same refusal for the notes around it is still three in a row, and they are held.
TEST_F(LogbookNotesTest, DuplicateSkipDoesNotBreakTheNotesStreak) {
  ServiceMode();
  AddQuestion(9, 1, 0, 1);
  WriteIdFile("LASTIDIMPORTED=100\r\n");
  plant->Exec("INSERT INTO logbookentries (comment, datestamp, lbid) VALUES ('Old', '2024-03-05', 1)");
  RaiseOn(*plant, "logbookentries", "NEW.comment <> 'Old'", "P0001");
  AddVisit({.id = 101, .point = 9, .notes = "A"});
  AddVisit({.id = 102, .point = 9, .notes = "Old"});
  AddVisit({.id = 103, .point = 9, .notes = "B"});
  AddVisit({.id = 104, .point = 9, .notes = "C"});

  ASSERT_TRUE(Run());

  EXPECT_EQ(LogCount("Comment Already Exists! Skipping it's import."), 1);
  EXPECT_EQ(LinesWith("Vorn Krym of facility 'Plant One' (" + plant->Name() +
                      ") refused the writes of 3 notes alike in a row through logbookentries (P0001: "),
            1);
  EXPECT_EQ(LinesWith("Rejected the note"), 0);
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);
}

}  // namespace
}  // namespace enginetest
