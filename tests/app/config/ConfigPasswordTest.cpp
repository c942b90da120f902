// The configuration password dialogs: asking for the current password, changing it, and the
// protected save that asks through the prompt.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "../dialogs/DialogsFixture.h"
#include "app/config/CommonAskForConfigPassword.h"
#include "app/config/CommonChangeConfigPassword.h"
#include "app/config/QtConfigPasswordPrompt.h"
#include "foundation/CommonGlobals.h"

namespace {

using dialogtest::DialogsTest;

class ConfigPassword : public DialogsTest {
 protected:
  bool HasLabel(QWidget& w, const std::string& text) {
    for (QLabel* l : w.findChildren<QLabel*>())
      if (l->text().toStdString() == text) return true;
    return false;
  }
};

TEST_F(ConfigPassword, AskAcceptsOnlyTheStoredPasswordExactly) {
  struct Case {
    const char* stored;
    const char* typed;
    bool accepted;
  };
  const Case cases[] = {
      {nullptr, "58031", true},  // the declared default until it is changed
      {nullptr, "58031 ", false}, {nullptr, " 58031", false},   {nullptr, "", false},      {"AbCdE", "AbCdE", true},
      {"AbCdE", "abcde", false},  {"  pad  ", "  pad  ", true}, {"  pad  ", "pad", false},
  };
  for (const Case& c : cases) {
    if (c.stored) config.item("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD", c.stored);
    boxes.boxes.clear();
    CommonAskForConfigPassword dialog(icons.get());
    dialog.pOld()->setText(c.typed);
    dialog.btnOK()->click();
    EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.typed;
    EXPECT_FALSE(dialog.Cancelled());
    if (c.accepted) {
      EXPECT_TRUE(boxes.boxes.empty()) << c.typed;
    } else {
      ASSERT_EQ(boxes.boxes.size(), 1u) << c.typed;
      EXPECT_EQ(boxes.boxes[0].prompt, "Provided Current Password is invalid");
      EXPECT_EQ(boxes.boxes[0].title, "Invalid Password");
      EXPECT_EQ(boxes.boxes[0].style, 48);
    }
  }
}

TEST_F(ConfigPassword, ChangeChecksCurrentThenMatchThenLength) {
  struct Case {
    const char* old;
    const char* new1;
    const char* new2;
    const char* refusal;  // null: accepted
  };
  const Case cases[] = {
      {"58030", "abcdef", "abcdef", "Provided Current Password is invalid"},
      {"58031 ", "abcdef", "abcdef", "Provided Current Password is invalid"},
      // A mismatch is told before the length.
      {"58031", "abcd", "abce", "New passwords do not match."},
      {"58031", "abcdef", "ABCDEF", "New passwords do not match."},
      {"58031", "abcd", "abcd", "Password must be at least 5 characters long."},
      {"58031", "", "", "Password must be at least 5 characters long."},
      {"58031", "\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f", "\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f",
       "Password must be at least 5 characters long."},  // four characters, eight bytes
      {"58031", "abcde", "abcde", nullptr},
      {"58031", "     ", "     ", nullptr},  // no trimming
  };
  for (const Case& c : cases) {
    boxes.boxes.clear();
    CommonChangeConfigPassword dialog(icons.get());
    dialog.pOld()->setText(QString::fromStdString(c.old));
    dialog.pNew1()->setText(QString::fromStdString(c.new1));
    dialog.pnew2()->setText(QString::fromStdString(c.new2));
    dialog.btnOK()->click();
    const std::string what = std::string(c.old) + " / " + c.new1 + " / " + c.new2;
    EXPECT_FALSE(dialog.Cancelled()) << what;
    if (!c.refusal) {
      EXPECT_EQ(dialog.result(), QDialog::Accepted) << what;
      EXPECT_TRUE(boxes.boxes.empty()) << what;
      EXPECT_EQ(dialog.NewPassword(), c.new1);
      continue;
    }
    EXPECT_NE(dialog.result(), QDialog::Accepted) << what;
    ASSERT_EQ(boxes.boxes.size(), 1u) << what;
    EXPECT_EQ(boxes.boxes[0].prompt, c.refusal) << what;
    EXPECT_EQ(boxes.boxes[0].title, "Unable to change password");
    EXPECT_EQ(boxes.boxes[0].style, 48);
  }
  // The configuration is the caller's to write.
  EXPECT_EQ(config.item("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD"), "58031");
}

TEST_F(ConfigPassword, CancelAfterARefusalAndTheWindowFrameBothCancel) {
  const std::function<void(QDialog&)> ways[] = {
      [](QDialog& d) { d.findChild<QPushButton*>("btnCancel")->click(); },
      [](QDialog& d) { d.reject(); },
      [](QDialog& d) { CloseThroughFrame(d); },
  };
  for (const auto& way : ways) {
    WhenShown<CommonAskForConfigPassword>([&way](CommonAskForConfigPassword& d) {
      d.pOld()->setText("wrong");
      d.btnOK()->click();
      way(d);
    });
    CommonAskForConfigPassword ask(icons.get());
    ask.exec();
    EXPECT_TRUE(ask.Cancelled());

    WhenShown<CommonChangeConfigPassword>([&way](CommonChangeConfigPassword& d) {
      d.pOld()->setText("58031");
      d.pNew1()->setText("abc");
      d.pnew2()->setText("abc");
      d.btnOK()->click();
      way(d);
    });
    CommonChangeConfigPassword change(icons.get());
    change.exec();
    EXPECT_TRUE(change.Cancelled());
  }
}

TEST_F(ConfigPassword, HelpOpensEachDialogsTopic) {
  CommonAskForConfigPassword ask(icons.get());
  ask.btnHelpMe()->click();
  CommonChangeConfigPassword change(icons.get());
  change.btnHelpMe()->click();
  EXPECT_EQ(shell.opened, (std::vector<std::string>{"12056.html", "12055.html"}));
}

TEST_F(ConfigPassword, ProtectedSaveAsksAndSavesOnlyWithThePassword) {
  QtConfigPasswordPrompt prompt(icons.get(), nullptr);
  Context().ui.configPassword = &prompt;
  config.item("OPTIONS\\PASSWORD_PROTECT_CONFIG", "YES");
  config.item("OPTIONS\\LOG_VERBOSITY", "3");

  WhenShown<CommonAskForConfigPassword>([](CommonAskForConfigPassword& d) { d.btnCancel()->click(); });
  EXPECT_FALSE(CommonGlobals::SaveConfiguration());
  EXPECT_FALSE(std::filesystem::exists(config.path()));

  WhenShown<CommonAskForConfigPassword>([](CommonAskForConfigPassword& d) { CloseThroughFrame(d); });
  EXPECT_FALSE(CommonGlobals::SaveConfiguration());
  EXPECT_FALSE(std::filesystem::exists(config.path()));

  WhenShown<CommonAskForConfigPassword>([](CommonAskForConfigPassword& d) {
    d.pOld()->setText("5803");
    d.btnOK()->click();
    d.pOld()->setText("58031");
    d.btnOK()->click();
  });
  EXPECT_TRUE(CommonGlobals::SaveConfiguration());
  EXPECT_TRUE(std::filesystem::exists(config.path()));
  EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{"Provided Current Password is invalid"});
}

