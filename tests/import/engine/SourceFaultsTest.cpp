// What DeraRed itself can get wrong for one row or one variable: a date or time the driver
// cannot read, a daily answer without its time, a text the server cannot hand over, a read that
// fails while DeraRed is there, a transaction committed late. None of them may land a value in
// another slot than its own, be lost, or stop the other rows and variables; what may heal holds
// the last id.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "EngineFixture.h"
#include "import/engine/ImportWatermark.h"
#include "platform/db/Connection.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SourceFaultsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    if (Ascii()) UseAsciiDeraRed();
    if (HasFatalFailure()) return;
    ServiceMode();
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    plant = &AddPlantWithTwoVariables();  // 42 hourly (1 decimal, question 5), 43 daily (question 6)
  }

  // "varid|slot|value" of a value table, in slot order.
  std::vector<std::string> Slots(const std::string& table) {
    return Rows(*plant, "select varid, to_char(datestamp, 'YYYY-MM-DD HH24:MI'), curvalue from " + table +
                            " order by varid, datestamp");
  }
  virtual bool Ascii() const { return false; }
  std::string Rejection(std::int32_t id, const std::string& answer, std::int32_t varid) const {
    return "Rejected the answer '" + answer + "' of transaction " + std::to_string(id) + " for VarId " +
           std::to_string(varid) + " of facility 'Plant One' (" + plant->Name() + "): ";
  }

  testsupport::KrymFixture* plant = nullptr;
};

// psqlODBC gives today's date, with success, for a year it cannot read: such a row must be
// rejected with its transaction id, never written into today's slot.
TEST_F(SourceFaultsTest, DateOrTimeTheDriverCannotReadIsRejectedNotTakenForToday) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}, {6, "20"}}});
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}, {6, "30"}}});
  AddVisit({.id = 104, .point = 1, .time = "11:00:00", .answers = {{5, "4"}}});
  deraRed.Exec("UPDATE tbl_transaction_pda SET trans_date = '10000-01-01' WHERE id = 102");
  deraRed.Exec("UPDATE tbl_transaction_pda SET trans_time = '10000-01-01' WHERE id = 103");

  ASSERT_TRUE(Run());

  EXPECT_THAT(Slots("dataddh"), ElementsAre("42|2024-03-05 08:00|1", "42|2024-03-05 11:00|4"));
  EXPECT_THAT(Slots("datatbl"), ElementsAre("43|2024-03-05 00:00|10"));
  for (const auto& [id, answer, varid] : std::vector<std::tuple<int, std::string, int>>{
           {102, "2", 42}, {102, "20", 43}, {103, "3", 42}, {103, "30", 43}}) {
    SCOPED_TRACE(std::to_string(id) + " " + answer);
    const std::vector<std::string> lines = LinesStartingWith(Rejection(id, answer, varid));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("its date or time cannot be read"));
  }
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 104);  // rejected rows are handled
}

