// Operator notes on their way to the facility logbook: the switch that turns them on, notes of
// answer records (once per transaction) and of points without a variable, blank answers, and
// the logbook a note lands in.
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

}  // namespace
}  // namespace enginetest
