// The built program, started as the service host starts it, imports once against
// the test Krym and DeraRed and goes to sleep.
#include "ProgramFolder.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

using servicerun::ProgramFolder;
using namespace std::chrono_literals;

namespace {

class ServiceRun : public ProgramFolder {};

}  // namespace

TEST_F(ServiceRun, ImportsOnceAtStartThenSleeps) {
  DesignateCollector();
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes, question_id1, "
      "answer1, question_id2, answer2) VALUES "
      "(1, 1, 5, '2026-12-01', '1899-12-30 08:15:00', 'JSMITH', 'Valve sticks', 1, '6.42', 2, '61.3'),"
      "(2, 1, 5, '2026-12-02', '1899-12-30 14:40:00', 'AMILLER', NULL, 1, '6.55', 2, '62.0')"));
  WriteConfiguration();

  auto& service = StartService();
  ASSERT_TRUE(WaitForServiceLog("Going to Sleep mode. Will next wake up at : ", service)) << ServiceLog();
  const std::string log = ServiceLog();
  EXPECT_NE(log.find("Import was successful."), std::string::npos) << log;
  EXPECT_NE(log.find("Success: The Last Id that was Imported is - 2"), std::string::npos) << log;
  service.Signal(SIGTERM);
  ASSERT_TRUE(service.WaitForEnd(servicerun::kEndLimit));
  EXPECT_NE(ReadFile(folder_ / "DeraRed.ini").find("LASTIDIMPORTED=2"), std::string::npos);

  platform::db::Connection cnn;
  cnn.Open(facility_.OleDbString());
  struct Row {
    const char* sql;
    std::vector<std::string> expected;
  } rows[] = {
      {"SELECT to_char(datestamp, 'YYYY-MM-DD HH24:MI') || ' ' || curvalue || ' ' || audituser FROM datatbl "
       "WHERE varid = 51 ORDER BY datestamp",
       {"2026-12-01 00:00 6.4 JSMITH", "2026-12-02 00:00 6.6 AMILLER"}},
      {"SELECT to_char(datestamp, 'YYYY-MM-DD HH24:MI') || ' ' || curvalue || ' ' || audituser FROM dataddh "
       "WHERE varid = 52 ORDER BY datestamp",
       {"2026-12-01 08:00 61.3 JSMITH", "2026-12-02 14:00 62 AMILLER"}},
      {"SELECT comment FROM logbookentries ORDER BY id", {"Valve sticks"}},
  };
  for (const auto& r : rows) {
    platform::db::Recordset rs;
    rs.Open(r.sql, cnn);
    std::vector<std::string> got;
    for (; !rs.Eof(); rs.MoveNext()) got.push_back(rs.Fields(0).Value().Text());
    EXPECT_EQ(got, r.expected) << r.sql;
  }
}

TEST_F(ServiceRun, UnreadableConfigurationEndsTheServiceWithLogLinesOnly) {
  std::ofstream(folder_ / "k30418.xml") << "<qalconfigurationxml>";
  auto& service = StartService();
  const auto status = service.WaitForEnd(servicerun::kEndLimit);
  ASSERT_TRUE(status) << "the service kept running on an unreadable configuration";
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_NE(WEXITSTATUS(*status), 0);
  const std::string log = ServiceLog();
  EXPECT_NE(log.find("PROMPT= Unable to read configuration at " + (folder_ / "k30418.xml").string()), std::string::npos)
      << log;
}

// With the Automated Import's Test mode chosen, the service's run writes nothing into Krym (no
// value, no note), leaves DeraRed.ini as it was and keeps no late-commit watch; its log says so.
// The Real mode's run of the same rows is the test above.
TEST_F(ServiceRun, TestModeWritesNothingIntoKrymAndSavesNothing) {
  DesignateCollector();
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes, question_id1, "
      "answer1, question_id2, answer2) VALUES "
      "(1, 1, 5, '2026-12-01', '1899-12-30 08:15:00', 'JSMITH', 'Valve sticks', 1, '6.42', 2, '61.3'),"
      "(3, 1, 5, '2026-12-02', '1899-12-30 14:40:00', 'AMILLER', NULL, 1, '6.55', 2, '62.0')"));
  WriteConfiguration();
  std::string xml = ReadFile(folder_ / "k30418.xml");
  const std::string options = "<OPTIONS>";
  xml.insert(xml.find(options) + options.size(),
             "<AUTOMATED_IMPORT><REAL_OPERATION_MODE>NO</REAL_OPERATION_MODE></AUTOMATED_IMPORT>");
  std::ofstream(folder_ / "k30418.xml") << xml;
  const std::string iniBefore = ReadFile(folder_ / "DeraRed.ini");

  auto& service = StartService();
  ASSERT_TRUE(WaitForServiceLog("Going to Sleep mode. Will next wake up at : ", service)) << ServiceLog();
  service.Signal(SIGTERM);
  ASSERT_TRUE(service.WaitForEnd(servicerun::kEndLimit));
  const std::string log = ServiceLog();
  const std::size_t first = log.find("Test run: OPTIONS\\AUTOMATED_IMPORT\\REAL_OPERATION_MODE is \"NO\"");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_LT(first, log.find("Import started.")) << log;
  const std::size_t over = log.find("Test run over: nothing was written into Vorn Krym.");
  ASSERT_NE(over, std::string::npos) << log;
  EXPECT_GT(over, log.find("Import was successful.")) << log;

  EXPECT_EQ(ReadFile(folder_ / "DeraRed.ini"), iniBefore);
  for (const auto& e : std::filesystem::directory_iterator(folder_))
    EXPECT_EQ(e.path().filename().string().rfind("DeraRedWatch", 0), std::string::npos) << e.path();

  platform::db::Connection cnn;
  cnn.Open(facility_.OleDbString());
  for (const char* sql :
       {"SELECT count(*) FROM datatbl", "SELECT count(*) FROM dataddh", "SELECT count(*) FROM logbookentries"}) {
    platform::db::Recordset rs;
    rs.Open(sql, cnn);
    EXPECT_EQ(rs.Fields(0).Value().Text(), "0") << sql;
  }
}