TEST_F(ConfigPassword, DialogsLookAsTheyShould) {
  CommonAskForConfigPassword ask(icons.get());
  EXPECT_EQ(ask.windowTitle().toStdString(), "Configuration is password protected");
  EXPECT_TRUE(HasLabel(ask,
                       "You must provide current password in order to save any changes to the current "
                       "configuration."));
  CommonChangeConfigPassword change(icons.get());
  EXPECT_EQ(change.windowTitle().toStdString(), "Change Configuration Protection Password");
  EXPECT_TRUE(HasLabel(change, "NOTE: Default current password is '58031'"));
  for (QDialog* d : {static_cast<QDialog*>(&ask), static_cast<QDialog*>(&change)}) {
    EXPECT_EQ(d->findChild<QPushButton*>("btnCancel")->text().toStdString(), "Cancel");
    EXPECT_EQ(d->findChild<QPushButton*>("btnHelpMe")->text().toStdString(), "Help");
    EXPECT_EQ(d->findChild<QPushButton*>("btnHelpMe")->toolTip().toStdString(), "Displays help article");
    for (const char* name : {"btnOK", "btnCancel", "btnHelpMe"})
      EXPECT_FALSE(d->findChild<QPushButton*>(name)->icon().isNull()) << name;
  }
  ask.pOld()->setText("58031");
  change.pOld()->setText("58031");
  change.pNew1()->setText("secret");
  ExpectWhole(ask, {"btnOK", "btnCancel", "btnHelpMe"});
  ExpectWhole(change, {"btnOK", "btnCancel", "btnHelpMe"});
}

}  // namespace