// A daily answer without its time belongs to its day; an hourly one has no slot without it, and
// a time that is there but cannot be read is rejected for either.
TEST_F(SourceFaultsTest, DailyAnswerWithoutATimeIsWrittenIntoItsDay) {
  AddVisit({.id = 101, .point = 1, .date = "2024-03-04", .time = "", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-03-06", .time = "23:30:00", .answers = {{6, "20"}}});
  AddVisit({.id = 103, .point = 1, .date = "2024-03-08", .answers = {{6, "30"}}});
  deraRed.Exec("UPDATE tbl_transaction_pda SET trans_time = '10000-01-01' WHERE id = 103");

  ASSERT_TRUE(Run());

  // The visit late in the evening still counts for the next day, as with every daily answer.
  EXPECT_THAT(Slots("datatbl"), ElementsAre("43|2024-03-04 00:00|10", "43|2024-03-07 00:00|20"));
  EXPECT_TRUE(Slots("dataddh").empty());
  ASSERT_EQ(LinesStartingWith(Rejection(101, "1", 42)).size(), 1u);
  EXPECT_THAT(LinesStartingWith(Rejection(101, "1", 42))[0], HasSubstr("it has no time (Trans_Time is Null)"));
  EXPECT_TRUE(LinesStartingWith(Rejection(101, "10", 43)).empty());
  ASSERT_EQ(LinesStartingWith(Rejection(103, "30", 43)).size(), 1u);
  EXPECT_THAT(LinesStartingWith(Rejection(103, "30", 43))[0], HasSubstr("its date or time cannot be read"));
  EXPECT_EQ(SavedId(), 103);
}

class AsciiSourceTest : public SourceFaultsTest {
 protected:
  bool Ascii() const override { return true; }
};

// Bytes that are no UTF-8 in a SQL_ASCII DeraRed make the server refuse the whole result of
// every read that meets their row (SQLSTATE 22021). The link is fine: the reader finds the row
// by reading the range in parts, the row is rejected for each variable that reads it, and every
// other row and variable is imported.
TEST_F(AsciiSourceTest, RowDeraRedCannotHandOverIsRejectedAndTheRestImported) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}}});
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
  AddVisit({.id = 104, .point = 1, .date = "2024-03-06", .answers = {{6, "40"}}});
  AddVisit({.id = 105, .point = 1, .time = "12:00:00", .answers = {{5, "5"}}});
  // The notes of a point without a variable are read alike.
  Set("K30418\\AddNotesToLogbook", "TRUE");
  Set("K30418\\LogbookId", "1");
  AddQuestion(9, 1, 0, 1);
  AddVisit({.id = 106, .point = 9, .notes = "Gate open"});
  AddVisit({.id = 107, .point = 9, .notes = "bad"});
  DeraRedExec("UPDATE tbl_transaction_pda SET answer1 = E'caf\\xe9' WHERE id = 102");
  DeraRedExec("UPDATE tbl_transaction_pda SET notes = E'Pumpe \\xfc' WHERE id IN (104, 107)");

  ASSERT_TRUE(Run());

  EXPECT_THAT(Rows(*plant, "select comment from logbookentries"), ElementsAre("Gate open"));
  EXPECT_EQ(LinesStartingWith("Rejected the note of transaction 107 for the logbook of facility 'Plant One' (" +
                              plant->Name() + "): DeraRed cannot hand over its row (")
                .size(),
            1u);

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3", "42|5|5"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  for (const int varid : {42, 43}) {
    for (const int id : {102, 104}) {
      SCOPED_TRACE(std::to_string(varid) + " " + std::to_string(id));
      const std::vector<std::string> lines = LinesStartingWith(
          "Rejected the row of transaction " + std::to_string(id) + " for VarId " + std::to_string(varid) +
          " of facility 'Plant One' (" + plant->Name() + "): DeraRed cannot hand over its row (");
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_THAT(lines[0], HasSubstr("invalid byte sequence"));
      EXPECT_THAT(lines[0], HasSubstr("It is not imported; the import goes on."));
    }
  }
  EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 107);
}

