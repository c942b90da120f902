#pragma once

// What an operator sees of a window at its default size: texts that do not fit their widget,
// images that are missing or not the icon set's, the buttons of a toolbar; and pressing a
// toolbar button or a button the way the operator does, through the action's or the button's
// own signal.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "app/widgets/ToolbarButtons.h"
#include "core/Text.h"
#include "foundation/IconManager.h"
#include "platform/qt/QtIconImages.h"

namespace windowchecks {

// The action of the toolbar that carries key (as the icon manager reads it, QAction::data).
inline QAction* ActionOf(const QToolBar& bar, const std::string& key) {
  for (QAction* a : bar.actions())
    if (a->data().toString().toStdString() == key) return a;
  return nullptr;
}

// Triggers the toolbar's button of key as a click does; fails the test when the toolbar has none.
inline void Press(const QToolBar& bar, const std::string& key) {
  QAction* action = ActionOf(bar, key);
  ASSERT_NE(action, nullptr) << "no toolbar button with the key " << key;
  ASSERT_TRUE(action->isEnabled()) << key;
  action->trigger();
}

// Triggers the button of key on the window's toolbars (keys compared ignoring case, the action
// then hands its own key to the window); fails the test when no toolbar has it.
inline void Press(const QWidget& window, const std::string& key) {
  for (const QToolBar* bar : window.findChildren<QToolBar*>())
    for (QAction* a : bar->actions())
      if (a->data().toString().compare(QString::fromStdString(key), Qt::CaseInsensitive) == 0) {
        ASSERT_TRUE(a->isEnabled()) << key;
        a->trigger();
        return;
      }
  FAIL() << "no toolbar button with the key " << key << " on " << window.windowTitle().toStdString();
}

// The tool tip that the toolbar's button of the action shows when the pointer rests on it ("" for
// none): the button's own, which Qt takes from the action.
inline std::string ShownToolTip(const QToolBar& bar, QAction* action) {
  const QWidget* button = bar.widgetForAction(action);
  return button ? button->toolTip().toStdString() : "(no button)";
}

// The toolbar holds exactly these buttons, in this order, each with an image: its caption (the
// action's text and the one under its image), its key and the tool tip its button shows ("" for
// none); a null tool tip is not checked.
inline void ExpectToolbar(const QToolBar& bar, const std::vector<ToolbarButtons::Button>& expected) {
  const auto actions = bar.actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    QAction* a = actions[static_cast<qsizetype>(i)];
    EXPECT_EQ(a->text().toStdString(), expected[i].caption);
    EXPECT_EQ(a->iconText().toStdString(), expected[i].caption);
    EXPECT_EQ(a->data().toString().toStdString(), expected[i].key);
    if (expected[i].toolTip) {
      EXPECT_EQ(ShownToolTip(bar, a), expected[i].toolTip) << expected[i].key;
      if (*expected[i].toolTip) {
        EXPECT_EQ(a->toolTip().toStdString(), expected[i].toolTip);
      }
    }
    EXPECT_FALSE(a->icon().isNull()) << expected[i].key;
  }
}

// Clicks the window's button of that object name.
inline void Click(const QWidget& window, const char* name) {
  auto* button = window.findChild<QAbstractButton*>(name);
  ASSERT_NE(button, nullptr) << "no button " << name;
  button->click();
}

