// The built program, started as the service host starts it, on a configuration file it
// cannot use: it ends with its own exit status, says which file and why, and leaves the
// file exactly as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/startup/ExitStatus.h"
#include "foundation/QALConfiguration.h"
#include "platform/xml/FileTestKit.h"
#include "support/ProgramProcess.h"

namespace fs = std::filesystem;

namespace {

class UnusableConfiguration : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy_file(K30418_EXECUTABLE, folder_ / "k30418"); }

  fs::path ConfigFile() const { return folder_ / "k30418.xml"; }

  // Runs the service until it ends by itself (at most a minute); its exit status, or -1.
  int RunService() {
    testsupport::Process service(folder_, {"NTSERVICE"}, /*offscreen=*/true, folder_ / "stderr.txt");
    const auto status = service.WaitForEnd(std::chrono::minutes(1));
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  }

  std::string Logs() const {
    std::string all;
    for (auto& e : fs::directory_iterator(folder_ / "log")) all += ReadFile(e.path());
    return all;
  }

  TestFolder dir_{"k30418-unusable"};
  const fs::path& folder_ = dir_.Path();
};

}  // namespace

TEST_F(UnusableConfiguration, AFileThatIsNoXmlEndsTheStartWithTheParsersReason) {
  const std::string damaged =
      "<?xml version=\"1.0\"?>\n<qalconfigurationxml><spec version=\"1\" encrypted=\"False\"/>\n"
      "<data><OPTIONS><LOG_VERBOSITY>0</LOG_VERBOSITY></OPTIONS>\n<K30418><SOURCEPASSWORD>pw</K30418></data>\n";
  std::ofstream(ConfigFile(), std::ios::binary) << damaged;

  EXPECT_EQ(RunService(), ExitStatus::kUnusableConfiguration);

  const std::string log = Logs();
  EXPECT_NE(log.find(" : Configuration file " + ConfigFile().string() + " cannot be used: "), std::string::npos) << log;
  EXPECT_NE(log.find("at line 4, column"), std::string::npos) << log;
  EXPECT_EQ(ReadFile(ConfigFile()), damaged);
}

TEST_F(UnusableConfiguration, ADataPartThatDoesNotDecryptEndsTheStartAndIsNeverReplaced) {
  {
    QALConfiguration config;
    config.path(ConfigFile().string());
    config.DefineTree("K30418\\SourcePassword", "users-own-password");
    config.EncryptData(true);
    ASSERT_TRUE(config.SaveConfig());
  }
  std::string file = ReadFile(ConfigFile());
  const auto sealed = file.find("<data>") + 10;
  file[sealed] = file[sealed] == 'A' ? 'B' : 'A';
  std::ofstream(ConfigFile(), std::ios::binary | std::ios::trunc) << file;

  EXPECT_EQ(RunService(), ExitStatus::kUnusableConfiguration);

  const std::string log = Logs();
  EXPECT_NE(log.find("Failed to decrypt XML data in QALConfiguration.ValidateXMLformat()"), std::string::npos) << log;
  EXPECT_NE(log.find("Configuration file " + ConfigFile().string() +
                     " cannot be used: its encrypted data part cannot be decrypted: "),
            std::string::npos)
      << log;
  // Nothing ran on built-in values: no import was tried, and the file is the user's still.
  EXPECT_EQ(log.find("Going to Sleep mode"), std::string::npos) << log;
  EXPECT_EQ(ReadFile(ConfigFile()), file);
}

// The spec's encrypted flag is "True" or "False"; another word, or cipher text in a data part
// marked plain, is a damaged file: the start ends with the status of an unusable configuration,
// standard error says why, and the file stays the user's.
TEST_F(UnusableConfiguration, AnEncryptedFlagOfAnotherWordOrCipherTextMarkedPlainEndsTheStart) {
  std::string sealed;
  {
    QALConfiguration config;
    config.path(ConfigFile().string());
    config.DefineTree("K30418\\SourcePassword", "users-own-password");
    config.EncryptData(true);
    ASSERT_TRUE(config.SaveConfig());
    sealed = ReadFile(ConfigFile());
    fs::remove(ConfigFile());
  }
  auto flagged = [&sealed](const std::string& word) {
    std::string file = sealed;
    const auto at = file.find("encrypted=\"True\"");
    return at == std::string::npos ? std::string() : file.replace(at, 16, "encrypted=\"" + word + "\"");
  };
  const std::string neither = "\", which is neither \"True\" (the data part is encrypted) nor \"False\" (it is not)";
  struct Case {
    const char* name;
    std::string file;
    std::string reason;
  } cases[] = {
      {"true in lower case", flagged("true"), "its <spec> element says encrypted=\"true" + neither},
      {"yes", flagged("yes"), "its <spec> element says encrypted=\"yes" + neither},
      {"cipher text marked plain", flagged("False"),
       "its <data> element holds text where its elements belong, but its <spec> element says "
       "encrypted=\"False\"; an encrypted data part must be marked encrypted=\"True\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.file.empty());
    std::ofstream(ConfigFile(), std::ios::binary | std::ios::trunc) << c.file;
    EXPECT_EQ(RunService(), ExitStatus::kUnusableConfiguration);
    const std::string told = ReadFile(folder_ / "stderr.txt");
    EXPECT_NE(told.find("k30418: Configuration file " + ConfigFile().string() + " cannot be used: " + c.reason),
              std::string::npos)
        << told;
    EXPECT_EQ(Logs().find("Going to Sleep mode"), std::string::npos);
    EXPECT_EQ(ReadFile(ConfigFile()), c.file);
  }
}