// A read that fails while DeraRed is there is that variable's fault: no recovery cycle, the
// variables that do not meet the row go on, and the id is held with a line that names the
// variable. (The refusing row is made by a view in place of the table.)
TEST_F(SourceFaultsTest, ReadRefusedWhileDeraRedIsReachableHoldsOnlyThatVariable) {
  AddVariable(*plant, 44, "H", 1);
  AddQuestion(2, 7, 44);
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}}});
  AddVisit({.id = 103, .point = 2, .time = "10:00:00", .answers = {{7, "3"}}});
  std::string columns =
      "id, route_id, point_id, trans_date, trans_time, point_desc, guard, notes, inc, inc1, "
      "inc2, inc3, missed_point, question_id1, "
      "CASE WHEN id = 102 THEN refuse(answer1) ELSE answer1 END AS answer1";
  for (int i = 2; i <= 10; ++i) columns += ", question_id" + std::to_string(i) + ", answer" + std::to_string(i);
  deraRed.Exec(
      "ALTER TABLE tbl_transaction_pda RENAME TO pda_rows;"
      "CREATE FUNCTION refuse(t text) RETURNS text LANGUAGE plpgsql STABLE AS $$ BEGIN "
      "RAISE EXCEPTION 'row refused' USING ERRCODE = 'XX000'; END $$;"
      "CREATE VIEW tbl_transaction_pda AS SELECT " +
      columns + " FROM pda_rows");

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("44|3|3"));
  for (const int varid : {42, 43}) {
    const std::vector<std::string> lines =
        LinesStartingWith("The answers of VarId " + std::to_string(varid) + " of facility 'Plant One' (" +
                          plant->Name() + ") could not be read from DeraRed, which is reachable (");
    ASSERT_EQ(lines.size(), 1u) << varid;
    EXPECT_THAT(lines[0], HasSubstr("row refused"));
    EXPECT_THAT(lines[0], HasSubstr("): they wait for the next run, and the last imported id is held."));
  }
  EXPECT_EQ(LogCount("Execution error occured in LoopReadSource"), 2);
  EXPECT_EQ(LogCount("Unable to connect to source."), 0);
  EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);
}

// A read that times out says nothing about the variable: like a lost link it goes through the
// recovery cycle, and the next try reads it. (Another session holds the answers table locked
// while the first read runs; DeraRed gives up waiting on a lock after a moment.)
TEST_F(SourceFaultsTest, ReadThatTimesOutOnceIsTriedAgainAndImported) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
  deraRed.Exec("ALTER DATABASE \"" + deraRed.Name() + "\" SET lock_timeout = '200ms'");
  platform::db::Connection other;
  other.Open(deraRed.OleDbString());
  // Events run once in every read, before its query, and after every recovery wait.
  pump.onRun = [&](int run) {
    if (run == 1) {
      other.Execute("BEGIN");
      other.Execute("LOCK TABLE tbl_transaction_pda IN ACCESS EXCLUSIVE MODE");
    } else if (run == 2) {
      other.Execute("ROLLBACK");
    }
  };

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  EXPECT_TRUE(LogHas("canceling statement due to lock timeout"));
  EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), 1);
  EXPECT_EQ(waits.size(), 1u);
  EXPECT_EQ(LinesWith("could not be read from DeraRed"), 0);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 101);
}

// Without the run's bound nothing may be passed, and the run must not call itself successful.
// (MAX resolves to a function that refuses, through the database's search path.)
TEST_F(SourceFaultsTest, BoundThatCannotBeReadFailsTheRun) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  deraRed.Exec(
      "CREATE SCHEMA trap;"
      "CREATE FUNCTION trap.max(integer) RETURNS integer LANGUAGE plpgsql AS $$ BEGIN "
      "RAISE EXCEPTION 'no highest id today'; END $$;"
      "ALTER DATABASE \"" +
      deraRed.Name() + "\" SET search_path = trap, pg_catalog, public");

  ASSERT_TRUE(Run());

  EXPECT_TRUE(LogHas("Error in ReadHighestTransId: "));
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1"));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 100);
}

