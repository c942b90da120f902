// Answers that can never be written as they stand (not interpretable, no usable date or time,
// refused by Krym on a standing link) are reported once, passed over and counted as handled:
// the variable goes on, the last id passes them and the next run does not meet them again.
// Failures that may heal (a Krym that keeps failing a write, a missing procedure) hold the id
// instead. A refusal of the value's on a standing link is tried once more at once (that heals a
// race with another writer) and then rejected alone, while the facility's other values go on;
// Krym's structure refusing a procedure holds its writes at once; a variable whose symbols did
// not load waits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "EngineFixture.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RejectedAnswersTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    ServiceMode();
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    plant = &AddPlantWithTwoVariables();  // 42 hourly (1 decimal, question 5), 43 daily (question 6)
  }

  std::string Rejection(std::int32_t id, const std::string& answer, std::int32_t varid) const {
    return "Rejected the answer '" + answer + "' of transaction " + std::to_string(id) + " for VarId " +
           std::to_string(varid) + " of facility 'Plant One' (" + plant->Name() + "): ";
  }

  std::string Where() const { return "facility 'Plant One' (" + plant->Name() + ")"; }

  // Variable 41 of the type given (question 7, walked before the others) answers badAnswer in
  // five transactions, beside daily variables 43 and 45 (question 8), which are written.
  void ExpectOneVariablesBadValuesRejectedAlone(const std::string& type, const std::string& badAnswer,
                                                const std::string& code) {
    AddVariable(*plant, 41, type, 0);
    AddQuestion(1, 7, 41);
    AddVariable(*plant, 45, "P", 0);
    AddQuestion(1, 8, 45);
    for (int i = 1; i <= 5; ++i)
      AddVisit({.id = 100 + i,
                .point = 1,
                .date = "2024-03-0" + std::to_string(i),
                .answers = {{7, badAnswer}, {6, std::to_string(i)}, {8, std::to_string(10 * i)}}});

    ASSERT_TRUE(Run());

    EXPECT_THAT(Values(*plant), ElementsAre("43|1|1", "43|2|2", "43|3|3", "43|4|4", "43|5|5", "45|10|10", "45|20|20",
                                            "45|30|30", "45|40|40", "45|50|50"));
    const std::vector<std::string> rejected =
        LinesStartingWith("Rejected the answer '" + badAnswer + "' of transaction ");
    ASSERT_EQ(rejected.size(), 5u);
    for (const std::string& line : rejected) EXPECT_THAT(line, HasSubstr("Vorn Krym refused it (" + code + ": "));
    EXPECT_EQ(LinesWith("alike in a row"), 0);
    EXPECT_EQ(LinesWith("Vorn Krym of facility"), 0);
    EXPECT_TRUE(engine->RunFailed());
    EXPECT_EQ(SavedId(), 105);  // the rejected answers are passed
  }

  testsupport::KrymFixture* plant = nullptr;
};

