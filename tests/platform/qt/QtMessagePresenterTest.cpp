#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include "platform/qt/QtMessagePresenter.h"
#include "support/QtTestApp.h"

namespace {

using Std = QMessageBox::StandardButton;

// What the box looked like when it was found on the screen.
struct Seen {
  QString title, text;
  Qt::TextFormat format = Qt::AutoText;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  std::vector<int> buttons;  // standard buttons, sorted
  Std defaultButton = QMessageBox::NoButton;
  bool painted = false;
};

// Shows a box through show, hands it to act once it is on the screen; act must end it.
int ShowAndAct(const std::function<int()>& show, const std::function<void(QMessageBox&)>& act) {
  qttest::App();
  bool handled = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || handled) return;
    handled = true;
    act(*box);
  });
  poll.start();
  const int answer = show();
  EXPECT_TRUE(handled) << "no message box was shown";
  return answer;
}

// The version warning with its Help button (exclamation, OK, Help); each press of Help counts.
int ShowVersionBoxWithHelp(int& helpCalls) {
  return platform::qt::QtMessagePresenter().ShowWithHelp("Versions differ", 48 + 16384, "Version Validation Failed",
                                                         [&] { ++helpCalls; });
}

// Waits for the modal box, records it, then presses `press` (or Escape when it is
// NoButton). Returns what the presenter answered.
int ShowAndPress(const std::string& prompt, int style, const std::string& title, Std press, Seen& seen,
                 const char* shotName = nullptr) {
  return ShowAndAct([&] { return platform::qt::QtMessagePresenter().Show(prompt, style, title); },
                    [&](QMessageBox& box) {
                      seen.title = box.windowTitle();
                      seen.text = box.text();
                      seen.format = box.textFormat();
                      seen.icon = box.icon();
                      for (QAbstractButton* b : box.buttons()) seen.buttons.push_back(box.standardButton(b));
                      std::sort(seen.buttons.begin(), seen.buttons.end());
                      if (box.defaultButton()) seen.defaultButton = box.standardButton(box.defaultButton());
                      const QPixmap shot = box.grab();
                      seen.painted = !shot.isNull() && shot.width() > 0;
                      if (const char* dir = std::getenv("K30418_SHOT_DIR"); dir && shotName) {
                        shot.save(QString::fromUtf8(dir) + "/" + shotName + ".png");
                      }
                      if (press == QMessageBox::NoButton) {
                        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                        QApplication::sendEvent(&box, &esc);
                      } else {
                        box.button(press)->click();
                      }
                    });
}

std::vector<int> Sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(QtMessagePresenter, ShowsTheButtonsIconAndDefaultOfTheStyleAndReturnsTheAnswer) {
  struct Case {
    int style;
    std::vector<int> buttons;
    QMessageBox::Icon icon;
    Std defaultButton, press;
    int answer;
  };
  using M = QMessageBox;
  const Case cases[] = {
      {0, {M::Ok}, M::NoIcon, M::Ok, M::Ok, 1},
      {1 + 48, {M::Ok, M::Cancel}, M::Warning, M::Ok, M::Cancel, 2},
      {1 + 256, {M::Ok, M::Cancel}, M::NoIcon, M::Cancel, M::Ok, 1},
      {2 + 16, {M::Abort, M::Retry, M::Ignore}, M::Critical, M::Abort, M::Abort, 3},
      {2 + 256, {M::Abort, M::Retry, M::Ignore}, M::NoIcon, M::Retry, M::Retry, 4},
      {2 + 512, {M::Abort, M::Retry, M::Ignore}, M::NoIcon, M::Ignore, M::Ignore, 5},
      {3 + 32, {M::Yes, M::No, M::Cancel}, M::Question, M::Yes, M::Yes, 6},
      {3 + 512, {M::Yes, M::No, M::Cancel}, M::NoIcon, M::Cancel, M::No, 7},
      {4 + 32 + 256, {M::Yes, M::No}, M::Question, M::No, M::No, 7},
      {4 + 512, {M::Yes, M::No}, M::NoIcon, M::Yes, M::Yes, 6},  // no third button: the first
      {5 + 64, {M::Retry, M::Cancel}, M::Information, M::Retry, M::Retry, 4},
      {5 + 256, {M::Retry, M::Cancel}, M::NoIcon, M::Cancel, M::Cancel, 2},
      {6, {M::Ok}, M::NoIcon, M::Ok, M::Ok, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << c.style);
    Seen seen;
    const std::string shot = "box_" + std::to_string(c.style);
    EXPECT_EQ(ShowAndPress("Proceed?", c.style, "Title " + std::to_string(c.style), c.press, seen, shot.c_str()),
              c.answer);
    EXPECT_EQ(seen.buttons, Sorted(c.buttons));
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.defaultButton, c.defaultButton);
    EXPECT_EQ(seen.title.toStdString(), "Title " + std::to_string(c.style));
    EXPECT_TRUE(seen.painted);
  }
}

