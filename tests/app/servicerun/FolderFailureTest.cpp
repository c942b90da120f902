// The built program as a service in an installation folder that fails it: a full disk, a
// read-only folder, a missing configuration that cannot be made, a log folder that is a file.
// Nothing is silent: standard error (the journal) names the failure; the handle file never lies;
// the last imported id holds; one instance per folder still.
#include "ProgramFolder.h"
#include "app/startup/ExitStatus.h"
#include "support/ScratchMount.h"

using servicerun::Clock;
using servicerun::ProgramFolder;
using testsupport::Describe;
using testsupport::ScratchMount;
using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;

class FolderFailure : public ProgramFolder {
 protected:
  // A tmpfs with room for the program and a little more, or nothing (the test is skipped).
  std::optional<ScratchMount> Disk() {
    ScratchMount disk = ScratchMount::Tmpfs(fs::file_size(K30418_EXECUTABLE) + 4 * 1024 * 1024);
    if (!disk.Ok()) {
      skipWhy_ = disk.Why();
      return std::nullopt;
    }
    fs::copy_file(K30418_EXECUTABLE, disk.Path() / "k30418");
    return disk;
  }
  // Where the started programs' standard error goes: never the folder that fails them.
  fs::path ErrorsFolder() { return MakeFolder(folder_.filename().string() + "-stderr"); }

  static std::string LastId(const fs::path& folder) {
    const std::string ini = ReadFile(folder / "DeraRed.ini");
    const auto at = ini.find("LASTIDIMPORTED=");
    return at == std::string::npos ? "" : ini.substr(at + 15, ini.find_first_of("\r\n", at) - at - 15);
  }
  // The handle file is never there and empty.
  static void ExpectHandleNotEmptied(const fs::path& folder) {
    std::error_code ec;
    if (fs::exists(folder / "k30418.log_handle", ec)) {
      EXPECT_NE(HandleLogPath(folder), "");
    }
  }

  // Waits until the process's standard error holds a run's closing line (or it ended).
  static bool WaitForClosingLine(testsupport::Process& process, int seconds = 60) {
    const auto until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
      const std::string told = process.Errors();
      for (const char* line : {"Import terminated with error(s).", "Import was successful.", "Nothing to import"})
        if (told.find(line) != std::string::npos) return true;
      if (!process.Running()) return false;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }

  std::string skipWhy_;
};

}  // namespace

// A full disk: every run still tells someone, the id holds, and once there is room again the
// next run is whole and the log says what it missed.
TEST_F(FolderFailure, AFullDiskIsToldOnStandardErrorAndTheIdHoldsUntilThereIsRoom) {
  auto disk = Disk();
  if (!disk) GTEST_SKIP() << skipWhy_;
  const fs::path folder = disk->Path();
  const fs::path errors = ErrorsFolder();
  DesignateCollector();
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes, question_id1, "
      "answer1, question_id2, answer2) VALUES "
      "(1, 1, 5, '2026-12-01', '1899-12-30 08:15:00', 'JSMITH', NULL, 1, '6.42', 2, '61.3'),"
      "(2, 1, 5, '2026-12-02', '1899-12-30 14:40:00', 'AMILLER', NULL, 1, '6.55', 2, '62.0')"));
  WriteConfiguration(folder);
  // A run each minute, and every trace in the log: more than the page the old handle file frees
  // when it is removed.
  std::string config = ReadFile(folder / "k30418.xml");
  config.replace(config.find("<LOG_VERBOSITY>1<"), 17, "<LOG_VERBOSITY>9<");
  config.replace(config.find("<OPTIONS>"), 9,
                 "<OPTIONS><AUTOMATED_IMPORT><SCHEDULE><MINUTELY>YES</MINUTELY><MINUTELY_MINUTE>1</MINUTELY_MINUTE>"
                 "</SCHEDULE></AUTOMATED_IMPORT>");
  std::ofstream(folder / "k30418.xml", std::ios::binary | std::ios::trunc) << config;
  // Removing the old handle file frees a page; the id's save must need more than that.
  std::ofstream(folder / "DeraRed.ini", std::ios::binary) << "NOTE=" << std::string(12000, 'n')
                                                          << "\r\nLASTIDIMPORTED=0\r\n";

  {
    auto& first = StartService(folder, errors);
    ASSERT_TRUE(WaitFor([&] { return ServiceLog(folder); }, "Going to Sleep mode", first, 60)) << ServiceLog(folder);
    first.Signal(SIGTERM);
    ASSERT_TRUE(first.WaitForEnd(servicerun::kEndLimit));
  }
  ASSERT_EQ(LastId(folder), "2");
  const std::string olderLog = HandleLogPath(folder);

  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes, question_id1, "
      "answer1) VALUES (3, 1, 5, '2026-12-03', '1899-12-30 09:00:00', 'JSMITH', NULL, 1, '6.61')"));
  ASSERT_TRUE(disk->Fill());
  ASSERT_TRUE(WaitPastTheSecondOf(olderLog)) << olderLog;  // the next log is a new one
  auto& service = StartService(folder, errors);
  auto stderrText = [&] { return service.Errors(); };
  ASSERT_TRUE(WaitFor(stderrText, "Import terminated with error(s).", service, 90)) << service.Errors();
  const std::string told = service.Errors();
  EXPECT_NE(told.find("k30418: The log cannot be written: the log file "), std::string::npos) << told;
  EXPECT_NE(told.find(" cannot be written: No space left on device. Until it can,"), std::string::npos) << told;
  EXPECT_NE(told.find("k30418: The last imported id cannot be saved in " + (folder / "DeraRed.ini").string() +
                      ": No space left on device"),
            std::string::npos)
      << told;
  EXPECT_NE(told.find("k30418: WARNING : Unable to save Last Id Imported - 3"), std::string::npos) << told;
  EXPECT_EQ(LastId(folder), "2");
  ExpectHandleNotEmptied(folder);
  if (fs::exists(folder / "k30418.log_handle")) {
    EXPECT_NE(HandleLogPath(folder), olderLog);
  }

  disk->Free();
  ASSERT_TRUE(WaitFor([&] { return ServiceLog(folder); }, "Success: The Last Id that was Imported is - 3", service, 150))
      << ServiceLog(folder) << service.Errors();
  ASSERT_TRUE(WaitFor([&] { return ServiceLog(folder); }, "Going to Sleep mode", service, 30));
  const std::string log = ServiceLog(folder);
  EXPECT_NE(HandleLogPath(folder), olderLog);
  EXPECT_NE(log.find("Import was successful."), std::string::npos) << log;
  EXPECT_NE(log.find("line(s) are missing here; the lines that mattered went to standard error"), std::string::npos)
      << log;
  EXPECT_EQ(LastId(folder), "3");
  EXPECT_NE(service.Errors().find("k30418: The log can be written again: " + HandleLogPath(folder)), std::string::npos)
      << service.Errors();
  EXPECT_NE(service.Errors().find("k30418: The last imported id is saved in " + (folder / "DeraRed.ini").string() +
                                  " again."),
            std::string::npos)
      << service.Errors();
  EXPECT_EQ(ReadFile(folder / "DeraRed.ini").find("NOTE=nnn"), 0u) << "the file's other entries are kept";
  service.Signal(SIGTERM);
  EXPECT_TRUE(service.WaitForEnd(servicerun::kEndLimit));
}

