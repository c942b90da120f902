// What DeraRed itself can get wrong for one row or one variable: a date or time the driver
// cannot read, a daily answer without its time, a text the server cannot hand over, a read that
// fails while DeraRed is there, a transaction committed late. None of them may land a value in
// another slot than its own, be lost, or stop the other rows and variables; what may heal holds
// the last id.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "EngineFixture.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "import/engine/LateCommitWatch.h"
#include "platform/db/Connection.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

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
  // DeraRed refuses every read that meets the transaction (XX000 "row refused", no data
  // error): a view takes the table's place.
  void RefuseRow(int id) {
    std::string columns =
        "id, route_id, point_id, trans_date, trans_time, point_desc, guard, notes, inc, inc1, "
        "inc2, inc3, missed_point, question_id1, "
        "CASE WHEN id = " +
        std::to_string(id) + " THEN refuse(answer1) ELSE answer1 END AS answer1";
    for (int i = 2; i <= 10; ++i) columns += ", question_id" + std::to_string(i) + ", answer" + std::to_string(i);
    deraRed.Exec(
        "ALTER TABLE tbl_transaction_pda RENAME TO pda_rows;"
        "CREATE FUNCTION refuse(t text) RETURNS text LANGUAGE plpgsql STABLE AS $$ BEGIN "
        "RAISE EXCEPTION 'row refused' USING ERRCODE = 'XX000'; END $$;"
        "CREATE VIEW tbl_transaction_pda AS SELECT " +
        columns + " FROM pda_rows");
  }
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
  AddVisit({.id = 102, .point = 1, .date = "2024-03-04", .time = "09:00:00", .answers = {{5, "2"}, {6, "20"}}});
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

// A fraction of a second is cut before the slot is chosen: rounded, half a second before
// midnight became 00:00:00 of the same day (a day early, overwriting that slot), and half a
// second before the hour the next hour's slot.
TEST_F(SourceFaultsTest, FractionOfASecondIsCutNeverRounded) {
  AddVisit({.id = 101, .point = 1, .time = "23:59:59.5", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-03-04", .time = "10:59:59.5", .answers = {{5, "2"}}});

  ASSERT_TRUE(Run());

  // 23:59:59 is after 23:00, so both land on the next day as every late visit does.
  EXPECT_THAT(Slots("dataddh"), ElementsAre("42|2024-03-04 10:00|2", "42|2024-03-06 00:00|1"));
  EXPECT_THAT(Slots("datatbl"), ElementsAre("43|2024-03-06 00:00|10"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 102);
}

class AsciiSourceTest : public SourceFaultsTest {
 protected:
  bool Ascii() const override { return true; }
};

// Bytes that are no UTF-8 in a SQL_ASCII DeraRed make the server refuse the whole result of
// every read that meets their row (SQLSTATE 22021). The link is fine: the reader finds the row
// by reading the range in parts and reads its texts as bytes, those that are no UTF-8 shown
// escaped. Only an answer that is such a text is rejected; the row's other answers, its note,
// operator and descriptions are imported, and so is every other row.
TEST_F(AsciiSourceTest, TextDeraRedCannotHandOverIsReadAsBytesAndOnlySuchAnAnswerRejected) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
  AddVisit({.id = 102, .point = 1, .date = "2024-03-04", .time = "09:00:00", .answers = {{5, "2"}, {6, "20"}}});
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
  DeraRedExec("UPDATE tbl_transaction_pda SET guard = E'J\\xf6rg', point_desc = E'\\xb5S', inc2 = E'\\xff' "
              "WHERE id = 105");

  ASSERT_TRUE(Run());

  EXPECT_THAT(Rows(*plant, "select comment from logbookentries"),
              UnorderedElementsAre("Gate open", "Pumpe \\xfc", "Pumpe \\xfc"));
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3", "42|5|5"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|20|20", "43|10|10", "43|40|40"));
  EXPECT_THAT(Rows(*plant, "select curvalue, audituser from dataddh where curvalue = 5"), ElementsAre("5|J\\xf6rg"));
  const std::vector<std::string> lines = LinesStartingWith(Rejection(102, "caf\\xe9", 42));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], HasSubstr("DeraRed cannot hand over its text as it stands"));
  EXPECT_EQ(LinesWith("Rejected the "), 1);
  EXPECT_GE(LinesWith("cannot be handed over as they stand ("), 4);  // 102, 104, 105 and 107
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
  RefuseRow(102);

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

