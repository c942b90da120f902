// Whole import sessions from DeraRed into the test Krym, in both run modes: what is written,
// what test mode and lock dates hold back, what the last-id file keeps, and a link that drops
// in the middle of a run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SessionFixture.h"
#include "app/session/ImportSession.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace sessiontest {
namespace {

using core::Date;
using ::testing::Contains;

// Variable 12 is hourly, 15 daily; point 10 asks question 100 for 12 and 101 for 15.
constexpr const char* kHourly = "2024-03-04 09:00=1.5,2024-03-04 10:00=2.5,2024-03-05 11:00=3.5";
constexpr const char* kDaily = "2024-03-04 00:00=8,2024-03-05 00:00=9";

class WholeSession : public SessionFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    if (GetParam()) ServiceMode();
    collector = AddCollector("Plant Rounds");
    Link(collector, 12, "H");
    Link(collector, 15, "P");
    ASSERT_TRUE(facility.Exec("insert into settings (setting, curvalue) values ('LockDate', '01/01/2024 00:00:00')"));
    ASSERT_TRUE(derared.Exec(
        "insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, external_id, "
        "external_id_logbook) values (1, 10, 100, 1, 12, 0), (1, 10, 101, 2, 15, 0);"
        "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Guard, Notes, Missed_Point, "
        "Question_ID1, Answer1, Question_ID2, Answer2) values "
        "(1, 1, 10, '2024-03-04', '1899-12-30 09:05:00', 'ANN', '', 'N', 100, '1.5', 101, '7'),"
        "(2, 1, 10, '2024-03-04', '1899-12-30 10:20:00', 'ANN', '', 'N', 100, '2.5', 101, '8'),"
        "(3, 1, 10, '2024-03-05', '1899-12-30 11:00:00', 'JOE', '', 'N', 100, '3.5', 101, '9')"));
    WriteLastId("0");
    dialogs.range = {{Date::FromParts(2024, 3, 4), Date::FromParts(2024, 3, 6)}};
  }

  void WriteLastId(const std::string& id) {
    std::ofstream out(Folder() / "DeraRed.ini");
    out << "LASTIDIMPORTED=" << id << "\r\n";
  }
  std::string LastIdFile() {
    std::ifstream in(Folder() / "DeraRed.ini");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The values of a variable's table as "yyyy-mm-dd hh:mi=value" in time order.
  std::string Values(const std::string& table, std::int32_t varid) {
    return FacilityValue(
        "select string_agg(to_char(datestamp, 'YYYY-MM-DD HH24:MI') || '=' || curvalue, ',' "
        "order by datestamp) from " +
        table + " where varid = " + std::to_string(varid));
  }

  std::int32_t collector = 0;
};