// The text a widget shows, without the & of its access key.
inline QString Shown(QString text) {
  text.replace(QLatin1String("&&"), QLatin1String("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return text;
}

// The width a window's title bar needs for its whole title: the title in bold, the window's icon
// and the frame's three buttons.
inline int TitleNeeds(const QString& title) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  return QFontMetrics(bold).horizontalAdvance(title) + 100;
}

// Each text of the window that is cut off at its current size, as "what: text".
inline std::vector<std::string> Clipped(const QWidget& window) {
  std::vector<std::string> out;
  auto report = [&out](const char* what, const QString& text, int has, int needs) {
    out.push_back(std::string(what) + " \"" + text.toStdString() + "\": " + std::to_string(has) + " < " +
                  std::to_string(needs));
  };
  if (window.isWindow() && window.width() < TitleNeeds(window.windowTitle()))
    report("title", window.windowTitle(), window.width(), TitleNeeds(window.windowTitle()));

  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&window) || label->text().isEmpty()) continue;
    const QRect room = label->contentsRect();
    const QFontMetrics fm(label->font());
    QString text = label->text();
    if (label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
      QTextDocument doc;
      doc.setDefaultFont(label->font());
      doc.setHtml(text);
      text = doc.toPlainText();
    }
    if (label->wordWrap()) {
      const int needs = fm.boundingRect(room, Qt::TextWordWrap, text).height();
      if (room.height() < needs) report("wrapped label", text, room.height(), needs);
    } else {
      const int needs = fm.horizontalAdvance(Shown(text));
      if (room.width() < needs) report("label", text, room.width(), needs);
    }
  }
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(&window) || button->text().isEmpty()) continue;
    if (qobject_cast<const QToolButton*>(button) && !qobject_cast<const QToolBar*>(button->parentWidget())) continue;
    const int text = QFontMetrics(button->font()).horizontalAdvance(Shown(button->text()));
    const int image = button->icon().isNull() ? 0 : button->iconSize().width();
    int needs = text + image;  // side by side
    if (qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button))
      needs = button->sizeHint().width();  // the indicator and the text, as the style lays them out
    else if (auto* tool = qobject_cast<const QToolButton*>(button);
             tool && tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
      needs = std::max(text, image);
    if (button->width() < needs) report("button", button->text(), button->width(), needs);
  }
  for (const QGroupBox* frame : window.findChildren<QGroupBox*>()) {
    if (!frame->isVisibleTo(&window) || frame->title().isEmpty()) continue;
    const int needs = QFontMetrics(frame->font()).horizontalAdvance(Shown(frame->title()));
    if (frame->width() < needs) report("frame", frame->title(), frame->width(), needs);
  }
  for (const QTabBar* tabs : window.findChildren<QTabBar*>()) {
    if (!tabs->isVisibleTo(&window)) continue;
    const QFontMetrics fm(tabs->font());
    for (int i = 0; i < tabs->count(); ++i) {
      const QRect r = tabs->tabRect(i);
      const int needs = fm.horizontalAdvance(Shown(tabs->tabText(i)));
      if (r.width() < needs || r.right() >= tabs->width()) report("tab", tabs->tabText(i), r.width(), needs);
    }
  }
  for (const QToolBar* bar : window.findChildren<QToolBar*>()) {
    if (!bar->isVisibleTo(&window)) continue;
    // A button that does not fit goes into the toolbar's overflow menu and out of sight.
    for (QAction* a : bar->actions()) {
      QWidget* w = bar->widgetForAction(a);
      if (!a->isSeparator() && (!w || !w->isVisibleTo(&window))) report("toolbar button", a->text(), 0, 1);
    }
  }
  return out;
}

// The icon manager's position of a key, 0 when the table has none.
inline int PositionOf(const std::string& key) {
  const std::string wanted = core::UCase(key);
  for (int position = 1; position <= IconManager::kImageCount; ++position)
    for (const std::string& k : IconManager::KeysAt(position))
      if (k == wanted) return position;
  return 0;
}

inline QImage Pixels(const QIcon& icon, int size = 16) {
  return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The icon set's file of a position, as the screen gets its pixels.
inline QImage SetFile(const platform::qt::QtIconImages& images, int position, int size = 16) {
  return QImage(images.File(position, size)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// True when the icon shows one of the icon set's own images.
inline bool FromTheSet(const QIcon& icon, const platform::qt::QtIconImages& images) {
  if (icon.isNull()) return false;
  const QImage shown = Pixels(icon);
  for (int position = 1; position <= images.Count(); ++position)
    if (shown == SetFile(images, position)) return true;
  return false;
}

// Each toolbar button without the icon set's image of its key, each image button (a push button
// given an image) whose image is not the set's, and the buttons named in imageButtons that have
// no image at all.
inline std::vector<std::string> WithoutImages(const QWidget& window, const platform::qt::QtIconImages& images,
                                              const std::vector<std::string>& imageButtons = {}) {
  std::vector<std::string> out;
  for (const QToolBar* bar : window.findChildren<QToolBar*>())
    for (const QAction* a : bar->actions()) {
      if (a->isSeparator()) continue;
      const int position = PositionOf(a->data().toString().toStdString());
      if (position == 0 || a->icon().isNull() || Pixels(a->icon()) != SetFile(images, position))
        out.push_back("toolbar button \"" + a->text().toStdString() + "\"");
    }
  for (const QPushButton* button : window.findChildren<QPushButton*>()) {
    const std::string name = button->objectName().toStdString();
    const bool wanted = std::find(imageButtons.begin(), imageButtons.end(), name) != imageButtons.end();
    if ((wanted || !button->icon().isNull()) && !FromTheSet(button->icon(), images))
      out.push_back("button " + name + " \"" + button->text().toStdString() + "\"");
  }
  return out;
}

// The window's cut-off texts on each page of its tabs.
inline std::vector<std::string> ClippedOnEveryPage(QWidget& window) {
  std::vector<std::string> clipped = Clipped(window);
  for (QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
    const int shown = tabs->currentIndex();
    for (int page = 0; page < tabs->count(); ++page) {
      tabs->setCurrentIndex(page);
      QApplication::processEvents();
      for (const std::string& c : Clipped(window)) clipped.push_back(tabs->tabText(page).toStdString() + ": " + c);
    }
    tabs->setCurrentIndex(shown);
  }
  return clipped;
}

// Shows the window at the size it opens with and expects every text whole on every page and
// every image the set's (the buttons named in imageButtons must have one); hides it again.
inline void ExpectWhole(QWidget& window, const platform::qt::QtIconImages& images,
                        const std::vector<std::string>& imageButtons = {}) {
  SCOPED_TRACE(window.windowTitle().toStdString());
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(ClippedOnEveryPage(window), std::vector<std::string>{});
  EXPECT_EQ(WithoutImages(window, images, imageButtons), std::vector<std::string>{});
  window.hide();
}

}  // namespace windowchecks
