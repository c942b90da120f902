// Every window of the desktop program at the size it opens with: no title, label, button, check
// box, frame caption or tab cut off, every toolbar button with its key's image from the icon
// set, every image button with an image of the set, and the text of the activity list and the log
// view in a fixed-pitch font.
#include <QFontInfo>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ShellProgram.h"
#include "app/config/CommonAskForConfigPassword.h"
#include "app/config/CommonChangeConfigPassword.h"
#include "app/config/CommonConfigAInfo.h"
#include "app/config/CommonConfigAInfoKrym.h"
#include "app/config/CommonConfigAInfoSRC.h"
#include "app/config/CommonConfigAdvanced.h"
#include "app/config/CommonConfigCollector.h"
#include "app/config/CommonConfigNTSvc.h"
#include "app/config/CommonConfigUnits.h"
#include "app/config/CommonConfigVornKrym.h"
#include "app/tools/CommonHelpAbout.h"
#include "app/tools/CommonLastRunViewer.h"
#include "app/serviceviews/CommonNTActivity.h"
#include "app/serviceviews/CommonNTControl.h"
#include "app/dialogs/CommonPickVariable.h"
#include "app/tools/CommonTestSource.h"
#include "app/config/CommonTypeConfigCache.h"
#include "app/mainwindow/CommonUI.h"
#include "app/dialogs/CommonUIConnectProgress.h"
#include "app/dialogs/CommonUIDatePicker.h"
#include "app/dialogs/CommonUIDatePickerUTC.h"
#include "app/dialogs/CommonUISuperUserLogin.h"
#include "app/config/CustomConfig.h"

namespace {

class WindowLayout : public shelltest::ShellProgram {
 protected:
  const IconBinding* Icons() const { return objects_->icons.get(); }
};

TEST_F(WindowLayout, TheMainWindow) {
  CommonUI& main = OpenMainWindow();
  ExpectWhole(main);
  EXPECT_TRUE(windowchecks::FromTheSet(main.windowIcon(), *objects_->iconImages));
}

TEST_F(WindowLayout, TheActivityListAndTheLogViewWriteInAFixedPitchFont) {
  // Their lines are laid out in columns by blanks ("Session Statistics", "Wrote Data"), which
  // line up only when every character is as wide as the next.
  CommonUI& main = OpenMainWindow();
  CommonNTActivity activity(Icons());
  for (QWidget* text : {main.findChild<QWidget*>("lstActivityLog"), activity.findChild<QWidget*>("UI_logview")}) {
    ASSERT_NE(text, nullptr);
    SCOPED_TRACE(text->objectName().toStdString());
    EXPECT_EQ(text->font().family().toStdString(), "Lucida Console");  // asked for first
    const QFontInfo resolved(text->font());
    EXPECT_TRUE(resolved.fixedPitch()) << "resolved to " << resolved.family().toStdString();
    EXPECT_EQ(text->fontMetrics().horizontalAdvance(QStringLiteral("iiii  ")),
              text->fontMetrics().horizontalAdvance(QStringLiteral("WWWW00")));
  }
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
  for (const auto& make : forms) ExpectWhole(*make());
}

TEST_F(WindowLayout, TheOperatorDialogs) {
  const std::vector<std::string> okCancelHelp = {"btnOK", "btnCancel", "btnHelpMe"};
  CommonUISuperUserLogin login(Icons());
  ExpectWhole(login, okCancelHelp);
  CommonAskForConfigPassword ask(Icons());
  ExpectWhole(ask, okCancelHelp);
  CommonChangeConfigPassword change(Icons());
  ExpectWhole(change, okCancelHelp);
  CommonUIDatePicker range(Icons());
  ExpectWhole(range);
  CommonUIDatePickerUTC rangeUtc(Icons());
  ExpectWhole(rangeUtc);
  CommonPickVariable picker(Icons());
  ExpectWhole(picker);
  CommonUIConnectProgress progress;
  ExpectWhole(progress);
}

TEST_F(WindowLayout, TheShellsOtherWindows) {
  CommonHelpAbout about(Icons());
  ExpectWhole(about, {"btnExit"});
  CommonLastRunViewer lastRuns(Icons());
  ExpectWhole(lastRuns);
  CommonTestSource sourceTest;
  ExpectWhole(sourceTest);
  CommonNTControl control(Icons());
  ExpectWhole(control);
  CommonNTActivity activity(Icons());
  ExpectWhole(activity);
}

}  // namespace