// A text of a list-limited variable that is not in its list has no number of its own: stored
// with the first entry's, it would read as that entry. It is rejected like any answer that
// cannot be read, and the variable goes on.
TEST_F(RejectedAnswersTest, UnlistedTextOfAListLimitedVariableIsRejected) {
  plant->Exec(
      "INSERT INTO vardesc (varid, varnum, name, vartype, units, decplaces, source_cnn_approval, "
      "g2_interface_id, g2_enabled, limit_to_list, list) VALUES (44, 1044, 'Var 44', 'T', '', 0, 1, " +
      std::to_string(kCollector) + ", -1, -1, E'LOW\\tOK\\tHIGH')");
  AddQuestion(1, 7, 44);
  AddVisit({.id = 101, .point = 1, .answers = {{7, "high"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-03-06", .answers = {{7, "MEDIUM"}}});
  AddVisit({.id = 103, .point = 1, .date = "2024-03-07", .answers = {{7, "LOW"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant), ElementsAre("44|3|high", "44|1|LOW"));
  const std::vector<std::string> lines = LinesStartingWith(Rejection(102, "MEDIUM", 44));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("): it is not one of the texts the variable's list allows. It is not imported"));
  EXPECT_EQ(LinesWith("Rejected the answer"), 1);
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 103);
}

TEST_F(RejectedAnswersTest, BadRowsAreReportedOncePassedAndNotMetAgain) {
  struct Bad {
    Visit visit;
    std::string answer;
    std::string reason;  // the start of the reason the line gives
  };
  const std::vector<Bad> bad = {
      {{.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "n/a"}}}, "n/a", "it is not a number"},
      // A decimal comma is not a group separator: 7,5 must never become 75.
      {{.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "7,5"}}}, "7,5", "it is not a number"},
      {{.id = 104, .point = 1, .date = "", .answers = {{5, "2"}}}, "2", "it has no date (Trans_Date is Null)"},
      {{.id = 105, .point = 1, .time = "", .answers = {{5, "3"}}}, "3", "it has no time (Trans_Time is Null)"},
      {{.id = 106, .point = 1, .date = "0001-01-01", .answers = {{5, "4"}}}, "4", "its date or time cannot be read"},
  };
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  for (const Bad& b : bad) AddVisit(b.visit);
  AddVisit({.id = 107, .point = 1, .time = "16:00:00", .answers = {{5, "1,234.5"}, {6, "9"}}});

  ASSERT_TRUE(Run());

  // The good answers around the bad ones are written, the decimal comma nowhere.
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|1234.5|1234.5"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|9|9"));
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.answer);
    const std::vector<std::string> lines = LinesStartingWith(Rejection(b.visit.id, b.answer, 42));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("): " + b.reason));
    EXPECT_THAT(lines[0], HasSubstr("It is not imported; the import goes on."));
  }
  EXPECT_THAT(LinesStartingWith(Rejection(103, "7,5", 42))[0], HasSubstr("a comma only separates thousands"));
  // The box once for the variable, its status line for every rejected answer.
  EXPECT_EQ(LogCount("PROMPT= Error occured in WriteToVornKrym for VarId 42"), 1);
  EXPECT_EQ(LogCount("Error occured in WriteToVornKrym for VarId 42"), 5);
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(engine->RunFailed());
  // Rejected answers count as handled: the id passes them.
  EXPECT_EQ(SavedId(), 107);
  EXPECT_EQ(LogCount("NTService = True SaveLastTransIdImported = True"), 1);

  // The next run has nothing new: it writes nothing and reports nothing again.
  const std::size_t linesBefore = LogLines().size();
  ASSERT_TRUE(Run());
  const std::vector<std::string> all = LogLines();
  const std::vector<std::string> second(all.begin() + static_cast<std::ptrdiff_t>(linesBefore), all.end());
  for (const std::string& l : second) {
    EXPECT_THAT(l, ::testing::Not(HasSubstr("Rejected")));
    EXPECT_THAT(l, ::testing::Not(HasSubstr("Error occured")));
    EXPECT_THAT(l, ::testing::Not(HasSubstr("Wrote Data")));
  }
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 107);
}

TEST_F(RejectedAnswersTest, ValueKrymRefusesIsRejectedAfterOneRetry) {
  // A Krym that refuses the value itself (here: a check on the value column).
  plant->Exec("ALTER TABLE dataddh ADD CONSTRAINT below_thousand CHECK (curvalue < 1000)");
  Set("TARGET\\RECOVERY\\ATTEMPTS", "3");
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "5000"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "5"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|5|5"));
  const std::vector<std::string> lines = LinesStartingWith(Rejection(101, "5000", 42));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("Vorn Krym refused it (23514: "));
  EXPECT_THAT(lines[0], HasSubstr("below_thousand"));
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(RejectedAnswersTest, SymbolRuleThatOverflowsTheValueIsRejected) {
  root.Exec("INSERT INTO symbols (symbol, allownumeric) VALUES ('<', 1)");
  plant->Exec("UPDATE vardesc SET allowsymbol = 1, symbolrule1 = 6 WHERE varid = 42");  // twice the number
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "<1e308"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "<5"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|10|<5"));
  const std::vector<std::string> lines = LinesStartingWith(Rejection(101, "<1e308", 42));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("its value is beyond what Vorn Krym can hold"));
  EXPECT_EQ(SavedId(), 102);
}