// The log-notes read runs the recovery cycle of every read: a connection the server ends in the
// middle of it is opened again and the notes are written; only a cycle that runs out holds them.
TEST_F(SourceFaultsTest, NotesReadOnAKilledConnectionIsTriedAgain) {
  Set("K30418\\AddNotesToLogbook", "TRUE");
  Set("K30418\\LogbookId", "1");
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "2");
  AddQuestion(9, 1, 0, 1);
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  AddVisit({.id = 102, .point = 9, .notes = "Gate open"});
  struct Case {
    const char* name;
    int killsFrom, killsTo;  // the runs of events at which the session is ended
    std::vector<std::string> notes;
    int failures;
    std::int32_t saved;
  };
  // Events run once in every read and after every recovery wait: variable 42's read, variable
  // 43's, then the notes' (third).
  const std::vector<Case> cases = {
      {"once", 3, 3, {"Gate open"}, 1, 102},
      {"on every try", 3, 99, {}, 2, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plant->Exec("DELETE FROM logbookentries; DELETE FROM dataddh");
    WriteIdFile("LASTIDIMPORTED=100\r\n");
    waits.clear();
    pump.runs = 0;
    pump.onRun = [&](int run) {
      if (run >= c.killsFrom && run <= c.killsTo) DropConnections(deraRed.Name());
    };

    ASSERT_TRUE(Run());

    EXPECT_EQ(Rows(*plant, "select comment from logbookentries"), c.notes);
    EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1"));
    EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), c.failures);
    EXPECT_EQ(engine->RunFailed(), c.saved == 100);
    EXPECT_EQ(SavedId(), c.saved);
  }
  EXPECT_EQ(LogCount("Unable to connect to source."), 1);
}

// A transaction takes its id when it starts and shows when it commits: two handhelds syncing at
// once can show id 103 while 102 is still on its way. The run that meets such a gap below its
// bound imports what it sees, but keeps the saved id below the gap while it is young, so the
// next run picks up the late transaction; a gap that stays (a rollback) is passed after the
// wait.
class LateCommitTest : public SourceFaultsTest {
 protected:
  void SetUp() override {
    SourceFaultsTest::SetUp();
    LateCommits::WaitForTests(std::nullopt);
  }

  // A handheld's transaction 102 (answer "2" for variable 42), begun and not committed.
  void BeginTransaction102(platform::db::Connection& handheld) {
    handheld.Open(deraRed.OleDbString());
    handheld.Execute("BEGIN");
    handheld.Execute(
        "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, question_id1, "
        "answer1) VALUES (102, 1, 1, '2024-03-05', '1899-12-30 09:00:00', 'jdoe', 5, '2')");
  }

  std::string GapLine(std::int32_t gap, std::int32_t highest) const {
    return "Transaction id " + std::to_string(gap) + " is missing below DeraRed's highest id " +
           std::to_string(highest) +
           ": it may be a transaction not committed yet, so the last imported id stays below it until it arrives "
           "or has been missing for 10 minutes.";
  }
};

TEST_F(LateCommitTest, TransactionCommittedBetweenTwoRunsIsImportedByTheSecond) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  // Transaction 102 has its id but is not committed yet when 103 is.
  platform::db::Connection handheld;
  BeginTransaction102(handheld);
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3"));
  EXPECT_EQ(LogCount(GapLine(102, 103)), 1);
  EXPECT_FALSE(engine->RunFailed());  // a transaction on its way is no fault
  EXPECT_EQ(SavedId(), 101);

  handheld.Execute("COMMIT");
  ASSERT_TRUE(Run());

  // The late transaction is imported; 103 is written again into its slot, unchanged.
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "42|3|3"));
  EXPECT_EQ(LogCount(GapLine(102, 103)), 1);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 103);
}

TEST_F(LateCommitTest, GapThatStaysIsPassedAfterTheWait) {
  LateCommits::WaitForTests(std::chrono::milliseconds(1500));
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  platform::db::Connection handheld;
  BeginTransaction102(handheld);
  handheld.Execute("ROLLBACK");
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});

  ASSERT_TRUE(Run());
  EXPECT_EQ(SavedId(), 101);
  EXPECT_EQ(LinesStartingWith("Transaction id 102 is missing").size(), 1u);

  // After the wait the run passes the gap without a word.
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3"));
  EXPECT_EQ(LinesStartingWith("Transaction id 102 is missing").size(), 1u);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 103);
}

}  // namespace
}  // namespace enginetest
