// Saving from the user interface: only when something changed, encryption as
// configured, the password asked first when the configuration is protected.
#include <gtest/gtest.h>

#include <filesystem>

#include "Fakes.h"
#include "TempFolder.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"

namespace {

class SaveConfigurationTest : public ::testing::Test {
 protected:
  SaveConfigurationTest() : logger_(dir_.Str(), "k30418"), scope_(ctx_) {
    config_.LogHandler(&logger_);
    config_.path(file_.string());
    config_.DefineTree("OPTIONS", "");
    config_.DefineTree("OPTIONS\\ENCRYPT_PROTECT_CONFIG", "NO");
    config_.DefineTree("OPTIONS\\PASSWORD_PROTECT_CONFIG", "NO");
    config_.DefineTree("OPTIONS\\LOG_VERBOSITY", "0");
    ctx_.config = &config_;
    ctx_.logger = &logger_;
    ctx_.ui.activityList = &list_;
    // The first read creates the file from the defaults.
    EXPECT_TRUE(config_.ReadConfig());
    std::filesystem::remove(file_);
  }

  bool Written() const { return std::filesystem::exists(file_); }

  TempFolder dir_;
  std::filesystem::path file_ = dir_.Path() / "k30418.xml";
  QALLoggerTXT logger_;
  QALConfiguration config_;
  FakeActivityList list_;
  ProgramContext ctx_;
  ProgramScope scope_;
};

TEST_F(SaveConfigurationTest, WithoutChangesWritesNothingAndSucceeds) {
  EXPECT_TRUE(CommonGlobals::SaveConfiguration());
  EXPECT_FALSE(Written());
  EXPECT_TRUE(list_.lines.empty());
}

TEST_F(SaveConfigurationTest, AfterAChangeWritesTheFileAndSaysSo) {
  config_.item("OPTIONS\\LOG_VERBOSITY", "0");  // the same value still counts as a change
  EXPECT_TRUE(CommonGlobals::SaveConfiguration());
  EXPECT_TRUE(Written());
  EXPECT_FALSE(config_.ChangeWasMade());
  ASSERT_EQ(list_.lines.size(), 1u);
  EXPECT_EQ(list_.lines[0], "Configuration saved to " + file_.string());
}

TEST_F(SaveConfigurationTest, EncryptionFollowsTheSettingInAnyCase) {
  for (const char* setting : {"yes", "YES", "NO", "Y"}) {
    config_.item("OPTIONS\\ENCRYPT_PROTECT_CONFIG", setting);
    ASSERT_TRUE(CommonGlobals::SaveConfiguration()) << setting;
    const bool on = std::string(setting) == "yes" || std::string(setting) == "YES";
    EXPECT_EQ(config_.EncryptData(), on) << setting;
    EXPECT_EQ(TempFolder::Read(file_).find("encrypted=\"True\"") != std::string::npos, on) << setting;
  }
}

struct PasswordCase {
  const char* name;
  const char* protect;
  bool hasDialog;
  bool dialogAnswer;
  int asked;
  bool saved;
};

class SavePasswordTest : public SaveConfigurationTest, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(SavePasswordTest, AsksWhenProtected) {
  const PasswordCase& c = GetParam();
  FakePasswordPrompt prompt(c.dialogAnswer);
  if (c.hasDialog) ctx_.ui.configPassword = &prompt;
  config_.item("OPTIONS\\PASSWORD_PROTECT_CONFIG", c.protect);

  EXPECT_EQ(CommonGlobals::SaveConfiguration(), c.saved);
  EXPECT_EQ(prompt.asked, c.asked);
  EXPECT_EQ(Written(), c.saved);
  // Unsaved changes stay marked, so a later save still writes them.
  EXPECT_EQ(config_.ChangeWasMade(), !c.saved);
}

INSTANTIATE_TEST_SUITE_P(Protection, SavePasswordTest,
                         ::testing::Values(PasswordCase{"NotProtected", "NO", true, false, 0, true},
                                           PasswordCase{"RightPassword", "YES", true, true, 1, true},
                                           PasswordCase{"Cancelled", "YES", true, false, 1, false},
                                           // The switch is compared as stored: lower case is not protection.
                                           PasswordCase{"LowerCaseYes", "yes", true, false, 0, true},
                                           PasswordCase{"PaddedYes", " YES", true, false, 0, true},
                                           // Nobody to ask: a protected configuration stays unsaved.
                                           PasswordCase{"NoDialog", "YES", false, false, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveConfigurationTest, AFailedWriteIsReportedAndNotAnnounced) {
  config_.path((dir_.Path() / "missing" / "folder" / "k30418.xml").string());
  config_.item("OPTIONS\\LOG_VERBOSITY", "3");
  EXPECT_FALSE(CommonGlobals::SaveConfiguration());
  EXPECT_TRUE(list_.lines.empty());
}

TEST(SaveConfiguration, UndeclaredProtectionKeysFailInsteadOfThrowing) {
  TempFolder dir;
  QALLoggerTXT logger(dir.Str(), "k30418");
  QALConfiguration config;
  config.LogHandler(&logger);
  config.path((dir.Path() / "k30418.xml").string());
  config.DefineTree("OPTIONS\\LOG_VERBOSITY", "0");
  config.item("OPTIONS\\LOG_VERBOSITY", "1");
  ProgramContext ctx;
  ctx.config = &config;
  ctx.logger = &logger;
  ProgramScope scope(ctx);
  EXPECT_FALSE(CommonGlobals::SaveConfiguration());
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "k30418.xml"));
}

TEST(SaveConfiguration, WithoutAStoreFails) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  EXPECT_FALSE(CommonGlobals::SaveConfiguration());
}

}  // namespace