TEST_F(RejectedAnswersTest, KrymThatKeepsFailingHoldsTheIdAndSparesItsOtherValuesTheCycle) {
  // A statement cancelled by the server (as a statement timeout is) says nothing about the
  // value: it may heal, so the write goes through the recovery cycle and is held.
  plant->Exec(
      "CREATE FUNCTION busy() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
      "RAISE EXCEPTION 'server busy' USING ERRCODE = '57014'; END $$;"
      "CREATE TRIGGER busy BEFORE INSERT ON dataddh FOR EACH ROW EXECUTE FUNCTION busy()");
  auto& other = AddFacility("Plant Two");
  AddVariable(other, 42, "H", 1);
  Set("TARGET\\RECOVERY\\ATTEMPTS", "2");
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "1"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}, {6, "2"}}});

  ASSERT_TRUE(Run());

  // One cycle for the facility, not one for each of its values; the other facility is written.
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 2);
  EXPECT_EQ(LogCount("Unable to connect to Vorn Krym."), 1);
  EXPECT_EQ(LogCount("Vorn Krym of facility 'Plant One' (" + plant->Name() +
                     ") could not be written after every recovery attempt: its remaining values and notes wait for "
                     "the next run, and the last imported id is held."),
            1);
  EXPECT_TRUE(Values(*plant).empty());  // variable 43 waits too
  EXPECT_THAT(Values(other, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);

  plant->Exec("DROP TRIGGER busy ON dataddh");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|2|2"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 102);
}

