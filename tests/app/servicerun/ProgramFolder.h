#pragma once

// The built program in an installation folder of its own, started as the service host (or a
// user) starts it: a copy of the executable, a configuration that points at the test Krym and
// DeraRed, the last-id file, and helpers to start, signal and wait for its processes and to read
// their logs.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/xml/FileTestKit.h"
#include "support/KrymFixture.h"
#include "support/ProgramProcess.h"
#include "support/TestDatabase.h"

namespace servicerun {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How long a test waits for a program to end. Generous for a busy machine: what a test proves
// never rests on it (a wait that the program is to cut short is made far longer than this).
inline constexpr std::chrono::seconds kEndLimit{120};

// A TCP port on 127.0.0.1 where nothing listens: a database there refuses every connection.
inline int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  ::close(fd);
  return port;
}

class ProgramFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::RequireDatabase(db_));
    ASSERT_TRUE(facility_.Ok());
    ASSERT_TRUE(deraRed_.Ok());
    std::random_device rd;
    collector_ = 100000 + static_cast<int>(rd() % 800000);
    folder_ = MakeFolder("k30418-service-" + std::to_string(collector_));
  }
  void TearDown() override {
    processes_.clear();
    facility_.ExecRoot("DELETE FROM g2_server WHERE interface_id = " + std::to_string(collector_));
    for (const fs::path& f : folders_) fs::remove_all(f);
  }

  // An installation folder with a copy of the program, removed at the end of the test.
  fs::path MakeFolder(const std::string& name) {
    const fs::path f = fs::temp_directory_path() / name;
    fs::remove_all(f);
    fs::create_directories(f);
    fs::copy_file(K30418_EXECUTABLE, f / "k30418");
    folders_.push_back(f);
    return f;
  }

  // The designated collector with two variables of the facility, each fed by one DeraRed
  // question. The answers are the test's own.
  void DesignateCollector() {
    const std::string c = std::to_string(collector_);
    ASSERT_TRUE(facility_.ExecRoot(
        "INSERT INTO g2_server (interface_id, name, enabled, override_audituser, collector_dateadjust, "
        "collector_qaltimezoneid, lu_id, lu_version) VALUES (" +
        c + ", 'Rounds', -1, NULL, 0, 0, 30418, '1.0.8')"));
    ASSERT_TRUE(facility_.Register("Service Plant"));
    ASSERT_TRUE(
        facility_.Exec("INSERT INTO logbook (id, name) VALUES (1, 'Shift log');"
                       "INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '2026-01-01 00:00:00');"
                       "INSERT INTO vardesc (varid, varnum, name, vartype, units, decplaces, source_cnn_approval, "
                       "g2_interface_id, g2_enabled) VALUES (51, 51, 'Pressure', 'P', 'bar', 1, 0, " +
                       c + ", -1), (52, 52, 'Temperature', 'H', 'degC', 1, 0, " + c + ", -1)"));
    ASSERT_TRUE(
        deraRed_.Exec("INSERT INTO tbl_routes_points_questions (route_id, point_id, question_id, external_id, "
                      "external_id_logbook) VALUES (1, 5, 1, 51, 1), (1, 5, 2, 52, 1)"));
  }

  // A configuration that points at the test databases; the DeraRed port may be another one
  // (a closed port makes DeraRed unreachable), and extraXml goes into the data part as it is.
  void WriteConfiguration(const fs::path& folder, int deraRedPort = 0, const std::string& extraXml = "") {
    const std::string port = "Port=" + std::to_string(db_.port) + ";CommLog=0;Debug=0;";
    const std::string sourcePort = "Port=" + std::to_string(deraRedPort ? deraRedPort : db_.port) + ";CommLog=0;Debug=0;";
    std::ofstream(folder / "k30418.xml")
        << "<?xml version=\"1.0\"?>\n<qalconfigurationxml><spec version=\"1\" encrypted=\"False\"/><data>"
        << "<OPTIONS><LOG_VERBOSITY>1</LOG_VERBOSITY><NOIU><LIMITFACILITY>" << facility_.Name()
        << "</LIMITFACILITY></NOIU></OPTIONS>"
        << "<VORNKRYM><VORNKRYM_CONNECTION_DBTYPE>2</VORNKRYM_CONNECTION_DBTYPE>"
        << "<VORNKRYM_CONNECTION_PROVIDER>PostgreSQL Unicode</VORNKRYM_CONNECTION_PROVIDER>"
        << "<VORNKRYM_CONNECTION_DATASOURCE>" << db_.host << "</VORNKRYM_CONNECTION_DATASOURCE>"
        << "<VORNKRYM_CONNECTION_CUSTOMIZATIONS>" << port << "</VORNKRYM_CONNECTION_CUSTOMIZATIONS>"
        << "<G2_SERVER_INTERFACE_ID>" << collector_ << "</G2_SERVER_INTERFACE_ID>" << vornKrymXml_ << "</VORNKRYM>"
        << "<K30418><SOURCEPROVIDER>PostgreSQL Unicode</SOURCEPROVIDER><SOURCEDBTYPE>2</SOURCEDBTYPE>"
        << "<SOURCEDS>" << db_.host << "</SOURCEDS><SOURCEDB>" << deraRed_.Name() << "</SOURCEDB>"
        << "<SOURCEUSERID>" << testsupport::TestDatabase::KrymUser() << "</SOURCEUSERID>"
        << "<SOURCEPASSWORD>" << testsupport::TestDatabase::KrymPassword() << "</SOURCEPASSWORD>"
        << "<SOURCECUSTOMIZATION>" << sourcePort << "</SOURCECUSTOMIZATION>"
        << "<ADDNOTESTOLOGBOOK>TRUE</ADDNOTESTOLOGBOOK><LOGBOOKID>1</LOGBOOKID></K30418>" << extraXml
        << "</data></qalconfigurationxml>\n";
    std::ofstream(folder / "DeraRed.ini") << "LASTIDIMPORTED=0\r\n";
  }
  void WriteConfiguration(int deraRedPort = 0, const std::string& extraXml = "") {
    WriteConfiguration(folder_, deraRedPort, extraXml);
  }

  // Standard error goes to a file in errorsFolder (by default the folder itself).
  testsupport::Process& StartService(const fs::path& folder, const fs::path& errorsFolder = {}) {
    return Start(folder, {"NTSERVICE"}, false, errorsFolder);
  }
  testsupport::Process& StartService() { return StartService(folder_); }
  testsupport::Process& StartInteractive(const fs::path& folder) { return Start(folder, {}, true); }
  testsupport::Process& Start(const fs::path& folder, const std::vector<std::string>& args, bool offscreen,
                              const fs::path& errorsFolder = {}) {
    const fs::path errors = (errorsFolder.empty() ? folder : errorsFolder) /
                            ("stderr-" + std::to_string(processes_.size()) + ".txt");
    processes_.push_back(std::make_unique<testsupport::Process>(folder, args, offscreen, errors));
    return *processes_.back();
  }

  // The log the folder's handle file names (the running service's log).
  static std::string HandleLogPath(const fs::path& folder) {
    std::string path = ReadFile(folder / "k30418.log_handle");
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    return path;
  }
  static std::string ServiceLog(const fs::path& folder) {
    const std::string path = HandleLogPath(folder);
    return path.empty() ? "" : ReadFile(path);
  }
  std::string ServiceLog() const { return ServiceLog(folder_); }
  // Every log of the folder, oldest name first.
  static std::vector<fs::path> Logs(const fs::path& folder) {
    std::vector<fs::path> logs;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder / "log", ec)) logs.push_back(e.path());
    std::sort(logs.begin(), logs.end());
    return logs;
  }
  static std::string AllLogs(const fs::path& folder) {
    std::string all;
    for (const fs::path& p : Logs(folder)) all += ReadFile(p);
    return all;
  }

  // Polls until the text shows in what read() returns, or the process ended, or the time is up.
  static bool WaitFor(const std::function<std::string()>& read, const std::string& text, testsupport::Process& process,
                      int seconds) {
    const auto until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
      if (read().find(text) != std::string::npos) return true;
      if (!process.Running()) return read().find(text) != std::string::npos;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  bool WaitForServiceLog(const std::string& text, testsupport::Process& process, int seconds = 60) {
    return WaitFor([this] { return ServiceLog(); }, text, process, seconds);
  }

  // Logs are named to the local second (rounded: a log made at 10:00:04.6 is named 10_00_05),
  // and a start within the second of the last log appends to it. Waits until the clock has
  // passed the second the log's name holds, so that a log made from now on has a name of its
  // own; false if the name holds no time or the clock does not pass it within a minute.
  static bool WaitPastTheSecondOf(const std::string& log) {
    const std::string name = fs::path(log).filename().string();
    std::tm named{};
    bool found = false;
    for (std::size_t at = 0; !found && at + 20 <= name.size(); ++at)
      found = ::strptime(name.substr(at, 20).c_str(), "%m_%d_%Y__%H_%M_%S", &named) != nullptr;
    if (!found) return false;
    named.tm_isdst = -1;
    const std::time_t second = std::mktime(&named);
    const auto until = Clock::now() + std::chrono::seconds(60);
    while (std::time(nullptr) <= second && Clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return std::time(nullptr) > second;
  }

  static std::size_t Count(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
  }

  testsupport::TestDatabase db_;
  testsupport::KrymFixture facility_;
  testsupport::KrymFixture deraRed_{testsupport::KrymFixture::Kind::DeraRed};
  int collector_ = 0;
  fs::path folder_;
  std::string vornKrymXml_;  // more of the Krym connection's part, as it is

 private:
  std::vector<fs::path> folders_;
  std::vector<std::unique_ptr<testsupport::Process>> processes_;
};

}  // namespace servicerun