INSTANTIATE_TEST_SUITE_P(BothModes, WholeSession, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Service" : "Interactive"; });

TEST_P(WholeSession, ImportsEveryAnswerIntoItsSlot) {
  EXPECT_TRUE(CommonGlobals::ImportAllVariables(false));

  EXPECT_EQ(Values("dataddh", 12), kHourly);
  EXPECT_EQ(Values("datatbl", 15), kDaily);
  const std::vector<std::string> lines = Logged();
  EXPECT_THAT(lines, Contains("Import started."));
  EXPECT_THAT(lines, Contains("Import was successful."));
  // Only service runs move the last imported id on.
  EXPECT_EQ(LastIdFile(), Service() ? "LASTIDIMPORTED=3\r\n" : "LASTIDIMPORTED=0\r\n");
  EXPECT_EQ(dialogs.rangeCalls, Service() ? 0 : 1);
}

TEST_P(WholeSession, TestModeReadsEverythingAndWritesNothing) {
  EXPECT_TRUE(CommonGlobals::ImportAllVariables(true));

  EXPECT_EQ(Values("dataddh", 12), "");
  EXPECT_EQ(Values("datatbl", 15), "");
  EXPECT_TRUE(WasLogged("Import was successful."));
}

TEST_P(WholeSession, ValuesBeforeTheLockDateAreNotWritten) {
  ASSERT_TRUE(facility.Exec("update settings set curvalue = '03/05/2024 00:00:00' where setting = 'LockDate'"));

  EXPECT_TRUE(CommonGlobals::ImportAllVariables(false));

  EXPECT_EQ(Values("dataddh", 12), "2024-03-05 11:00=3.5");
  EXPECT_EQ(Values("datatbl", 15), "2024-03-05 00:00=9");
}

// A facility connection that the server drops in the middle of the run: the third value write
// takes its own backend down before it can commit. The recovery reconnects and writes it again;
// every value ends up in Krym once, with the value of its answer.
TEST_P(WholeSession, LinkDroppedByTheServerMidRunLosesAndDoublesNothing) {
  platform::db::Connection cnn;
  cnn.Open(facility.OleDbString());
  cnn.Execute("create sequence value_writes");
  cnn.Execute(
      "create function drop_link() returns trigger language plpgsql as $$ begin "
      "if nextval('value_writes') = 3 then perform pg_terminate_backend(pg_backend_pid()); perform pg_sleep(5); end "
      "if; return new; end $$");
  cnn.Execute("create trigger drop_link before insert on dataddh for each row execute function drop_link()");
  cnn.Execute("create trigger drop_link before insert on datatbl for each row execute function drop_link()");
  cnn.Close();

  EXPECT_TRUE(CommonGlobals::ImportAllVariables(false));

  // Six answers, the third written twice (the first try died with its backend).
  EXPECT_EQ(FacilityValue("select last_value from value_writes"), "7");
  EXPECT_TRUE(LoggedStartingWith("Connection error occured while communicating with Vorn Krym."));
  EXPECT_EQ(Values("dataddh", 12), kHourly);
  EXPECT_EQ(Values("datatbl", 15), kDaily);
  EXPECT_EQ(FacilityValue("select count(*) from dataddh"), "3");
  EXPECT_EQ(FacilityValue("select count(*) from datatbl"), "2");
  EXPECT_TRUE(WasLogged("Import was successful."));
  EXPECT_EQ(LastIdFile(), Service() ? "LASTIDIMPORTED=3\r\n" : "LASTIDIMPORTED=0\r\n");
}

class ServiceSession : public WholeSession {};
INSTANTIATE_TEST_SUITE_P(Service, ServiceSession, ::testing::Values(true));

TEST_P(ServiceSession, NextRunStartsAfterTheSavedId) {
  WriteLastId("2");

  EXPECT_TRUE(CommonGlobals::ImportAllVariables(false));

  EXPECT_EQ(Values("dataddh", 12), "2024-03-05 11:00=3.5");
  EXPECT_EQ(LastIdFile(), "LASTIDIMPORTED=3\r\n");
}

// DeraRed out of reach: one recovery cycle for the whole run (not one per variable), a closing
// line that says the import failed, and the last id where it was.
TEST_P(ServiceSession, DeraRedOutOfReachEndsTheRunOnceAndSaysSo) {
  Link(collector, 16, "H");
  Link(collector, 17, "P");
  Set("K30418\\SourceCustomization", "Port=1;");
  Set("SOURCE\\RECOVERY\\ATTEMPTS", "2");
  WriteLastId("2");

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

  int unable = 0;
  for (const std::string& line : Logged()) unable += line == "Unable to connect to source.";
  EXPECT_EQ(unable, 1);
  EXPECT_TRUE(WasLogged("Import terminated with error(s)."));
  EXPECT_FALSE(WasLogged("Import was successful."));
  EXPECT_EQ(LastIdFile(), "LASTIDIMPORTED=2\r\n");
}

// A row that cannot be imported is reported, and the run that met it is not called successful.
TEST_P(ServiceSession, RejectedAnswerIsNotASuccess) {
  ASSERT_TRUE(derared.Exec("update Tbl_Transaction_PDA set Answer1 = 'n/a' where ID = 2"));

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

  EXPECT_EQ(Values("dataddh", 12), "2024-03-04 09:00=1.5,2024-03-05 11:00=3.5");
  EXPECT_TRUE(LoggedStartingWith("Rejected the answer 'n/a' of transaction 2 for VarId 12"));
  EXPECT_TRUE(WasLogged("Import terminated with error(s)."));
  EXPECT_EQ(LastIdFile(), "LASTIDIMPORTED=3\r\n");
}

// The facility cannot be reached while its variables are gathered: the session says which and
// that the id is held, and nothing is imported or saved.
TEST_P(ServiceSession, FacilityOutOfReachWhileGatheringIsNamed) {
  ASSERT_TRUE(facility.ExecRoot("alter database \"" + facility.Name() + "\" allow_connections false"));

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

  ASSERT_TRUE(facility.ExecRoot("alter database \"" + facility.Name() + "\" allow_connections true"));
  EXPECT_TRUE(LoggedStartingWith("Facility 'Session Plant' (" + facility.Name() +
                                 ") could not be read for its variables: none of its answers are imported, and the "
                                 "last imported id is held until it can be read. Reason: "));
  EXPECT_TRUE(WasLogged("Nothing to import into at this time."));
  EXPECT_EQ(LastIdFile(), "LASTIDIMPORTED=0\r\n");
}

// A facility whose database name the driver cannot be given (it holds ";"): the line that
// names it says why, at the lowest verbosity.
TEST_P(ServiceSession, AFacilityTheDriverCannotBeGivenIsNamedWithTheReason) {
  const std::string bad = facility.Name() + ";X";
  ASSERT_TRUE(facility.ExecRoot("insert into facility (filename, name) values ('" + bad + "', 'Semicolon Plant')"));
  Set("OPTIONS\\NOIU\\LIMITFACILITY", bad);
  Context().logger->Verbosity(0);

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));
  ASSERT_TRUE(facility.ExecRoot("delete from facility where filename = '" + bad + "'"));

  const std::string start = "Facility 'Semicolon Plant' (" + bad + ") could not be read for its variables: ";
  std::string line;
  for (const std::string& l : Logged())
    if (l.rfind(start, 0) == 0) line = l;
  EXPECT_NE(line.find(" Reason: "), std::string::npos) << line;
  EXPECT_NE(line.find("cannot be passed to the ODBC driver"), std::string::npos) << line;
  EXPECT_EQ(LastIdFile(), "LASTIDIMPORTED=0\r\n");
}

