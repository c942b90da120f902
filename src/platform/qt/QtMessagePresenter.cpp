#include "platform/qt/QtMessagePresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

namespace platform::qt {

namespace {

using Std = QMessageBox::StandardButton;

// The buttons of each button type, first to last, with their answer codes.
std::vector<std::pair<Std, int>> ButtonsOf(int style) {
  switch (style & 7) {
    case 1: return {{QMessageBox::Ok, 1}, {QMessageBox::Cancel, 2}};
    case 2: return {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}};
    case 3: return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, 2}};
    case 4: return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}};
    case 5: return {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, 2}};
    default: return {{QMessageBox::Ok, 1}};  // 0, and the unused types 6 and 7
  }
}

QMessageBox::Icon IconOf(int style) {
  switch (style & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// 0 first, 256 second, 512 third button; a box without that button defaults to
// its first one.
std::size_t DefaultIndexOf(int style, std::size_t buttonCount) {
  std::size_t index = 0;
  if (style & 256) {
    index = 1;
  } else if (style & 512) {
    index = 2;
  }
  return index < buttonCount ? index : 0;
}

}  // namespace

int QtMessagePresenter::Show(const std::string& prompt, int style, const std::string& title) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(title));
  box.setTextFormat(Qt::PlainText);  // a prompt holding "<" is text, not markup
  box.setText(QString::fromStdString(prompt));
  box.setIcon(IconOf(style));

  const auto buttons = ButtonsOf(style);
  std::vector<QPushButton*> added;
  for (const auto& [button, answer] : buttons) added.push_back(box.addButton(button));
  box.setDefaultButton(added[DefaultIndexOf(style, added.size())]);

  box.exec();

  for (std::size_t i = 0; i < added.size(); ++i) {
    if (box.clickedButton() == added[i]) return buttons[i].second;
  }
  // Closed without a button (the escape path found none): the last button is
  // the one that commits to least (Cancel, No, OK).
  return buttons.back().second;
}

}  // namespace platform::qt