// A range wider than the read window is read and imported a window at a time: every answer
// exactly once, stretches without any transaction stepped over, and a window that DeraRed
// refuses ends the variable's reading there, what came before it imported.
class WindowedReadTest : public SourceFaultsTest {
 protected:
  void SetUp() override {
    SourceFaultsTest::SetUp();
    readWindow = 4;
  }

  // Hourly answers i of variable 42 at transaction ids, and daily ones at every third.
  void AddAnswers(const std::vector<int>& ids) {
    for (const int id : ids) {
      const int hour = id % 24;
      std::vector<std::pair<std::int32_t, std::string>> answers = {{5, std::to_string(id)}};
      if (id % 3 == 0) answers.emplace_back(6, std::to_string(id));
      AddVisit({.id = id, .point = 1, .date = "2024-03-" + std::to_string(10 + id % 15),
                .time = (hour < 10 ? "0" : "") + std::to_string(hour) + ":00:00", .answers = answers});
    }
  }
};

TEST_F(WindowedReadTest, SplitRangeImportsEveryAnswerExactlyOnce) {
  std::vector<int> ids;
  for (int id = 101; id <= 110; ++id) ids.push_back(id);
  for (int id = 5000; id <= 5005; ++id) ids.push_back(id);  // far above, after a stretch of nothing
  AddAnswers(ids);

  ASSERT_TRUE(Run());

  std::vector<std::string> hourly, daily;
  for (const int id : ids) {
    hourly.push_back("42|" + std::to_string(id) + "|" + std::to_string(id));
    if (id % 3 == 0) daily.push_back("43|" + std::to_string(id) + "|" + std::to_string(id));
  }
  std::sort(hourly.begin(), hourly.end());
  std::sort(daily.begin(), daily.end());
  std::vector<std::string> gotHourly = Values(*plant, "dataddh"), gotDaily = Values(*plant);
  std::sort(gotHourly.begin(), gotHourly.end());
  std::sort(gotDaily.begin(), gotDaily.end());
  EXPECT_EQ(gotHourly, hourly);
  EXPECT_EQ(gotDaily, daily);
  // Each answer written once: one write line each.
  EXPECT_EQ(LinesWith("Wrote Data"), static_cast<int>(hourly.size() + daily.size()));
  // 101-104, 105-108, 109-112, then 5000-5003 and 5004-5005 for each variable (each reads
  // every visit of the point): the empty stretch is never read window by window.
  EXPECT_EQ(LinesStartingWith("Loaded ").size(), 10u);
  EXPECT_EQ(LogCount("Loaded 4 data record(s) from source."), 6);
  EXPECT_EQ(LogCount("Loaded 2 data record(s) from source."), 4);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 5005);
}

