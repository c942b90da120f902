// A log that cannot be written is never silent: the journal (standard error) hears of each
// cause once, and of the lines that matter while it lasts; the log says what it missed once it
// works again, and the handle file never names an older log as the current one.
#include "foundation/logger/LoggerFixture.h"
#include "platform/xml/FileTestKit.h"
#include "support/ScratchMount.h"

namespace loggertest {
namespace {

using Strings = std::vector<std::string>;

class LogFailure : public LoggerFixture {
 protected:
  void SetUp() override {
    LoggerFixture::SetUp();
    logger->Journal([this](const std::string& line) { journal.push_back(line); });
  }
  // The journal lines since the last call.
  Strings NewJournal() { return std::exchange(journal, {}); }

  std::string Handle() const { return root + "/k30418.log_handle"; }

  Strings journal;
};

// Only alerts reach the journal, and only while something fails; the cause is told once.
TEST_F(LogFailure, ALogFolderThatIsAFileSendsTheAlertsToTheJournal) {
  fs::remove(logDir);
  WriteFile(logDir, 10);  // "log" is a file
  logger->WriteLog("progress");
  EXPECT_EQ(NewJournal(), Strings{"The log cannot be written: no log file can be made in " + logDir +
                                  ": the log folder " + logDir +
                                  " is a file, not a folder. Until it can, the lines that matter (failures, each "
                                  "run's closing line) are written here."});
  EXPECT_TRUE(logger->OwnFilesFailing());
  logger->WriteLog("more progress");
  logger->WriteAlert("Import terminated with error(s).");
  EXPECT_EQ(NewJournal(), Strings{"Import terminated with error(s)."});

  fs::remove(logDir);
  fs::create_directory(logDir);
  logger->WriteAlert("Import was successful.");
  EXPECT_EQ(Texts(), (Strings{"The log could not be written from 14:05:09 to 14:05:09 (no log file can be made in " +
                                  logDir + ": the log folder " + logDir +
                                  " is a file, not a folder): 3 line(s) are missing here; the lines that mattered went "
                                  "to standard error (the service's journal).",
                              "Import was successful."}));
  EXPECT_EQ(NewJournal(), Strings{"The log can be written again: " + logger->CurrentFilePath()});
  EXPECT_FALSE(logger->OwnFilesFailing());
  logger->WriteAlert("Import was successful.");
  EXPECT_EQ(NewJournal(), Strings{}) << "a working log keeps its lines to itself";
}

// Another of the program's files: told once per cause, again for a new cause, and its recovery.
// Alerts go to the journal while it fails, whatever the log can take.
TEST_F(LogFailure, AFileFailureIsToldOncePerCause) {
  const std::string ini = root + "/DeraRed.ini";
  logger->ReportFileFailure(ini, "No space left on device", "DeraRed.ini cannot be saved: disk full");
  logger->ReportFileFailure(ini, "No space left on device", "DeraRed.ini cannot be saved: disk full");
  logger->WriteAlert("WARNING : Unable to save Last Id Imported - 7");
  logger->ReportFileFailure(ini, "Read-only file system", "DeraRed.ini cannot be saved: read-only");
  logger->FileRecovered(ini, "saved again");
  logger->FileRecovered(ini, "saved again");
  logger->WriteAlert("Import was successful.");
  EXPECT_EQ(NewJournal(), (Strings{"DeraRed.ini cannot be saved: disk full", "WARNING : Unable to save Last Id Imported - 7",
                                   "DeraRed.ini cannot be saved: read-only", "saved again"}));
  EXPECT_EQ(Texts(), (Strings{"WARNING : Unable to save Last Id Imported - 7", "Import was successful."}));
}

// In service mode: the handle file is replaced whole and readable by all; when no log can be
// made it goes (it named an older log), and it comes back with the next log.
TEST_F(LogFailure, TheHandleFileGoesWhileNoLogCanBeMade) {
  logger->LogHandleAssertion(true);
  logger->Postfix("_ntservice");
  logger->WriteLog("first start");
  const std::string first = logger->CurrentFilePath();
  EXPECT_EQ(ReadFile(Handle()), first + "\r\n");
  EXPECT_EQ(fs::status(Handle()).permissions() & fs::perms::others_read, fs::perms::others_read);
  logger->closeLog();

  fs::remove_all(logDir);
  WriteFile(logDir, 1);
  clock.AdvanceSeconds(1);
  logger->WriteLog("second start");
  EXPECT_FALSE(fs::exists(Handle())) << "it would name " << first << " as the current log";
  ASSERT_EQ(NewJournal().size(), 2u) << "the log, and the handle file";

  fs::remove(logDir);
  fs::create_directory(logDir);
  logger->WriteLog("the log works again");
  EXPECT_EQ(ReadFile(Handle()), logger->CurrentFilePath() + "\r\n");
  EXPECT_EQ(NewJournal(), (Strings{"The handle file " + Handle() + " names the current log again.",
                                   "The log can be written again: " + logger->CurrentFilePath()}));
  for (const auto& e : fs::directory_iterator(root))
    EXPECT_FALSE(e.path().filename().string().starts_with("k30418.log_handle.")) << e.path();
}

// A full disk: the log file is made but takes no line. No half line stays in it, the handle file
// is not emptied, and once there is room the log says what it missed and the handle names it.
TEST(LogOnAFullDisk, NoHalfLineNoEmptyHandleAndTheGapIsToldOnceThereIsRoom) {
  testsupport::ScratchMount disk = testsupport::ScratchMount::Tmpfs(256 * 1024);
  if (!disk.Ok()) GTEST_SKIP() << disk.Why();
  const std::string folder = disk.Path().string();
  core::ManualClock clock{core::Date::FromParts(2026, 12, 8, 14, 5, 9)};
  Strings journal;
  QALLoggerTXT logger(folder, "k30418", clock);
  logger.Journal([&journal](const std::string& line) { journal.push_back(line); });
  logger.LogPath(folder + "/log");
  logger.Enabled(true);
  logger.LogHandleAssertion(true);
  const std::string handle = logger.HandleFilePath();
  { std::ofstream(handle, std::ios::binary) << folder << "/log/older.log\r\n"; }

  ASSERT_TRUE(disk.Fill());
  // Removing the handle file frees its page, which takes only a part of this line.
  logger.WriteLog(std::string(6000, 'a'));
  ASSERT_TRUE(disk.Fill("more"));
  logger.WriteAlert("Import terminated with error(s).");
  const std::string log = logger.CurrentFilePath();
  ASSERT_NE(log, "") << "a new file needs no room";
  EXPECT_EQ(fs::file_size(log), 0u);
  EXPECT_FALSE(fs::exists(handle)) << "the handle file is removed, not emptied, and names no older log";
  ASSERT_EQ(journal.size(), 3u);
  EXPECT_NE(journal[0].find("No space left on device"), std::string::npos) << journal[0];
  EXPECT_EQ(journal[1], "The log cannot be written: the log file " + log +
                            " cannot be written: No space left on device. Until it can, the lines that matter "
                            "(failures, each run's closing line) are written here.");
  EXPECT_EQ(journal[2], "Import terminated with error(s).");

  disk.Free();
  disk.Free("more");
  logger.WriteLog("room again");
  std::ifstream in(log, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "14:05:09 : The log could not be written from 14:05:09 to 14:05:09 (the log file " + log +
                " cannot be written: No space left on device): 2 line(s) are missing here; the lines that mattered "
                "went to standard error (the service's journal).\r\n14:05:09 : room again\r\n");
  EXPECT_EQ(ReadFile(handle), log + "\r\n");
}

// A line the disk has room for only in part is taken back whole.
TEST(LogOnAFullDisk, ALineThatDoesNotFitIsTakenBackWhole) {
  testsupport::ScratchMount disk = testsupport::ScratchMount::Tmpfs(64 * 1024);
  if (!disk.Ok()) GTEST_SKIP() << disk.Why();
  const std::string folder = disk.Path().string();
  core::ManualClock clock{core::Date::FromParts(2026, 12, 8, 14, 5, 9)};
  QALLoggerTXT logger(folder, "k30418", clock);
  logger.Journal([](const std::string&) {});
  logger.LogPath(folder + "/log");
  logger.Enabled(true);
  logger.WriteLog("opened");
  const std::string log = logger.CurrentFilePath();
  ASSERT_TRUE(disk.Fill());
  // The filler took every whole page; what is left of the log's last page takes a part of this.
  logger.WriteLog(std::string(8000, 'b'));
  EXPECT_NE(logger.LogFailure(), "");
  EXPECT_EQ(ReadFile(log), "14:05:09 : opened\r\n");
}

}  // namespace
}  // namespace loggertest
