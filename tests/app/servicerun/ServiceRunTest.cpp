// The built program, started as the service host starts it, imports once against
// the test Krym and DeraRed and goes to sleep.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"
#include "support/TestDatabase.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A program folder of its own: the executable, a configuration that points at the
// test databases, and the last-id file.
class ServiceRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::RequireDatabase(db_));
    ASSERT_TRUE(facility_.Ok());
    ASSERT_TRUE(deraRed_.Ok());
    std::random_device rd;
    collector_ = 100000 + static_cast<int>(rd() % 800000);
    folder_ = fs::temp_directory_path() / ("k30418-service-" + std::to_string(collector_));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::copy_file(K30418_EXECUTABLE, folder_ / "k30418");
  }
  void TearDown() override {
    Stop();
    facility_.ExecRoot("DELETE FROM g2_server WHERE interface_id = " + std::to_string(collector_));
    fs::remove_all(folder_);
  }

  void WriteConfiguration() {
    const std::string port = "Port=" + std::to_string(db_.port) + ";";
    std::ofstream(folder_ / "k30418.xml")
        << "<?xml version=\"1.0\"?>\n<qalconfigurationxml><spec version=\"1\" encrypted=\"False\"/><data>"
        << "<OPTIONS><LOG_VERBOSITY>1</LOG_VERBOSITY><NOIU><LIMITFACILITY>" << facility_.Name()
        << "</LIMITFACILITY></NOIU></OPTIONS>"
        << "<VORNKRYM><VORNKRYM_CONNECTION_DBTYPE>2</VORNKRYM_CONNECTION_DBTYPE>"
        << "<VORNKRYM_CONNECTION_PROVIDER>PostgreSQL Unicode</VORNKRYM_CONNECTION_PROVIDER>"
        << "<VORNKRYM_CONNECTION_DATASOURCE>" << db_.host << "</VORNKRYM_CONNECTION_DATASOURCE>"
        << "<VORNKRYM_CONNECTION_CUSTOMIZATIONS>" << port << "</VORNKRYM_CONNECTION_CUSTOMIZATIONS>"
        << "<G2_SERVER_INTERFACE_ID>" << collector_ << "</G2_SERVER_INTERFACE_ID></VORNKRYM>"
        << "<K30418><SOURCEPROVIDER>PostgreSQL Unicode</SOURCEPROVIDER><SOURCEDBTYPE>2</SOURCEDBTYPE>"
        << "<SOURCEDS>" << db_.host << "</SOURCEDS><SOURCEDB>" << deraRed_.Name() << "</SOURCEDB>"
        << "<SOURCEUSERID>" << testsupport::TestDatabase::KrymUser() << "</SOURCEUSERID>"
        << "<SOURCEPASSWORD>" << testsupport::TestDatabase::KrymPassword() << "</SOURCEPASSWORD>"
        << "<SOURCECUSTOMIZATION>" << port << "</SOURCECUSTOMIZATION>"
        << "<ADDNOTESTOLOGBOOK>TRUE</ADDNOTESTOLOGBOOK><LOGBOOKID>1</LOGBOOKID></K30418>"
        << "</data></qalconfigurationxml>\n";
    std::ofstream(folder_ / "DeraRed.ini") << "LASTIDIMPORTED=0\r\n";
  }

  void Start() {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::chdir(folder_.c_str());
      ::unsetenv("DISPLAY");
      ::unsetenv("WAYLAND_DISPLAY");
      ::unsetenv("QT_QPA_PLATFORM");  // the program chooses off-screen by itself
      ::execl((folder_ / "k30418").c_str(), "k30418", "NTSERVICE", static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
  }

  // The service's current log, as its handle file names it.
  std::string ServiceLog() const {
    std::string path = ReadFile(folder_ / "k30418.log_handle");
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    return path.empty() ? "" : ReadFile(path);
  }

  bool WaitForLog(const std::string& text, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
      if (ServiceLog().find(text) != std::string::npos) return true;
      int status = 0;
      if (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return ServiceLog().find(text) != std::string::npos;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  testsupport::TestDatabase db_;
  testsupport::KrymFixture facility_;
  testsupport::KrymFixture deraRed_{testsupport::KrymFixture::Kind::DeraRed};
  int collector_ = 0;
  fs::path folder_;
  pid_t pid_ = 0;
};

}  // namespace

TEST_F(ServiceRun, ImportsOnceAtStartThenSleeps) {
  const std::string c = std::to_string(collector_);
  ASSERT_TRUE(facility_.ExecRoot(
      "INSERT INTO g2_server (interface_id, name, enabled, override_audituser, collector_dateadjust, "
      "collector_qaltimezoneid, lu_id, lu_version) VALUES (" +
      c + ", 'Rounds', -1, NULL, 0, 0, 30418, '1.0.8')"));
  ASSERT_TRUE(facility_.Register("Service Plant"));
  ASSERT_TRUE(facility_.Exec(
      "INSERT INTO logbook (id, name) VALUES (1, 'Shift log');"
      "INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '2026-01-01 00:00:00');"
      "INSERT INTO vardesc (varid, varnum, name, vartype, units, decplaces, source_cnn_approval, g2_interface_id, "
      "g2_enabled) VALUES (51, 51, 'Pressure', 'P', 'bar', 1, 0, " +
      c + ", -1), (52, 52, 'Temperature', 'H', 'degC', 1, 0, " + c + ", -1)"));
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_routes_points_questions (route_id, point_id, question_id, external_id, external_id_logbook) "
      "VALUES (1, 5, 1, 51, 1), (1, 5, 2, 52, 1);"
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes, question_id1, "
      "answer1, question_id2, answer2) VALUES "
      "(7, 1, 5, '2026-12-01', '1899-12-30 08:15:00', 'JSMITH', 'Valve sticks', 1, '6.42', 2, '61.3'),"
      "(9, 1, 5, '2026-12-02', '1899-12-30 14:40:00', 'AMILLER', NULL, 1, '6.55', 2, '62.0')"));
  WriteConfiguration();

  Start();
  ASSERT_TRUE(WaitForLog("Going to Sleep mode. Will next wake up at : ", 60)) << ServiceLog();
  const std::string log = ServiceLog();
  EXPECT_NE(log.find("Import was successful."), std::string::npos) << log;
  EXPECT_NE(log.find("Success: The Last Id that was Imported is - 9"), std::string::npos) << log;
  Stop();
  EXPECT_NE(ReadFile(folder_ / "DeraRed.ini").find("LASTIDIMPORTED=9"), std::string::npos);

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
  Start();
  int status = 0;
  bool ended = false;
  for (int i = 0; i < 300 && !ended; ++i) {
    ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(ended) << "the service kept running on an unreadable configuration";
  pid_ = 0;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
  const std::string log = ServiceLog();
  EXPECT_NE(log.find("PROMPT= Unable to read configuration at " + (folder_ / "k30418.xml").string()), std::string::npos)
      << log;
}