TEST_F(WindowedReadTest, WindowDeraRedRefusesHoldsTheIdFromThatWindowOn) {
  std::vector<int> ids;
  for (int id = 101; id <= 112; ++id) ids.push_back(id);
  AddAnswers(ids);
  RefuseRow(107);

  ASSERT_TRUE(Run());

  // The first window of each variable is imported; nothing from the refused one on.
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|101|101", "42|102|102", "42|103|103", "42|104|104"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|102|102"));
  for (const int varid : {42, 43}) {
    const std::vector<std::string> lines = LinesStartingWith(
        "The answers of VarId " + std::to_string(varid) + " of facility 'Plant One' (" + plant->Name() +
        ") from transaction 105 on could not be read from DeraRed, which is reachable (");
    ASSERT_EQ(lines.size(), 1u) << varid;
    EXPECT_THAT(lines[0], HasSubstr("row refused"));
  }
  EXPECT_EQ(LinesStartingWith("Loaded ").size(), 2u);
  EXPECT_TRUE(engine->RunFailed());
  // A facility with a failed read saves no id, as always; the hold from 105 on is what the
  // facilities after it may save.
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
// bound imports what it sees and saves its bound; the gap is watched, in a file that outlives
// the process, and the service run that finds it filled imports it. Each Run is a new engine,
// as after a restart of the service: nothing of the earlier run is left in memory.
class LateCommitTest : public SourceFaultsTest {
 protected:
  // A handheld's transaction 102 (answers "2" for variable 42, "20" for the daily 43), begun
  // and not committed.
  void BeginTransaction102(platform::db::Connection& handheld) {
    BeginOnAHandheld(handheld,
                     "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, "
                     "question_id1, answer1, question_id2, answer2) VALUES (102, 1, 1, '2024-03-05', "
                     "'1899-12-30 09:00:00', 'jdoe', 5, '2', 6, '20')");
  }
  // Notes written into logbook 1; transaction 101 committed, 102 (as above, with the note "Seal
  // leaks") begun and not.
  void NotesOnAnd102OpenWithANote(platform::db::Connection& handheld) {
    Set("K30418\\AddNotesToLogbook", "TRUE");
    Set("K30418\\LogbookId", "1");
    AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
    BeginTransaction102(handheld);
    handheld.Execute("UPDATE tbl_transaction_pda SET notes = 'Seal leaks' WHERE id = 102");
  }
  // A transaction of a handheld of its own, begun and not committed.
  void BeginOnAHandheld(platform::db::Connection& handheld, const std::string& insert) {
    handheld.Open(deraRed.OleDbString());
    handheld.Execute("BEGIN");
    handheld.Execute(insert);
  }
  // The range lines of the watch file ("first-last=seconds"); none without a file.
  std::vector<std::string> Watched() const {
    std::vector<std::string> lines;
    std::ifstream in(LateCommitWatch::FilePath(), std::ios::binary);
    for (std::string line; std::getline(in, line);)
      if (!line.empty() && line[0] != ';') lines.push_back(line.substr(0, line.find('=')));
    return lines;
  }
  bool WatchFileExists() const { return std::filesystem::exists(LateCommitWatch::FilePath()); }
  // The watch file of an earlier run that saw the ids missing at the fixture's now.
  void WriteWatchFile(const std::string& range) const {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    std::ofstream(LateCommitWatch::FilePath(), std::ios::binary) << range << "=" << seconds << "\n";
  }
  static constexpr const char* kLate102 =
      "Imported transaction 102, which DeraRed committed after an earlier run had passed its id.";
};

TEST_F(LateCommitTest, LateCommitIsImportedByTheNextProcessAndTheIdIsNeverHeld) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}, {6, "10"}}});
  platform::db::Connection handheld;
  BeginTransaction102(handheld);
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}, {6, "30"}}});

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|30|30"));
  EXPECT_FALSE(engine->RunFailed());  // a transaction on its way is no fault
  EXPECT_EQ(SavedId(), 103);
  EXPECT_THAT(Watched(), ElementsAre("102-102"));

  handheld.Execute("COMMIT");
  now += std::chrono::hours(1);
  AddVisit({.id = 104, .point = 1, .time = "11:00:00", .answers = {{5, "4"}}});
  ASSERT_TRUE(Run());

  // Only the late transaction is read again; 103 is not written a second time. The day's slot
  // keeps 103's answer, as a run that had read both would have left it.
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "42|3|3", "42|4|4"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|30|30"));
  EXPECT_EQ(LogCount("The late answer '20' of transaction 102 for VarId 43 is not written: its slot holds the answer "
                     "of the later transaction 103."),
            1);
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_EQ(LinesWith("Wrote Data 03/05/2024 10:00"), 1);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 104);
  EXPECT_THAT(Watched(), ElementsAre());

  ASSERT_TRUE(Run());
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_EQ(LinesWith("Wrote Data 03/05/2024 09:00"), 1);
}

