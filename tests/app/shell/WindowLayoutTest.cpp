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
