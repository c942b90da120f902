// Start-up of both run modes, run in-process against a program folder of its own.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "support/QtTestApp.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A fresh program folder and one start of the program in it.
class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    folder_ = fs::temp_directory_path() / ("k30418-start-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Runs the start-up steps once; the objects live until the next Start or the end of the test.
  bool Start(const std::string& commandLine) {
    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_.reset();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    bool ok = ProgramEntryPoint::Main(*objects_, commandLine);
    if (objects_->logger) {
      logFile_ = objects_->logger->CurrentFilePath();
      objects_->logger->closeLog();
    }
    return ok;
  }

  // Changes one stored value in the configuration file through a store of its own.
  void StoreSetting(const std::string& key, const std::string& value) {
    ASSERT_TRUE(Start("NTSERVICE"));
    objects_->config->item(key, value);
    ASSERT_TRUE(objects_->config->SaveConfig());
  }

  std::string AllLogs() const {
    std::string all;
    for (auto& e : fs::directory_iterator(folder_ / "log")) all += ReadFile(e.path());
    return all;
  }
  std::string LastLog() const {
    return ReadFile(logFile_);
  }

  fs::path folder_;
  std::string logFile_;
  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
};

}  // namespace

TEST(StartupCommandLine, OnlyTheSingleWordSelectsServiceMode) {
  struct Case {
    const char* line;
    bool service;
  } cases[] = {{"NTSERVICE", true},   {"ntservice", true},    {"NtService", true}, {" NTSERVICE", false},
               {"NTSERVICE x", false}, {"", false},           {"NTSERVICE ", false}};
  for (const auto& c : cases) EXPECT_EQ(ProgramEntryPoint::IsServiceCommandLine(c.line), c.service) << c.line;
}

TEST_F(Startup, FirstStartWritesTheWholeKeyTreeAndTheBanner) {
  ASSERT_TRUE(Start("NTSERVICE"));
  const std::string xml = ReadFile(folder_ / "k30418.xml");
  ASSERT_FALSE(xml.empty());
  // Sections appear in bucket order of the key table, not in declaration order.
  auto at = [&](const char* tag) { return xml.find(std::string("<") + tag + ">"); };
  ASSERT_NE(at("TARGET"), std::string::npos);
  EXPECT_LT(at("TARGET"), at("SOURCE"));
  EXPECT_LT(at("SOURCE"), at("VORNKRYM"));
  EXPECT_LT(at("VORNKRYM"), at("OPTIONS"));
  EXPECT_LT(at("OPTIONS"), at("K30418"));
  EXPECT_NE(xml.find("<SOURCEPROVIDER>Microsoft.Jet.OLEDB.4.0</SOURCEPROVIDER>"), std::string::npos);

  const std::string log = LastLog();
  const char* expected[] = {
      "Vorn Krym Direct Server-Side Interface to FlexSystems DeraRED\r\n",
      "k30418 version 1.0.8 (Build 124)\r\n",
      "Build Numbers : 124 (Application)  7 (Type) 149 (Platform)\r\n",
      "ID: 30418\r\n",
      "Running on ",
      "Configuration file does not exist at " ,
      "Default configuration file successfully created.",
      "[Log Verbosity is set to 0, Log Date is ",
      "Logs in '",
  };
  size_t pos = 0;
  for (const char* line : expected) {
    size_t found = log.find(line, pos);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
    pos = found;
  }
  // Process facts and the dump need verbosity 2.
  EXPECT_EQ(log.find("PATH="), std::string::npos);
  EXPECT_EQ(log.find("Configuration Settings :"), std::string::npos);
  // The service names its log in the handle file.
  EXPECT_NE(ReadFile(folder_ / "k30418.log_handle").find(logFile_), std::string::npos);
}