// Without a watch of any DeraRed database beside DeraRed.ini (a new installation, or one of a
// version that kept none) there is nothing to miss: one plain line at the lowest level.
TEST_F(LateCommitTest, WatchFileRemovedAfterTheFirstRunIsNoNewsAndTheImportGoesOn) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  platform::db::Connection handheld;
  BeginTransaction102(handheld);
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
  ASSERT_TRUE(Run());
  ASSERT_TRUE(WatchFileExists());
  const std::string none =
      "There is no late-commit watch " + LateCommitWatch::FilePath() + " yet: it starts from the last imported id ";
  EXPECT_EQ(LinesStartingWith(none + "100.").size(), 1u);

  std::filesystem::remove(LateCommitWatch::FilePath());
  handheld.Execute("COMMIT");
  AddVisit({.id = 104, .point = 1, .time = "11:00:00", .answers = {{5, "4"}}});
  ASSERT_TRUE(Run());

  EXPECT_EQ(LinesStartingWith(none + "103.").size(), 1u);
  EXPECT_EQ(LinesWith("is missing"), 0);
  // What the file watched is gone with it; the rest is imported as ever.
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3", "42|4|4"));
  EXPECT_EQ(LogCount(kLate102), 0);
  EXPECT_EQ(SavedId(), 104);
  EXPECT_TRUE(WatchFileExists());
}

TEST_F(LateCommitTest, DamagedWatchFileIsReportedInOneLineAndStartedAfresh) {
  std::ofstream(LateCommitWatch::FilePath(), std::ios::binary) << "97-98=1765000000\n99=garbage\n";
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});

  ASSERT_TRUE(Run());

  EXPECT_EQ(LinesWith("The late-commit watch"), 1);
  EXPECT_EQ(LogCount("The late-commit watch " + LateCommitWatch::FilePath() +
                     " cannot be read (line 2 holds \"99=garbage\", which is no range first-last=seconds apart from "
                     "the others): it is started afresh from the last imported id 100, whose later gaps the run "
                     "lists again, and the import goes on."),
            1);
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3"));
  EXPECT_EQ(SavedId(), 103);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_THAT(Watched(), ElementsAre("102-102"));
}

// Every run looks for the watched ids before it ages them: the daily run a few seconds past the
// day still imports the late commit, and drops without a word only what it looked for in vain.
TEST_F(LateCommitTest, IdWatchedForADayIsLookedForBeforeItIsDropped) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  platform::db::Connection handheld;
  BeginTransaction102(handheld);
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
  AddVisit({.id = 105, .point = 1, .time = "12:00:00", .answers = {{5, "5"}}});  // 104 rolled back
  const LateCommitWatch::TimePoint first = now;
  ASSERT_TRUE(Run());

  now = first + LateCommitWatch::kWatchFor - std::chrono::seconds(1);
  ASSERT_TRUE(Run());
  EXPECT_THAT(Watched(), ElementsAre("102-102", "104-104"));

  handheld.Execute("COMMIT");
  now = first + LateCommitWatch::kWatchFor + std::chrono::seconds(5);
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "42|3|3", "42|5|5"));
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_EQ(LinesWith("transaction 104") + LinesWith("transaction(s) 104"), 0);
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 105);
  EXPECT_THAT(Watched(), ElementsAre());
}

// Rolled-back inserts beside one open transaction: every gap is watched, and the open one is
// imported when it commits.
TEST_F(LateCommitTest, ManyGapsBesideAnOpenTransactionKeepIt) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  platform::db::Connection handheld;
  BeginTransaction102(handheld);
  DeraRedExec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, question_id1, "
      "answer1) SELECT g, 1, 1, '2024-03-05', '1899-12-30 08:00:00', 'jdoe', 99, '1' FROM generate_series(103, 403, 2) "
      "g");

  ASSERT_TRUE(Run());
  const std::vector<std::string> watched = Watched();
  ASSERT_EQ(watched.size(), 151u);
  EXPECT_EQ(watched.front(), "102-102");
  EXPECT_EQ(watched.back(), "402-402");
  EXPECT_EQ(SavedId(), 403);
  EXPECT_EQ(LinesWith("gives up"), 0);

  handheld.Execute("COMMIT");
  now += std::chrono::hours(1);
  ASSERT_TRUE(Run());
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_EQ(Watched().size(), 150u);
}