// A read-only installation folder: the service says so on standard error, names no older log as
// its current one, and a second service there is still refused.
TEST_F(FolderFailure, OnAReadOnlyFolderASecondServiceIsRefused) {
  WriteConfiguration();  // no collector: each import ends at once
  { std::ofstream(folder_ / "k30418.log_handle") << (folder_ / "log" / "older.log").string() << "\r\n"; }
  ScratchMount view = ScratchMount::ReadOnlyView(folder_);
  if (!view.Ok()) GTEST_SKIP() << view.Why();
  const fs::path errors = ErrorsFolder();

  auto& first = StartService(view.Path(), errors);
  ASSERT_TRUE(WaitForClosingLine(first)) << first.Errors();
  const std::string told = first.Errors();
  EXPECT_NE(told.find("k30418: The log cannot be written: no log file can be made in " + (view.Path() / "log").string() +
                      ": the log folder " + (view.Path() / "log").string() + " cannot be made: Read-only file system."),
            std::string::npos)
      << told;
  EXPECT_NE(told.find("k30418: The service instance lock holds on the folder " + view.Path().string() +
                      " alone: the lock file " + (view.Path() / "k30418_ntservice.lock.guard").string() +
                      " cannot be made: Read-only file system."),
            std::string::npos)
      << told;
  EXPECT_NE(told.find("cannot be removed (Read-only file system). The log it names is not the current one."),
            std::string::npos)
      << told;

  auto& second = StartService(view.Path(), errors);
  const auto status = second.WaitForEnd(servicerun::kEndLimit);
  ASSERT_TRUE(status) << "the second service kept running";
  ASSERT_TRUE(WIFEXITED(*status)) << Describe(*status);
  EXPECT_EQ(WEXITSTATUS(*status), ExitStatus::kServiceAlreadyRunning) << second.Errors();
  EXPECT_TRUE(first.Running());
  first.Signal(SIGTERM);
  EXPECT_TRUE(first.WaitForEnd(servicerun::kEndLimit));
}

// A missing configuration on a full disk cannot be made: standard error says so and why, and the
// start ends with the status of an unusable configuration.
TEST_F(FolderFailure, AMissingConfigurationOnAFullDiskIsToldBeforeTheStartEnds) {
  auto disk = Disk();
  if (!disk) GTEST_SKIP() << skipWhy_;
  const fs::path errors = ErrorsFolder();
  std::ofstream(disk->Path() / "DeraRed.ini") << "LASTIDIMPORTED=0\r\n";
  ASSERT_TRUE(disk->Fill());
  auto& service = StartService(disk->Path(), errors);
  const auto status = service.WaitForEnd(servicerun::kEndLimit);
  ASSERT_TRUE(status && WIFEXITED(*status)) << (status ? Describe(*status) : "still running");
  EXPECT_EQ(WEXITSTATUS(*status), ExitStatus::kUnusableConfiguration);
  const std::string told = service.Errors();
  EXPECT_NE(told.find("k30418: Configuration file " + (disk->Path() / "k30418.xml").string() +
                      " cannot be used: it does not exist and cannot be created: "),
            std::string::npos)
      << told;
  EXPECT_NE(told.find("No space left on device"), std::string::npos) << told;
  EXPECT_FALSE(fs::exists(disk->Path() / "k30418.xml"));
}

// A file where the log folder should be: the service runs, and standard error says why it has
// no log.
TEST_F(FolderFailure, ALogFolderThatIsAFileIsToldOnStandardError) {
  WriteConfiguration();
  std::ofstream(folder_ / "log") << "not a folder";
  auto& service = StartService();
  ASSERT_TRUE(WaitForClosingLine(service)) << service.Errors();
  EXPECT_NE(service.Errors().find("k30418: The log cannot be written: no log file can be made in " +
                                  (folder_ / "log").string() + ": the log folder " + (folder_ / "log").string() +
                                  " is a file, not a folder."),
            std::string::npos)
      << service.Errors();
  EXPECT_TRUE(service.Running());
  service.Signal(SIGTERM);
  EXPECT_TRUE(service.WaitForEnd(servicerun::kEndLimit));
}