TEST_F(Startup, StoredVerbosityAndRetentionAreClampedAndWrittenBack) {
  StoreSetting("OPTIONS\\LOG_VERBOSITY", "12");
  StoreSetting("OPTIONS\\KEEP_LOGS_FOR", "5000");
  ASSERT_TRUE(Start(""));
  EXPECT_EQ(objects_->config->item("OPTIONS\\LOG_VERBOSITY"), "9");
  EXPECT_EQ(objects_->config->item("OPTIONS\\KEEP_LOGS_FOR"), "1000");
  EXPECT_EQ(objects_->logger->Verbosity(), 9);
  EXPECT_TRUE(objects_->config->ChangeWasMade());
  const std::string log = LastLog();
  EXPECT_NE(log.find("after they are older than 1000 days."), std::string::npos);
  EXPECT_NE(log.find("COMMAND=\r\n"), std::string::npos);
  EXPECT_NE(log.find("TASK_UNATTENTED_APP=False"), std::string::npos);
  EXPECT_NE(log.find("Configuration Settings :"), std::string::npos);
  EXPECT_NE(log.find("HELPFILE="), std::string::npos);
}

TEST_F(Startup, UnreadableConfigurationEndsTheStartAfterASilentBoxInServiceMode) {
  std::ofstream(folder_ / "k30418.xml") << "<qalconfigurationxml><spec version=\"1\"";  // cut short
  EXPECT_FALSE(Start("NTSERVICE"));
  const std::string log = AllLogs();
  EXPECT_NE(log.find("SILENT QALMSGBOX"), std::string::npos);
  // The reason on a line of its own; the box's prompt stays one line.
  EXPECT_NE(log.find(" : Configuration file " + (folder_ / "k30418.xml").string() + " cannot be used: "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("PROMPT= Unable to read configuration at " + (folder_ / "k30418.xml").string() + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("TITLE= Unable to start k30418"), std::string::npos);
  // Nothing was written over the damaged file.
  EXPECT_EQ(ReadFile(folder_ / "k30418.xml"), "<qalconfigurationxml><spec version=\"1\"");
}

TEST_F(Startup, UnreadableConfigurationIsShownWithItsReasonInInteractiveMode) {
  const std::string damaged = "<qalconfigurationxml><spec version=\"1\" encrypted=\"False\"/><data></dta>";
  std::ofstream(folder_ / "k30418.xml") << damaged;
  // The box is modal: read it when it shows and answer it.
  std::string title, text;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !text.empty()) return;
    title = box->windowTitle().toStdString();
    text = box->text().toStdString();
    box->accept();
  });
  poll.start();
  EXPECT_FALSE(Start(""));
  poll.stop();
  EXPECT_EQ(title, "Unable to start k30418");
  EXPECT_EQ(text.rfind("Unable to read configuration at " + (folder_ / "k30418.xml").string() + "\n\n", 0), 0u) << text;
  EXPECT_NE(text.find("line 1, column"), std::string::npos) << text;
  // The log says the same at verbosity 0, and nothing was saved over the file.
  EXPECT_NE(LastLog().find("Configuration file " + (folder_ / "k30418.xml").string() + " cannot be used: "),
            std::string::npos)
      << LastLog();
  EXPECT_EQ(ReadFile(folder_ / "k30418.xml"), damaged);
}