// The watch file is named after the DeraRed database, not the connection's text: an option
// added between two runs keeps it, and a watch of the name earlier versions gave is adopted.
TEST_F(LateCommitTest, OptionEditsKeepTheWatch) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  platform::db::Connection handheld;
  BeginTransaction102(handheld);
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
  ASSERT_TRUE(Run());
  const std::string path = LateCommitWatch::FilePath();
  const int watchLines = LinesWith("late-commit watch");

  Set("K30418\\SourceCustomization", Program().config->item("K30418\\SourceCustomization") + "sslmode=disable;");
  EXPECT_EQ(LateCommitWatch::FilePath(), path);
  handheld.Execute("COMMIT");
  ASSERT_TRUE(Run());
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "42|3|3"));
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_EQ(LinesWith("late-commit watch"), watchLines);

  // A watch under the former name, that of the settings as they stand.
  std::filesystem::remove(path);
  const std::string former = LateCommitWatch::FormerFilePath();
  ASSERT_NE(former, path);
  AddVisit({.id = 99, .point = 1, .time = "07:00:00", .answers = {{5, "9"}}});
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  std::ofstream(former, std::ios::binary) << "99-99=" << seconds << "\n";
  ASSERT_TRUE(Run());
  EXPECT_EQ(LinesWith("Imported transaction 99,"), 1);
  EXPECT_FALSE(std::filesystem::exists(former));
  EXPECT_TRUE(WatchFileExists());

  // Another server name: another database's watch, and the line says why it starts afresh.
  ASSERT_EQ(Program().config->item("K30418\\SourceDS"), "127.0.0.1");
  Set("K30418\\SourceDS", "localhost");
  const std::string other = LateCommitWatch::FilePath();
  ASSERT_NE(other, path);
  ASSERT_TRUE(Run());
  EXPECT_EQ(LinesStartingWith("The late-commit watch " + other + " of the DeraRed database '").size(), 1u);
}

// A transaction that commits while the run is under way, after its listing: the run leaves it
// to the watch, its answers of every variable and its note alike, and the next run imports it.
TEST_F(LateCommitTest, CommitBetweenTheListingAndTheReadsIsWrittenOnce) {
  platform::db::Connection handheld;
  NotesOnAnd102OpenWithANote(handheld);
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
  afterListing = [&] { handheld.Execute("COMMIT"); };

  ASSERT_TRUE(Run());
  afterListing = nullptr;
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|3|3"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|10|10"));
  EXPECT_TRUE(Rows(*plant, "select comment from logbookentries").empty());
  EXPECT_THAT(Watched(), ElementsAre("102-102"));
  EXPECT_EQ(SavedId(), 103);

  now += std::chrono::hours(1);
  ASSERT_TRUE(Run());
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "42|3|3"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|20|20"));
  EXPECT_THAT(Rows(*plant, "select comment from logbookentries"), ElementsAre("Seal leaks"));
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_EQ(LinesWith("Wrote Data 03/05/2024 09:00"), 1);
  EXPECT_THAT(Watched(), ElementsAre());
}

