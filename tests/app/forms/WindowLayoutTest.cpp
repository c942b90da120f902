// Every window of the desktop program at the size it opens with: no title, label, button, check
// box, frame caption or tab cut off, every toolbar button with its key's image from the icon
// set, and every image button with an image of the set.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/forms/CommonAskForConfigPassword.h"
#include "app/forms/CommonChangeConfigPassword.h"
#include "app/forms/CommonConfigAInfo.h"
#include "app/forms/CommonConfigAInfoKrym.h"
#include "app/forms/CommonConfigAInfoSRC.h"
#include "app/forms/CommonConfigAdvanced.h"
#include "app/forms/CommonConfigCollector.h"
#include "app/forms/CommonConfigNTSvc.h"
#include "app/forms/CommonConfigUnits.h"
#include "app/forms/CommonConfigVornKrym.h"
#include "app/forms/CommonHelpAbout.h"
#include "app/forms/CommonLastRunViewer.h"
#include "app/forms/CommonNTActivity.h"
#include "app/forms/CommonNTControl.h"
#include "app/forms/CommonPickVariable.h"
#include "app/forms/CommonTestSource.h"
#include "app/forms/CommonTypeConfigCache.h"
#include "app/forms/CommonUI.h"
#include "app/forms/CommonUIConnectProgress.h"
#include "app/forms/CommonUIDatePicker.h"
#include "app/forms/CommonUIDatePickerUTC.h"
#include "app/forms/CommonUISuperUserLogin.h"
#include "app/forms/CustomConfig.h"
#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/ui/MessagePresenter.h"
#include "support/QtTestApp.h"
#include "support/WindowChecks.h"

namespace {

namespace fs = std::filesystem;

// Boxes a window shows while it opens (a service view without a service manager) are answered.
class QuietPresenter : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string&, int, const std::string&) override { return 1; }
};

class WindowLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    std::random_device rd;
    folder_ = fs::temp_directory_path() / ("k30418-layout-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(folder_);
    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    ASSERT_TRUE(ProgramEntryPoint::Main(*objects_, ""));
    objects_->msgBox->Presenter(&presenter_);
  }
  void TearDown() override {
    objects_->mainWindow.reset();
    if (objects_->logger) objects_->logger->closeLog();
    scope_.reset();
    objects_.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  void Check(QWidget& window, const std::vector<std::string>& imageButtons = {}) {
    windowchecks::ExpectWhole(window, *objects_->iconImages, imageButtons);
  }

  const IconBinding* Icons() const { return objects_->icons.get(); }

  QuietPresenter presenter_;
  fs::path folder_;
  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
};

TEST_F(WindowLayout, TheMainWindow) {
  ProgramEntryPoint::StartInteractiveMode(*objects_);
  CommonUI& main = *objects_->mainWindow;
  Check(main);
  EXPECT_TRUE(windowchecks::FromTheSet(main.windowIcon(), *objects_->iconImages));
}

TEST_F(WindowLayout, TheConfigurationForms) {
  const IconBinding* icons = Icons();
  const std::function<std::unique_ptr<QWidget>()> forms[] = {
      [icons] { return std::make_unique<CommonConfigVornKrym>(icons); },
      [icons] { return std::make_unique<CustomConfig>(icons); },
      [icons] { return std::make_unique<CommonConfigCollector>(icons); },
      [icons] { return std::make_unique<CommonConfigNTSvc>(icons); },
      [icons] { return std::make_unique<CommonConfigAdvanced>(icons); },
      [icons] { return std::make_unique<CommonTypeConfigCache>(icons); },
      [icons] { return std::make_unique<CommonConfigUnits>(icons); },
      [icons] { return std::make_unique<CommonConfigAInfo>(icons); },
      [icons] { return std::make_unique<CommonConfigAInfoSRC>(icons); },
      [icons] { return std::make_unique<CommonConfigAInfoKrym>(icons); },
  };
  for (const auto& make : forms) Check(*make());
}

TEST_F(WindowLayout, TheOperatorDialogs) {
  const std::vector<std::string> okCancelHelp = {"btnOK", "btnCancel", "btnHelpMe"};
  CommonUISuperUserLogin login(Icons());
  Check(login, okCancelHelp);
  CommonAskForConfigPassword ask(Icons());
  Check(ask, okCancelHelp);
  CommonChangeConfigPassword change(Icons());
  Check(change, okCancelHelp);
  CommonUIDatePicker range(Icons());
  Check(range);
  CommonUIDatePickerUTC rangeUtc(Icons());
  Check(rangeUtc);
  CommonPickVariable picker(Icons());
  Check(picker);
  CommonUIConnectProgress progress;
  Check(progress);
}

TEST_F(WindowLayout, TheShellsOtherWindows) {
  CommonHelpAbout about(Icons());
  Check(about, {"btnExit"});
  CommonLastRunViewer lastRuns(Icons());
  Check(lastRuns);
  CommonTestSource sourceTest;
  Check(sourceTest);
  CommonNTControl control(Icons());
  Check(control);
  CommonNTActivity activity(Icons());
  Check(activity);
}

}  // namespace
