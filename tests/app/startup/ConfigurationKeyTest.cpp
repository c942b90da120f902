// The fixed key of the configuration's encrypted part is never whole in the program file: the
// built executable is read as a file and searched for it, whatever the build type.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/xml/FileTestKit.h"
#include "platform/xml/XmlElement.h"

namespace fs = std::filesystem;

namespace {

// The key as this test knows it: two halves, joined only at run time.
std::string ProgramKey() {
  const char first[] = {'v', '4', 'R', 'q', '#'};
  const char second[] = {'8', 'k', 'T', 'z', '2'};
  return std::string(first, sizeof first) + std::string(second, sizeof second);
}

TEST(ConfigurationKey, IsTheStoresKeyAndIsNeverWholeInTheProgramFile) {
  // The key is the store's: what the store encrypts, the key decrypts.
  const fs::path folder = fs::temp_directory_path() / ("k30418-key-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  {
    QALLoggerTXT logger(folder.string(), "k30418");
    QALConfiguration config;
    config.LogHandler(&logger);
    config.path((folder / "k30418.xml").string());
    config.DefineTree("OPTIONS\\SECRET", "");
    ASSERT_TRUE(config.ReadConfig());
    config.item("OPTIONS\\SECRET", "sealed value");
    config.EncryptData(true);
    ASSERT_TRUE(config.SaveConfig());
  }
  platform::xml::XmlElement root;
  ASSERT_TRUE(root.LoadFile((folder / "k30418.xml").string()));
  std::optional<platform::xml::XmlElement> data = root.ChildWithTag("data");
  ASSERT_TRUE(data);
  ASSERT_TRUE(data->Decrypt(ProgramKey()));
  ASSERT_TRUE(data->ChildWithTag("OPTIONS"));
  EXPECT_EQ(data->ChildWithTag("OPTIONS")->ChildText("SECRET"), "sealed value");
  fs::remove_all(folder);

  const std::string program = ReadFile(K30418_EXECUTABLE);
  ASSERT_GT(program.size(), 100000u) << K30418_EXECUTABLE;
  // The search finds the program's own texts (so it reads the right file)...
  EXPECT_NE(program.find("Vorn Krym Direct Server-Side Interface to FlexSystems DeraRED"), std::string::npos);
  // ...but not the key.
  EXPECT_EQ(program.find(ProgramKey()), std::string::npos);
}

}  // namespace
