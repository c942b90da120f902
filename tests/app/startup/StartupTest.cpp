// Start-up of both run modes, run in-process against a program folder of its own.
#include <gtest/gtest.h>

#include "support/QtTestApp.h"
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"

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

TEST(StartupClamps, VerbosityAndRetentionRoundHalvesToEvenAndClamp) {
  struct Case {
    const char* text;
    int verbosity, retention;
  } cases[] = {{"12", 9, 12},     {"-3", 0, 7},   {"abc", 0, 30},    {"2.5", 2, 7},     {"3.5", 4, 7},
               {"3", 3, 7},       {"5000", 9, 1000}, {"", 0, 30},    {"99999", 9, 1000}, {"-99999", 0, 7}};
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramEntryPoint::ClampedVerbosity(c.text), c.verbosity) << c.text;
    EXPECT_EQ(ProgramEntryPoint::ClampedRetention(c.text), c.retention) << c.text;
  }
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
  EXPECT_NE(log.find("PROMPT= Unable to read configuration at " + (folder_ / "k30418.xml").string()),
            std::string::npos);
  EXPECT_NE(log.find("TITLE= Unable to start k30418"), std::string::npos);
  // Nothing was written over the damaged file.
  EXPECT_EQ(ReadFile(folder_ / "k30418.xml"), "<qalconfigurationxml><spec version=\"1\"");
}