TEST(QtMessagePresenter, EscapeAnswersTheCommittingLeastButton) {
  struct Case {
    int style, answer;
  };
  const Case cases[] = {{0, 1}, {1, 2}, {3, 2}, {4, 7}, {5, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << c.style);
    Seen seen;
    EXPECT_EQ(ShowAndPress("Leave?", c.style, "T", QMessageBox::NoButton, seen), c.answer);
  }
}

TEST(QtMessagePresenter, ShowsThePromptAsPlainText) {
  Seen seen;
  ShowAndPress("Value <b>5</b> & more\nsecond line", 0, "", QMessageBox::Ok, seen, "plain_text");
  EXPECT_EQ(seen.format, Qt::PlainText);
  EXPECT_EQ(seen.text.toStdString(), "Value <b>5</b> & more\nsecond line");
}

TEST(QtMessagePresenter, AHelpButtonOpensTheTopicAndTheBoxWaitsForItsAnswer) {
  int helpCalls = 0;
  std::vector<int> buttons;
  bool openAfterHelp = false;
  const int answer = ShowAndAct([&] { return ShowVersionBoxWithHelp(helpCalls); },
                                [&](QMessageBox& box) {
                                  for (QAbstractButton* b : box.buttons()) buttons.push_back(box.standardButton(b));
                                  std::sort(buttons.begin(), buttons.end());
                                  ASSERT_NE(box.button(QMessageBox::Help), nullptr);
                                  box.button(QMessageBox::Help)->click();
                                  box.button(QMessageBox::Help)->click();
                                  QApplication::processEvents();
                                  openAfterHelp = box.isVisible();
                                  box.button(QMessageBox::Ok)->click();
                                });
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(helpCalls, 2);
  EXPECT_TRUE(openAfterHelp);
  EXPECT_EQ(buttons, Sorted({QMessageBox::Ok, QMessageBox::Help}));
}

TEST(QtMessagePresenter, AfterHelpEnterStillAnswersWithTheDefaultButton) {
  int helpCalls = 0;
  bool closedByEnter = false;
  const int answer = ShowAndAct([&] { return ShowVersionBoxWithHelp(helpCalls); },
                                [&](QMessageBox& box) {
                                  // Help clicked with the mouse, as the operator does: the window system's press gives
                                  // the button the focus first (an event sent from here is not the window system's, so
                                  // the focus is given as that press gives it).
                                  QPushButton* help = qobject_cast<QPushButton*>(box.button(QMessageBox::Help));
                                  ASSERT_NE(help, nullptr);
                                  help->setFocus(Qt::MouseFocusReason);
                                  const QPointF centre = QRectF(help->rect()).center();
                                  QMouseEvent press(QEvent::MouseButtonPress, centre, help->mapToGlobal(centre),
                                                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                                  QMouseEvent release(QEvent::MouseButtonRelease, centre, help->mapToGlobal(centre),
                                                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
                                  QApplication::sendEvent(help, &press);
                                  QApplication::sendEvent(help, &release);
                                  QApplication::processEvents();
                                  // Then Enter, where the keyboard focus is.
                                  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &box;
                                  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                                  QApplication::sendEvent(target, &enter);
                                  QApplication::processEvents();
                                  closedByEnter = !box.isVisible();
                                  if (box.isVisible())
                                    box.button(QMessageBox::Ok)->click();  // keeps a failing run from hanging
                                });
  EXPECT_EQ(helpCalls, 1);
  EXPECT_TRUE(closedByEnter);
  EXPECT_EQ(answer, 1);
}

TEST(QtMessagePresenter, EscapeInABoxWithHelpAnswersAndAsksNoHelp) {
  int helpCalls = 0;
  const int answer = ShowAndAct(
      [&] { return platform::qt::QtMessagePresenter().ShowWithHelp("Go on?", 4 + 16384, "T", [&] { ++helpCalls; }); },
      [](QMessageBox& box) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &esc);
        if (box.isVisible()) box.button(QMessageBox::Yes)->click();  // keeps a failing run from hanging
      });
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(helpCalls, 0);
}

TEST(QtMessagePresenter, WithoutTheHelpStyleThereIsNoHelpButton) {
  bool hasHelp = true;
  ShowAndAct([] { return platform::qt::QtMessagePresenter().Show("Saved", 64 + 16384, "T"); },
             [&](QMessageBox& box) {
               hasHelp = box.button(QMessageBox::Help) != nullptr;
               box.button(QMessageBox::Ok)->click();
             });
  EXPECT_FALSE(hasHelp);
}

TEST(QtMessagePresenter, AShortBoxIsWideEnoughForItsWholeTitle) {
  const std::string title = "K30418 Vorn Krym Direct Server-Side Interface to FlexSystems DeraRED";
  int width = 0;
  ShowAndAct([&] { return platform::qt::QtMessagePresenter().Show("Failed to upload", 0, title); },
             [&](QMessageBox& box) {
               width = box.width();
               box.button(QMessageBox::Ok)->click();
             });
  QFont bold = QApplication::font();
  bold.setBold(true);
  // The title in the title bar's bold face, plus the window icon and three frame buttons.
  EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(QString::fromStdString(title)) + 100);
}

}  // namespace