TEST_F(Startup, LeftoversOfInterruptedSavesAreRemovedAndNothingElse) {
  // A process that has ended: its pid names a leftover.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string goneJunk = "TempJunk" + std::to_string(gone) + ".txt";
  const std::string liveJunk = "TempJunk" + std::to_string(::getpid()) + ".txt";  // a rewrite still running

  const std::set<std::string> leftovers = {"k30418.xml.a1B2c3", "k30418.xml.ZZZZZZ", goneJunk,
                                           "TempJunk99999999999.txt"};
  const std::set<std::string> kept = {
      liveJunk,           "TempJunk1.txt", "k30418.xml.abc",  "k30418.xml.abcdefg", "k30418.xml.ab-cd1",
      "other.xml.a1B2c3", "TempJunk.txt",  "TempJunk12x.txt", "tempjunk7.txt",      "TempJunk-7.txt",
      "TempJunk7.txt.bak"};
  for (const auto& name : leftovers) std::ofstream(folder_ / name) << "<data>secret</data>";
  for (const auto& name : kept) std::ofstream(folder_ / name) << "keep";
  // Of the right name but no regular file: not ours.
  fs::create_directory(folder_ / "k30418.xml.d1r2c3");
  fs::create_symlink(folder_ / "TempJunk.txt", folder_ / "k30418.xml.Sym123");
  // A save in progress in another instance holds its temporary locked.
  std::ofstream(folder_ / "k30418.xml.Lck123") << "<data>being written</data>";
  const int held = ::open((folder_ / "k30418.xml.Lck123").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  ASSERT_TRUE(Start("NTSERVICE"));
  ::close(held);

  for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(folder_ / name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(fs::exists(folder_ / name)) << name;
  EXPECT_TRUE(fs::exists(folder_ / "k30418.xml.Lck123"));
  EXPECT_TRUE(fs::is_directory(folder_ / "k30418.xml.d1r2c3"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "k30418.xml.Sym123"));

  const std::string log = LastLog();
  for (const auto& name : leftovers) {
    const std::string line = "Removed " + (folder_ / name).string() + ", left behind by an interrupted save.\r\n";
    const auto at = log.find(line);
    EXPECT_NE(at, std::string::npos) << name << "\n" << log;
    EXPECT_EQ(log.find(line, at + 1), std::string::npos) << name;
  }
  EXPECT_EQ(log.find("Removed " + (folder_ / "k30418.xml.Lck123").string()), std::string::npos);
  EXPECT_EQ(log.find("Unable to remove"), std::string::npos);
}

TEST_F(Startup, TheDumpShowsNoPasswordAtAnyVerbosityPlainOrEncrypted) {
  for (const char* encrypt : {"NO", "YES"}) {
    fs::remove_all(folder_ / "log");
    StoreSetting("OPTIONS\\LOG_VERBOSITY", "9");
    StoreSetting("OPTIONS\\ENCRYPT_PROTECT_CONFIG", encrypt);
    StoreSetting("K30418\\SourcePassword", "Src-Pa55word");
    StoreSetting("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD", "Cfg-Pa55word");
    StoreSetting("K30418\\SourceCustomization", "Port=5432;PWD=Pair-Pa55word;");
    ASSERT_TRUE(Start("NTSERVICE")) << encrypt;
    const std::string log = LastLog();
    EXPECT_NE(log.find("Configuration Settings :"), std::string::npos) << encrypt;
    EXPECT_NE(log.find("K30418\\SOURCEPASSWORD : ********\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD : ********\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("K30418\\SOURCECUSTOMIZATION : Port=5432;PWD=********;\r\n"), std::string::npos) << log;
    const std::string all = AllLogs();
    for (const char* secret : {"Src-Pa55word", "Cfg-Pa55word", "Pair-Pa55word"})
      EXPECT_EQ(all.find(secret), std::string::npos) << encrypt << " " << secret;
    // The second round really ran on an encrypted file.
    EXPECT_EQ(ReadFile(folder_ / "k30418.xml").find("Src-Pa55word") == std::string::npos,
              std::string(encrypt) == "YES");
  }
}

TEST_F(Startup, AFreshConfigurationIsReadableByItsOwnerOnly) {
  const mode_t mask = ::umask(022);  // the usual mask, which would make new files readable by all
  ASSERT_TRUE(Start("NTSERVICE"));
  ::umask(mask);
  EXPECT_EQ(fs::status(folder_ / "k30418.xml").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(folder_ / "k30418.xml",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  StoreSetting("K30418\\SourcePassword", "Src-Pa55word");
  EXPECT_EQ(fs::status(folder_ / "k30418.xml").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}