// Answers from DeraRed that hold a line break and a line of the log, or a megabyte: each is
// reported on one line of the log (and of the activity list), and every line of the log is the
// program's own, starting with its time stamp.
TEST_P(WholeSession, AnswersCannotForgeOrSwellLogLines) {
  ASSERT_TRUE(derared.Exec("alter table Tbl_Transaction_PDA alter column Answer1 type text"));
  ASSERT_TRUE(derared.Exec(
      "update Tbl_Transaction_PDA set Answer1 = 'bad' || chr(13) || chr(10) || '12:00:00 : Import was successful.' "
      "where ID = 2;"
      "update Tbl_Transaction_PDA set Answer1 = repeat('x', 1048576) where ID = 3"));

  EXPECT_FALSE(CommonGlobals::ImportAllVariables(false));

  const std::vector<std::string> texts = Logged();
  EXPECT_TRUE(WasLogged("Import terminated with error(s)."));
  EXPECT_FALSE(WasLogged("Import was successful."));
  EXPECT_TRUE(LoggedStartingWith("Rejected the answer 'bad\\r\\n12:00:00 : Import was successful.' of transaction 2"));
  bool cut = false;
  for (const std::string& t : texts)
    cut = cut || (t.rfind("Rejected the answer '" + std::string(100, 'x'), 0) == 0 &&
                  t.find("... (cut, ") != std::string::npos);
  EXPECT_TRUE(cut);

  std::ifstream in(Context().logger->CurrentFilePath(), std::ios::binary);
  std::stringstream raw;
  raw << in.rdbuf();
  const std::string log = raw.str();
  EXPECT_LT(log.size(), 200000u);
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "a line without CR LF at the end of the log";
    const std::string line = log.substr(start, end - start);
    EXPECT_LE(line.size(), 4200u) << line.substr(0, 100);
    const bool stamped = line.size() >= 11 && std::isdigit(static_cast<unsigned char>(line[0])) && line[2] == ':' &&
                         line[5] == ':' && line.compare(8, 3, " : ") == 0;
    EXPECT_TRUE(stamped) << line.substr(0, 100);
    EXPECT_NE(line.rfind("12:00:00 : Import was successful.", 0), 0u) << "a forged line";
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    start = end + 2;
  }
  for (const std::string& line : status.lines) {
    EXPECT_LE(line.size(), 4200u);
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
}

class InteractiveSession : public WholeSession {};
INSTANTIATE_TEST_SUITE_P(Interactive, InteractiveSession, ::testing::Values(false));

// The same seen from outside: a second connection terminates every connection the session has
// open to the facility and to DeraRed once the second variable's answers are loaded.
TEST_P(InteractiveSession, LinksTerminatedFromOutsideMidRunAreReopened) {
  platform::db::Connection killer;
  killer.Open(facility.RootOleDbString());
  // The fixture's own connections stay; only the session's are dropped.
  const std::string targets = "datname in ('" + facility.Name() + "', '" + derared.Name() + "')";
  std::string keep;
  {
    platform::db::Recordset rs;
    rs.Open("select string_agg(pid::text, ',') from pg_stat_activity where " + targets, killer);
    keep = rs.Fields(0).Value().Text();
  }
  int loaded = 0;
  long terminated = 0;
  status.onLine = [&](const std::string& line) {
    if (line.rfind("Loaded ", 0) != 0 || line.find("data record(s) from source.") == std::string::npos) return;
    if (++loaded != 2) return;
    platform::db::Recordset rs;
    rs.Open("select count(pg_terminate_backend(pid)) from pg_stat_activity where " + targets +
                (keep.empty() ? std::string() : " and pid not in (" + keep + ")"),
            killer);
    terminated = rs.Fields(0).Value().ToLong();
  };

  EXPECT_TRUE(CommonGlobals::ImportAllVariables(false));

  status.onLine = nullptr;
  EXPECT_EQ(loaded, 2);
  EXPECT_GE(terminated, 1);
  EXPECT_TRUE(LoggedStartingWith("Connection error occured while communicating with Vorn Krym."));
  EXPECT_EQ(Values("dataddh", 12), kHourly);
  EXPECT_EQ(Values("datatbl", 15), kDaily);
  EXPECT_TRUE(WasLogged("Import was successful."));
}

TEST_P(InteractiveSession, SelectedVariablesImportOnlyThePickedOnes) {
  dialogs.pickRows = ScriptedDialogs::Rows{{facility.Name(), 15}};

  EXPECT_TRUE(CommonGlobals::ImportSelectedVariables(false));

  EXPECT_EQ(Values("dataddh", 12), "");
  EXPECT_EQ(Values("datatbl", 15), kDaily);
}

}  // namespace
}  // namespace sessiontest