// What lies at the watch's name and is no watch file to read: one line, the run goes on from
// the saved id (the gaps above it are listed again), and nothing is read or written through a
// link.
TEST_F(LateCommitTest, WatchThatIsNoFileToReadIsSaidInOneLineAndStartedAfresh) {
  const std::filesystem::path outside = std::filesystem::path(Program().app.Path).parent_path() /
                                        ("outside-" + std::to_string(::getpid()));
  std::filesystem::create_directories(outside);
  const std::string sentinel = (outside / "sentinel.txt").string();
  struct Case {
    std::string name;
    std::function<void(const std::string&)> make;
    std::string why;
    bool replaced;
  };
  const std::vector<Case> cases = {
      {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "it is a FIFO", true},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); }, "it is a directory", false},
      {"link to a file",
       [&](const std::string& p) {
         std::ofstream(sentinel, std::ios::binary) << "first line of the target\n";
         std::filesystem::create_symlink(sentinel, p);
       },
       "it is a symbolic link, which is not followed", true},
      {"link to /dev/zero", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
       "it is a symbolic link, which is not followed", true},
      {"1000000 ranges",
       [](const std::string& p) {
         std::ofstream out(p, std::ios::binary);
         for (int i = 1; i <= 1000000; ++i) out << 2 * i << "-" << 2 * i << "=1765000000\n";
       },
       "it holds 25888902 bytes, more than the 16 MB a watch may hold", true},
  };
  std::int32_t id = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = LateCommitWatch::FilePath();
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    c.make(path);
    const std::int32_t start = SavedId();
    AddVisit({.id = id + 1, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
    AddVisit({.id = id + 3, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
    const int before = LinesWith("The late-commit watch");

    ASSERT_TRUE(Run());

    EXPECT_EQ(LogCount("The late-commit watch " + path + " cannot be read (" + c.why +
                       "): it is started afresh from the last imported id " + std::to_string(start) +
                       ", whose later gaps the run lists again, and the import goes on."),
              1);
    if (c.replaced) {
      EXPECT_EQ(LinesWith("The late-commit watch"), before + 1);
      EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
      EXPECT_THAT(Watched(), ::testing::Contains(std::to_string(id + 2) + "-" + std::to_string(id + 2)));
      EXPECT_EQ(SavedId(), id + 3);
    } else {
      // It cannot be replaced either: the id stays below the gap it cannot watch.
      EXPECT_EQ(LinesStartingWith("The late-commit watch " + path + " cannot be written (").size(), 1u);
      EXPECT_EQ(SavedId(), id + 1);
      // Space comes back: a run with nothing to change tries the save all the same, and the
      // journal hears of the recovery once.
      std::vector<std::string> journal;
      Program().logger->Journal([&journal](const std::string& line) { journal.push_back(line); });
      std::filesystem::remove_all(path);
      std::ofstream(path, std::ios::binary) << "; nothing watched\n";
      WriteIdFile("LASTIDIMPORTED=" + std::to_string(id + 3) + "\r\n");
      ASSERT_TRUE(Run());
      ASSERT_TRUE(Run());
      EXPECT_THAT(journal, ElementsAre("The late-commit watch " + path + " is saved again."));
      Program().logger->Journal(nullptr);
    }
    EXPECT_EQ(LinesWith("first line of the target"), 0);
    id += 3;
  }
  std::ifstream in(sentinel, std::ios::binary);
  std::string target((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(target, "first line of the target\n");
  std::filesystem::remove_all(outside);
}

// A late transaction's note reaches the logbook like its answers reach their slots; one that
// cannot be written yet stays watched until it can.
TEST_F(LateCommitTest, LateNoteIsWrittenWhenItCanBe) {
  Set("K30418\\AddNotesToLogbook", "TRUE");
  Set("K30418\\LogbookId", "1");
  AddQuestion(9, 1, 0, 1);  // point 9 feeds no variable: its notes go to logbook 1
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  platform::db::Connection handheld;
  BeginOnAHandheld(handheld,
                   "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes) "
                   "VALUES (102, 1, 9, '2024-03-05', '1899-12-30 09:00:00', 'jdoe', 'Seal leaks')");
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
  ASSERT_TRUE(Run());
  handheld.Execute("COMMIT");

  // The default logbook is no number: the note waits (and the facility saves no id, as ever).
  Set("K30418\\LogbookId", "first");
  ASSERT_TRUE(Run());
  EXPECT_TRUE(Rows(*plant, "select comment from logbookentries").empty());
  EXPECT_EQ(SavedId(), 103);
  EXPECT_THAT(Watched(), ElementsAre("102-102"));
  EXPECT_EQ(LogCount(kLate102), 0);

  Set("K30418\\LogbookId", "1");
  ASSERT_TRUE(Run());
  EXPECT_THAT(Rows(*plant, "select comment from logbookentries"), ElementsAre("Seal leaks"));
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_THAT(Watched(), ElementsAre());
  EXPECT_FALSE(engine->RunFailed());
}

// A read of the late transactions that fails while DeraRed is there leaves them watched; the
// variable's own range and the run's id go on.
TEST_F(LateCommitTest, LateReadThatFailsLeavesThemWatchedAndTheRunGoesOn) {
  WriteIdFile("LASTIDIMPORTED=103\r\n");
  WriteWatchFile("102-102");
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}}});
  AddVisit({.id = 104, .point = 1, .time = "11:00:00", .answers = {{5, "4"}, {6, "40"}}});
  // Events run once in every read, before its query: variable 42's first read (of what earlier
  // runs imported after 102) meets a column renamed away, its range read the column back.
  pump.onRun = [this](int run) {
    if (run == 1) deraRed.Exec("ALTER TABLE tbl_transaction_pda RENAME COLUMN inc TO inc_gone");
    if (run == 2) deraRed.Exec("ALTER TABLE tbl_transaction_pda RENAME COLUMN inc_gone TO inc");
  };

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|4|4"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|40|40"));
  EXPECT_EQ(LinesStartingWith("The late transactions of VarId 42 of facility 'Plant One' (" + plant->Name() +
                              ") could not be read from DeraRed, which is reachable (")
                .size(),
            1u);
  EXPECT_EQ(LogCount(kLate102), 0);
  EXPECT_THAT(Watched(), ElementsAre("102-102"));
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 104);

  pump.onRun = nullptr;
  ASSERT_TRUE(Run());
  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|2|2", "42|4|4"));
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_THAT(Watched(), ElementsAre());
  EXPECT_FALSE(engine->RunFailed());
}

