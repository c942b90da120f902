// One service instance per installation folder: a second service start in the same folder ends
// at once with its own exit status and one line on standard error, leaving the running instance
// and the log folder alone; the desktop program beside it and a service in another folder still
// start.
#include "ProgramFolder.h"
#include "app/startup/ExitStatus.h"

using servicerun::ProgramFolder;
using testsupport::Describe;
using namespace std::chrono_literals;

namespace {

class ServiceLock : public ProgramFolder {
 protected:
  // Starts a second service in the folder and expects it refused (its own exit status) while
  // the first runs on; started, when given, is set to the second.
  void ExpectSecondStartRefused(testsupport::Process& first, testsupport::Process** started = nullptr) {
    auto& second = StartService();
    if (started) *started = &second;
    const auto status = second.WaitForEnd(servicerun::kEndLimit);
    ASSERT_TRUE(status) << "the second service kept running";
    ASSERT_TRUE(WIFEXITED(*status)) << Describe(*status);
    EXPECT_EQ(WEXITSTATUS(*status), ExitStatus::kServiceAlreadyRunning);
    EXPECT_TRUE(first.Running());
  }
  // What a service started from now on writes to the folder's log. Logs are named to the
  // second: a start within the same second as the last one appends to that one's file.
  std::function<std::string()> NextServiceLog() {
    const std::string path = HandleLogPath(folder_);
    const std::size_t before = ServiceLog().size();
    return [this, path, before] {
      const std::string log = ServiceLog();
      return HandleLogPath(folder_) != path ? log : log.size() > before ? log.substr(before) : std::string();
    };
  }
};

}  // namespace

TEST_F(ServiceLock, ASecondServiceInTheSameFolderIsRefusedUntilTheFirstHasEnded) {
  WriteConfiguration();  // no collector: each import ends at once, which is all this needs
  auto& first = StartService();
  ASSERT_TRUE(WaitForServiceLog("Going to Sleep mode", first)) << ServiceLog();
  const std::string firstLog = HandleLogPath(folder_);
  // A log the second start made would have a name of its own, which the check of the folder
  // below needs.
  ASSERT_TRUE(WaitPastTheSecondOf(firstLog)) << firstLog;

  testsupport::Process* second = nullptr;
  ExpectSecondStartRefused(first, &second);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(HandleLogPath(folder_), firstLog) << "the handle file still names the running service's log";

  // The refused start says why on standard error (the journal) and makes no log file: the
  // service manager retries it every 30 s, a file each time would fill the folder.
  const std::string line =
      "Service not started: another k30418 service instance is already running in " + folder_.string() + ".";
  EXPECT_NE(second->Errors().find("k30418: " + line + "\n"), std::string::npos) << second->Errors();
  EXPECT_EQ(Logs(folder_), std::vector<std::filesystem::path>{firstLog});
  EXPECT_EQ(ServiceLog().find(line), std::string::npos);

  // The desktop program may run beside the service.
  auto& desktop = StartInteractive(folder_);
  auto all = [this] { return AllLogs(folder_); };
  ASSERT_TRUE(WaitFor(all, "Configuration loaded from", desktop, 60)) << all();
  desktop.Signal(SIGTERM);
  EXPECT_TRUE(desktop.WaitForEnd(servicerun::kEndLimit));

  // So may a service of another installation.
  const auto other = MakeFolder(folder_.filename().string() + "-other");
  WriteConfiguration(other);
  auto& elsewhere = StartService(other);
  EXPECT_TRUE(WaitFor([&] { return ServiceLog(other); }, "Going to Sleep mode", elsewhere, 60)) << ServiceLog(other);
  elsewhere.Signal(SIGTERM);
  EXPECT_TRUE(elsewhere.WaitForEnd(servicerun::kEndLimit));

  // Once the first has ended, a new start is the folder's service.
  first.Signal(SIGTERM);
  ASSERT_TRUE(first.WaitForEnd(servicerun::kEndLimit));
  auto nextLog = NextServiceLog();
  auto& next = StartService();
  EXPECT_TRUE(WaitFor(nextLog, "Going to Sleep mode", next, 60)) << ServiceLog();
}

// Someone deletes the lock's files while the service runs: a second start in the folder is
// still refused, and the running service keeps running.
TEST_F(ServiceLock, DeletingTheLockFilesUnderARunningServiceDoesNotLetASecondOneIn) {
  WriteConfiguration();
  auto& first = StartService();
  ASSERT_TRUE(WaitForServiceLog("Going to Sleep mode", first)) << ServiceLog();
  const std::string lock = "k30418_ntservice.lock", guard = lock + ".guard";
  const std::vector<std::vector<std::string>> deletions = {{lock}, {guard}, {lock, guard}};
  for (const auto& files : deletions) {
    SCOPED_TRACE(files.size() == 2 ? "both" : files.front());
    for (const std::string& name : files) std::filesystem::remove(folder_ / name);
    ExpectSecondStartRefused(first);
  }

  first.Signal(SIGTERM);
  ASSERT_TRUE(first.WaitForEnd(servicerun::kEndLimit));
  auto nextLog = NextServiceLog();
  auto& next = StartService();
  EXPECT_TRUE(WaitFor(nextLog, "Going to Sleep mode", next, 60))
      << "once the first has ended, the folder's service runs\n"
      << ServiceLog() << "\nstderr: " << next.Errors();
}

// A lock file that cannot be made (here a folder stands where its guard would go) does not keep
// the service from running, and it is not taken for another instance: the lock holds on the
// folder alone, the log says why, and a second service there is still refused.
TEST_F(ServiceLock, ALockFileThatCannotBeMadeLocksTheFolderAlone) {
  std::filesystem::create_directories(folder_ / "k30418_ntservice.lock.guard");
  std::ofstream(folder_ / "k30418.xml") << "<qalconfigurationxml>";  // unusable: the start ends
  auto& refused = StartService();
  const auto status = refused.WaitForEnd(servicerun::kEndLimit);
  ASSERT_TRUE(status && WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), ExitStatus::kUnusableConfiguration) << "not the status of a second instance";

  WriteConfiguration();
  auto& service = StartService();
  ASSERT_TRUE(WaitForServiceLog("Going to Sleep mode", service)) << ServiceLog();
  EXPECT_NE(ServiceLog().find("The service instance lock holds on the folder " + folder_.string() +
                              " alone: the lock file " + (folder_ / "k30418_ntservice.lock.guard").string() +
                              " cannot be made: Is a directory."),
            std::string::npos)
      << ServiceLog();
  ExpectSecondStartRefused(service);
}