// One hourly slot holds a row whose value is Null, so its seek cannot be read; the daily
// procedure raises an error for one value. Each such value is tried twice and rejected alone.
TEST_F(RejectedAnswersTest, ValueThatFailsOnAStandingLinkIsRejectedAloneAfterOneRetry) {
  plant->Exec("INSERT INTO dataddh (varid, datestamp, curvalue, textvalue) VALUES (42, '2024-03-06 09:00', NULL, 'x')");
  RaiseOn(*plant, "datatbl", "NEW.curvalue = 13", "P0001");
  AddVisit({.id = 101, .point = 1, .date = "2024-03-05", .time = "09:10:00", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-03-06", .time = "09:10:00", .answers = {{5, "2"}, {6, "13"}}});
  AddVisit({.id = 103, .point = 1, .date = "2024-03-07", .time = "09:10:00", .answers = {{5, "3"}, {6, "30"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42||x", "42|3|3"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10", "43|30|30"));
  const std::vector<std::string> seek = LinesStartingWith(Rejection(102, "2", 42));
  ASSERT_EQ(seek.size(), 1u);
  EXPECT_THAT(seek[0], HasSubstr("): Vorn Krym refused it (94: Invalid use of Null). It is not imported"));
  const std::vector<std::string> raised = LinesStartingWith(Rejection(102, "13", 43));
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_THAT(raised[0], HasSubstr("): Vorn Krym refused it (P0001: "));
  EXPECT_THAT(raised[0], HasSubstr("refused by the test"));
  EXPECT_EQ(Calls(*plant, "datatbl"), 4);  // 10, 13 twice, 30
  // Neither is a connection failure: no cycle, no wait.
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 103);
}

// Another writer stores the slot's row between the seek and the write once (a unique-key
// race): the second try finds the row and writes over it.
TEST_F(RejectedAnswersTest, UniqueKeyRaceIsHealedByTheRetry) {
  RaiseOn(*plant, "dataddh", "nextval('dataddh_calls') = 2", "23505");
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1"));
  EXPECT_EQ(Calls(*plant, "dataddh"), 4);  // each call counts twice: the first raised, the retry wrote
  EXPECT_EQ(LinesWith("Rejected"), 0);
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 101);
}

// Refusals of several variables that a write through the same procedure interrupts stay the
// values' own. Walk: 43 and 44 refused, 45 written, 46 and 47 refused.
TEST_F(RejectedAnswersTest, RefusalsBrokenByAWriteStayRejections) {
  RaiseOn(*plant, "datatbl", "NEW.curvalue = 13", "P0001");
  for (int varid = 44; varid <= 47; ++varid) {
    AddVariable(*plant, varid, "P", 0);
    AddQuestion(1, varid - 37, varid);  // questions 7 to 10
  }
  AddVisit({.id = 101, .point = 1, .answers = {{6, "13"}, {7, "13"}, {8, "5"}, {9, "13"}, {10, "13"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant), ElementsAre("45|5|5"));
  EXPECT_EQ(LinesWith("Rejected the answer '13'"), 4);
  EXPECT_EQ(LinesWith("alike in a row through"), 0);
  EXPECT_EQ(SavedId(), 101);
}

// The symbol read of variable 44 ends its backend (as a server or an administrator ending the
// session does): its answers wait, with one line, instead of being read without symbols.
TEST_F(RejectedAnswersTest, VariableWhoseSymbolsDidNotLoadWaits) {
  root.Exec("INSERT INTO symbols (symbol, allownumeric) VALUES ('<', 1)");
  AddVariable(*plant, 44, "H", 1);  // walked last
  plant->Exec("UPDATE vardesc SET allowsymbol = 1, symbolrule1 = 0 WHERE varid = 44");
  AddQuestion(1, 7, 44);
  // Only a query that reads symbolrule1 calls the function; the others never see it.
  plant->Exec(
      "ALTER TABLE vardesc RENAME TO vardesc_rows;"
      "ALTER TABLE vardesc_rows RENAME COLUMN symbolrule1 TO symbolrule1_stored;"
      "CREATE FUNCTION ended_here(r smallint) RETURNS smallint LANGUAGE plpgsql STABLE AS $$ BEGIN "
      "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN r; END $$;"
      "CREATE VIEW vardesc AS SELECT *, ended_here(symbolrule1_stored) AS symbolrule1 FROM vardesc_rows");
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}, {7, "<5"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:10:00", .answers = {{5, "2"}, {7, "6"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_EQ(LogCount("VarId 44 of facility 'Plant One' (" + plant->Name() +
                     ") could not load its symbols: its answers are not imported, and the last imported id is held."),
            1);
  EXPECT_EQ(LinesWith("Rejected"), 0);
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);

  plant->Exec(
      "DROP VIEW vardesc; ALTER TABLE vardesc_rows RENAME COLUMN symbolrule1_stored TO symbolrule1;"
      "ALTER TABLE vardesc_rows RENAME TO vardesc");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "44|5|<5", "44|6|6"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 102);
}

// Whose fault a failed write is decides what it does, by its code, not by how many values met it.
TEST_F(RejectedAnswersTest, OverLongTextsOfOneVariableAreRejectedAndTheOthersWritten) {
  plant->Exec("ALTER TABLE datatbl ALTER COLUMN textvalue TYPE varchar(8)");
  ExpectOneVariablesBadValuesRejectedAlone("T", "a text too long for the column", "22001");
}

TEST_F(RejectedAnswersTest, ValuesOfOneVariableACheckRefusesAreRejectedAndTheOthersWritten) {
  plant->Exec("ALTER TABLE datatbl ADD CONSTRAINT below_thousand CHECK (varid <> 41 OR curvalue < 1000)");
  ExpectOneVariablesBadValuesRejectedAlone("P", "5000", "23514");
}

// A refusal whose code is not known to be the value's is given up only when a write through the
// same procedure proves that the procedure works, here the other variables' later ones.
TEST_F(RejectedAnswersTest, UnknownRefusalsOfOneVariableBesideWritesThroughTheProcedureAreRejected) {
  RaiseOn(*plant, "datatbl", "NEW.varid = 41", "P0001");
  ExpectOneVariablesBadValuesRejectedAlone("P", "5000", "P0001");
}

// Without such a write the refusal may be Krym's: a new NOT NULL column that its procedure does
// not fill refuses the one daily variable's value. It is held, one line, and written once the
// column is gone.
TEST_F(RejectedAnswersTest, UnknownRefusalWithoutAWriteThroughItsProcedureIsHeld) {
  plant->Exec("ALTER TABLE datatbl ADD COLUMN site varchar(8) NOT NULL");
  AddVisit({.id = 101, .point = 1, .answers = {{6, "10"}}});

  ASSERT_TRUE(Run());

  EXPECT_TRUE(Values(*plant).empty());
  const std::vector<std::string> held =
      LinesStartingWith("Vorn Krym of " + Where() + " refused 1 write(s) through writedtbl (23502: ");
  ASSERT_EQ(held.size(), 1u);
  EXPECT_THAT(held[0], HasSubstr(") and took none through it in this run: the fault may be Vorn Krym's, not the "
                                 "data's. They are held: they wait for the next run, and the last imported id is "
                                 "held below them."));
  EXPECT_EQ(LinesWith("Rejected"), 0);
  EXPECT_EQ(LinesWith("It is not imported"), 0);
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);

  plant->Exec("ALTER TABLE datatbl DROP COLUMN site");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 101);
}