// Interactive and test runs save no id: they neither write the watch nor import from it.
TEST_F(LateCommitTest, InteractiveAndTestRunsNeitherKeepNorUseTheWatch) {
  AddVisit({.id = 101, .point = 1, .time = "08:00:00", .answers = {{5, "1"}}});
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}}});
  for (const bool testMode : {false, true}) {
    Program().isNTService = testMode;  // an interactive run, then a service's test run
    ASSERT_TRUE(Run(testMode));
    EXPECT_FALSE(WatchFileExists());
  }

  const std::string watch = "; watched\n99-99=" +
                            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(
                                               now.time_since_epoch()).count()) +
                            "\n";
  std::ofstream(LateCommitWatch::FilePath(), std::ios::binary) << watch;
  WriteIdFile("LASTIDIMPORTED=100\r\n");
  AddVisit({.id = 99, .point = 1, .time = "07:00:00", .answers = {{5, "9"}}});
  Program().isNTService = false;
  ASSERT_TRUE(Run());
  EXPECT_EQ(LinesWith("Imported transaction 99"), 0);
  EXPECT_THAT(Watched(), ElementsAre("99-99"));
  EXPECT_EQ(LinesWith("late-commit watch"), 0);
}
// A kill can come at any point of a run's saves. Each case runs to its end and then puts
// DeraRed.ini and the watch back as the kill would have left them (the id save is a run's last
// write); the runs after it must leave every answer in its slot and every note once.
enum class KilledAt { BeforeTheFirstWatchSave, BetweenTheWatchSaves, BeforeTheIdSave };

