// The program's dialogs installed behind the interfaces the Qt-free code asks through.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <filesystem>

#include "DialogsFixture.h"
#include "app/config/CommonAskForConfigPassword.h"
#include "app/mainwindow/CommonUI.h"
#include "app/dialogs/CommonUIConnectProgress.h"
#include "app/dialogs/InteractiveDialogs.h"
#include "app/dialogs/QtSessionDialogs.h"
#include "app/session/SessionDialogs.h"
#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/CommonGlobals.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/ui/ConfigPasswordPrompt.h"
#include "platform/ui/ConnectionProgress.h"
#include "support/QtTestApp.h"

namespace fs = std::filesystem;

namespace {

class InteractiveDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    folder_ = fs::temp_directory_path() / ("k30418-dialogs-install-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    ASSERT_TRUE(ProgramEntryPoint::Main(*objects_, ""));
    ProgramEntryPoint::StartInteractiveMode(*objects_);
  }
  void TearDown() override {
    RemoveInteractiveDialogs(*objects_);
    objects_->logger->closeLog();
    scope_.reset();
    objects_.reset();
    fs::remove_all(folder_);
  }

  fs::path folder_;
  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
};

TEST_F(InteractiveDialogs, InstallPutsTheWindowsBehindEachInterfaceAndRemoveTakesThemOut) {
  InstallInteractiveDialogs(*objects_);
  ASSERT_NE(objects_->dialogs, nullptr);
  EXPECT_NE(dynamic_cast<QtSessionDialogs*>(SessionDialogs::Installed()), nullptr);
  ASSERT_NE(objects_->context.ui.connectionProgress, nullptr);
  ASSERT_NE(objects_->context.ui.configPassword, nullptr);

  // Progress windows are shown over the main window.
  auto window = objects_->context.ui.connectionProgress->CreateWindow();
  auto* progress = dynamic_cast<CommonUIConnectProgress*>(window.get());
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->parentWidget(), objects_->mainWindow.get());
  window.reset();

  // Installing again replaces: every interface answers with the set the objects now hold.
  InstallInteractiveDialogs(*objects_);
  const InstalledDialogs& current = *objects_->dialogs;
  EXPECT_EQ(SessionDialogs::Installed(), &current.sessions);
  EXPECT_EQ(objects_->context.ui.connectionProgress, &current.progress);
  EXPECT_EQ(objects_->context.ui.configPassword, &current.password);

  RemoveInteractiveDialogs(*objects_);
  EXPECT_EQ(objects_->dialogs, nullptr);
  EXPECT_EQ(SessionDialogs::Installed(), nullptr);
  EXPECT_EQ(objects_->context.ui.connectionProgress, nullptr);
  EXPECT_EQ(objects_->context.ui.configPassword, nullptr);
}

TEST_F(InteractiveDialogs, AReplacedSetThatGoesLeavesItsSuccessorInPlace) {
  InstallInteractiveDialogs(*objects_);
  auto successor =
      std::make_unique<InstalledDialogs>(objects_->context, objects_->icons.get(), objects_->mainWindow.get());
  objects_->dialogs.reset();  // the replaced set goes while its successor is installed
  EXPECT_EQ(SessionDialogs::Installed(), &successor->sessions);
  EXPECT_EQ(objects_->context.ui.connectionProgress, &successor->progress);
  EXPECT_EQ(objects_->context.ui.configPassword, &successor->password);
  successor.reset();
  EXPECT_EQ(SessionDialogs::Installed(), nullptr);
  EXPECT_EQ(objects_->context.ui.connectionProgress, nullptr);
  EXPECT_EQ(objects_->context.ui.configPassword, nullptr);
}

TEST_F(InteractiveDialogs, ProtectedSaveAsksOverTheMainWindow) {
  InstallInteractiveDialogs(*objects_);
  QALConfiguration& config = *objects_->config;
  config.item("OPTIONS\\PASSWORD_PROTECT_CONFIG", "YES");
  QWidget* owner = nullptr;
  dialogtest::DialogsTest::WhenShown<CommonAskForConfigPassword>([&owner](CommonAskForConfigPassword& d) {
    owner = d.parentWidget();
    d.pOld()->setText("58031");
    windowchecks::Click(d, "btnOK");
  });
  EXPECT_TRUE(CommonGlobals::SaveConfiguration());
  EXPECT_EQ(owner, objects_->mainWindow.get());
}

}  // namespace