// A trigger's refusal whose words speak of a lost connection has a code of its own: it is the
// value's, not a lost link that would hold the facility.
TEST_F(RejectedAnswersTest, RefusalThatSpeaksOfALostConnectionIsRejected) {
  plant->Exec(
      "CREATE FUNCTION pump() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.curvalue = 13 THEN "
      "RAISE EXCEPTION 'pump refused (sensor lost connection?)' USING ERRCODE = 'P0001'; END IF; RETURN NEW; END $$;"
      "CREATE TRIGGER pump BEFORE INSERT ON datatbl FOR EACH ROW EXECUTE FUNCTION pump()");
  AddVisit({.id = 101, .point = 1, .date = "2024-03-05", .answers = {{6, "13"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-03-06", .answers = {{6, "10"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  const std::vector<std::string> lines = LinesStartingWith(Rejection(101, "13", 43));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("Vorn Krym refused it (P0001: "));
  EXPECT_THAT(lines[0], HasSubstr("sensor lost connection?"));
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(LinesWith("could not be written after every recovery attempt"), 0);
  EXPECT_EQ(SavedId(), 102);
}

// A procedure missing from Krym can never take a value: even a single one is held at once, as
// are all the others, with one line, while the facility's other procedures go on; the next run,
// with the procedure back, writes them.
TEST_F(RejectedAnswersTest, DroppedProcedureHoldsInsteadOfRejecting) {
  for (const int values : {1, 7}) {
    SCOPED_TRACE(values);
    plant->Exec("DELETE FROM dataddh; DELETE FROM datatbl; ALTER FUNCTION writeddh RENAME TO writeddh_away");
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    for (int i = values == 1 ? 0 : 1; i < values; ++i)
      AddVisit({.id = 101 + i,
                .point = 1,
                .date = "2024-03-0" + std::to_string(i + 1),
                .time = "08:10:00",
                .answers = {{5, std::to_string(i + 1)}, {6, std::to_string(10 * (i + 1))}}});
    const std::size_t linesBefore = LogLines().size();

    ASSERT_TRUE(Run());

    EXPECT_TRUE(Values(*plant, "dataddh").empty());
    EXPECT_EQ(Values(*plant).size(), static_cast<std::size_t>(values));  // the daily values go on
    const std::vector<std::string> all = LogLines();
    const std::vector<std::string> lines(all.begin() + static_cast<std::ptrdiff_t>(linesBefore), all.end());
    const std::string start = "Vorn Krym of " + Where() + " refuses writes through WRITEDDH (42883: ";
    std::vector<std::string> held;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(held),
                 [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    ASSERT_EQ(held.size(), 1u);
    EXPECT_THAT(held[0], HasSubstr("writeddh"));
    EXPECT_THAT(held[0], HasSubstr("): an object of Vorn Krym is missing or forbidden. This and the facility's "
                                   "remaining writes through WRITEDDH wait for the next run, and the last imported "
                                   "id is held."));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("Rejected") != std::string::npos; }),
              0);
    EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 0);
    EXPECT_TRUE(engine->RunFailed());
    EXPECT_EQ(SavedId(), 100);

    plant->Exec("ALTER FUNCTION writeddh_away RENAME TO writeddh");
    ASSERT_TRUE(Run());

    EXPECT_EQ(Values(*plant, "dataddh").size(), static_cast<std::size_t>(values));
    EXPECT_FALSE(engine->RunFailed());
    EXPECT_EQ(SavedId(), 100 + values);
  }
}

// The same refusal for values of three variables in a row, with no write through the procedure
// between them, is Krym's: those values and the procedure's remaining writes wait. A value the
// lock date skips writes nothing, so it does not break the streak. Walk: 43 refused, 44 skipped,
// 45 and 46 refused (the third variable), 47 waits.
TEST_F(RejectedAnswersTest, SameRefusalForThreeVariablesHoldsThem) {
  struct Case {
    const char* name;
    std::string fault, mend;
    std::string procedure, code;
  };
  const std::vector<Case> cases = {
      {"a new NOT NULL column", "ALTER TABLE datatbl ADD COLUMN site varchar(8) NOT NULL",
       "ALTER TABLE datatbl DROP COLUMN site", "writedtbl", "23502"},
      // The stored rows' values are Null, which a seek cannot hand over.
      {"stored rows that cannot be read",
       "INSERT INTO datatbl (varid, datestamp, curvalue, textvalue) VALUES (43, '2024-03-05', NULL, 'x'), "
       "(45, '2024-03-05', NULL, 'x'), (46, '2024-03-05', NULL, 'x')",
       "DELETE FROM datatbl", "seekddatevarid", "94"},
  };
  for (int varid = 44; varid <= 47; ++varid) {
    AddVariable(*plant, varid, "P", 0);
    AddQuestion(1, varid - 37, varid);  // questions 7 to 10
  }
  SetLockDate(*plant, "03/01/2024 00:00:00");
  AddVisit({.id = 101, .point = 1, .date = "2024-03-05", .answers = {{6, "3"}, {8, "5"}, {9, "6"}, {10, "7"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-02-20", .answers = {{7, "4"}}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    plant->Exec(c.fault);
    const std::size_t linesBefore = LogLines().size();

    ASSERT_TRUE(Run());

    const std::vector<std::string> all = LogLines();
    const std::vector<std::string> lines(all.begin() + static_cast<std::ptrdiff_t>(linesBefore), all.end());
    auto count = [&](const std::string& start) {
      return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(count("Vorn Krym of " + Where() + " refused the writes of 3 variables alike in a row through " +
                    c.procedure + " (" + c.code + ": "),
              1);
    // 43's and 45's refusals waited in the streak: held with it, they are never called rejected.
    EXPECT_EQ(count("Rejected the answer"), 0);
    EXPECT_EQ(engine->Statistics().SkippedWrites(), 1);
    EXPECT_EQ(Rows(*plant, "select count(*) from datatbl where curvalue is not null"), std::vector<std::string>{"0"});
    EXPECT_TRUE(engine->RunFailed());
    EXPECT_EQ(SavedId(), 100);

    plant->Exec(c.mend);
    ASSERT_TRUE(Run());

    EXPECT_THAT(Values(*plant), ElementsAre("43|3|3", "45|5|5", "46|6|6", "47|7|7"));
    EXPECT_FALSE(engine->RunFailed());
    EXPECT_EQ(SavedId(), 102);
    plant->Exec("DELETE FROM datatbl");
  }
}

// A deadlock says nothing about the value: the write goes through the recovery cycle until it
// gets through.
TEST_F(RejectedAnswersTest, DeadlockTwiceThenSuccessIsWrittenThroughTheCycle) {
  RaiseOn(*plant, "dataddh", "currval('dataddh_calls') <= 2", "40P01");
  Set("TARGET\\RECOVERY\\ATTEMPTS", "3");
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1"));
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 2);
  EXPECT_EQ(waits.size(), 2u);
  EXPECT_EQ(LinesWith("Rejected"), 0);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 101);
}

// A Krym that has become a read-only standby (a fail-over) refuses every write: that may heal, so
// it goes through the recovery cycle, and when the cycle runs out the facility's values wait.
TEST_F(RejectedAnswersTest, ReadOnlyTransactionRefusalHoldsAfterTheCycle) {
  RaiseOn(*plant, "dataddh", "true", "25006");
  Set("TARGET\\RECOVERY\\ATTEMPTS", "2");
  AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}, {6, "10"}}});

  ASSERT_TRUE(Run());

  EXPECT_TRUE(Values(*plant, "dataddh").empty());
  EXPECT_TRUE(Values(*plant).empty());  // the daily value waits with the facility
  EXPECT_EQ(engine->Statistics().TargetConnectionFailures(), 2);
  EXPECT_EQ(LogCount("Unable to connect to Vorn Krym."), 1);
  EXPECT_EQ(LogCount("Vorn Krym of " + Where() +
                     " could not be written after every recovery attempt: its remaining values and notes wait for "
                     "the next run, and the last imported id is held."),
            1);
  EXPECT_EQ(LinesWith("Rejected"), 0);
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);

  plant->Exec("DROP TRIGGER raise ON dataddh");
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 101);
}

}  // namespace
}  // namespace enginetest