class KilledDuringTheSavesTest : public LateCommitTest, public ::testing::WithParamInterface<KilledAt> {
 protected:
  static std::string ReadWatch() {
    std::ifstream in(LateCommitWatch::FilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

TEST_P(KilledDuringTheSavesTest, TheNextRunLosesNothingAndKeepsTheLaterAnswer) {
  platform::db::Connection handheld;
  NotesOnAnd102OpenWithANote(handheld);
  AddVisit({.id = 103, .point = 1, .time = "10:00:00", .answers = {{5, "3"}, {6, "30"}}});
  ASSERT_TRUE(Run());
  ASSERT_THAT(Watched(), ElementsAre("102-102"));

  // The run that is killed finds 102 and meets a gap of its own, 105.
  handheld.Execute("COMMIT");
  AddVisit({.id = 104, .point = 1, .time = "11:00:00", .answers = {{5, "4"}}});
  platform::db::Connection second;
  BeginOnAHandheld(second,
                   "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, "
                   "question_id1, answer1) VALUES (105, 1, 1, '2024-03-05', '1899-12-30 12:00:00', 'jdoe', 5, '5')");
  AddVisit({.id = 106, .point = 1, .time = "13:00:00", .answers = {{5, "6"}}});
  now += std::chrono::hours(1);
  const std::string idFileBefore = IdFile();
  const std::string watchBefore = ReadWatch();
  std::string watchSavedFirst;  // as the first save of the run leaves it
  pump.onRun = [&](int) {
    if (watchSavedFirst.empty() && ReadWatch() != watchBefore) watchSavedFirst = ReadWatch();
  };
  ASSERT_TRUE(Run());
  pump.onRun = nullptr;
  ASSERT_THAT(Watched(), ElementsAre("105-105"));
  ASSERT_EQ(SavedId(), 106);
  ASSERT_THAT(watchSavedFirst, HasSubstr("102-102="));  // still watched, and the new gap already
  ASSERT_THAT(watchSavedFirst, HasSubstr("105-105="));

  WriteIdFile(idFileBefore);
  const std::string watchLeft = GetParam() == KilledAt::BeforeTheFirstWatchSave ? watchBefore
                                : GetParam() == KilledAt::BetweenTheWatchSaves  ? watchSavedFirst
                                                                                : ReadWatch();
  std::ofstream(LateCommitWatch::FilePath(), std::ios::binary | std::ios::trunc) << watchLeft;
  second.Execute("COMMIT");
  now += std::chrono::hours(1);
  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|1|1", "42|2|2", "42|3|3", "42|4|4", "42|5|5", "42|6|6"));
  EXPECT_THAT(Values(*plant), ElementsAre("43|30|30"));  // the day's answer of 103, not of 102
  EXPECT_THAT(Rows(*plant, "select comment from logbookentries"), ElementsAre("Seal leaks"));
  EXPECT_FALSE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 106);
  EXPECT_THAT(Watched(), ElementsAre());
}

INSTANTIATE_TEST_SUITE_P(AtEachSave, KilledDuringTheSavesTest,
                         ::testing::Values(KilledAt::BeforeTheFirstWatchSave, KilledAt::BetweenTheWatchSaves,
                                           KilledAt::BeforeTheIdSave),
                         [](const ::testing::TestParamInfo<KilledAt>& info) {
                           switch (info.param) {
                             case KilledAt::BeforeTheFirstWatchSave:
                               return std::string("BeforeTheFirstWatchSave");
                             case KilledAt::BetweenTheWatchSaves:
                               return std::string("BetweenTheWatchSaves");
                             case KilledAt::BeforeTheIdSave:
                               break;
                           }
                           return std::string("BeforeTheIdSave");
                         });

class AsciiLateCommitTest : public LateCommitTest {
 protected:
  bool Ascii() const override { return true; }
};

// A late transaction whose row DeraRed cannot hand over is rejected like any other, and so
// handled: it is not watched for ever.
TEST_F(AsciiLateCommitTest, LateRowDeraRedCannotHandOverIsRejectedAndNotWatchedOn) {
  WriteIdFile("LASTIDIMPORTED=103\r\n");
  WriteWatchFile("102-102");
  AddVisit({.id = 102, .point = 1, .time = "09:00:00", .answers = {{5, "2"}}});
  AddVisit({.id = 104, .point = 1, .time = "11:00:00", .answers = {{5, "4"}}});
  DeraRedExec("UPDATE tbl_transaction_pda SET answer1 = E'caf\\xe9' WHERE id = 102");

  ASSERT_TRUE(Run());

  EXPECT_THAT(Values(*plant, "dataddh"), ElementsAre("42|4|4"));
  EXPECT_EQ(LinesWith(" of transaction 102 for VarId 42 of facility 'Plant One' (" + plant->Name() + "): "), 1);
  // Read with its ids bound, the row's texts are read as bytes all the same: only the answer is rejected.
  EXPECT_EQ(LinesStartingWith("Rejected the answer 'caf\\xe9' of transaction 102 for VarId 42").size(), 1u);
  EXPECT_EQ(LogCount(kLate102), 1);
  EXPECT_THAT(Watched(), ElementsAre());
  EXPECT_TRUE(engine->RunFailed());
  EXPECT_EQ(SavedId(), 104);
}

}  // namespace
}  // namespace enginetest
