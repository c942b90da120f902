#include "platform/qt/QtMessagePresenter.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <utility>
#include <vector>

#include "platform/qt/QtWindowFit.h"

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
  return ShowWithHelp(prompt, style & ~kHelpButton, title, {});
}

int QtMessagePresenter::ShowWithHelp(const std::string& prompt, int style, const std::string& title,
                                     const std::function<void()>& help) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(title));
  box.setTextFormat(Qt::PlainText);  // a prompt holding "<" is text, not markup
  box.setText(QString::fromStdString(prompt));
  box.setIcon(IconOf(style));

  const auto buttons = ButtonsOf(style);
  std::vector<QPushButton*> added;
  for (const auto& [button, answer] : buttons) added.push_back(box.addButton(button));
  box.setDefaultButton(added[DefaultIndexOf(style, added.size())]);
  if (style & kHelpButton) {
    // Help opens the topic and leaves the box waiting for its answer: the button is taken off
    // the box's own handling, which would close it.
    QPushButton* helpButton = box.addButton(QMessageBox::Help);
    // A clicked button takes the focus; were it an auto-default one, it would become the
    // default as well, and Enter would ask for help again instead of answering the box.
    helpButton->setAutoDefault(false);
    QObject::disconnect(helpButton, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::connect(helpButton, &QAbstractButton::clicked, &box, [help] {
      if (help) help();
    });
    box.setEscapeButton(added.back());  // Escape still answers, never asks for help
  }
  // The box sizes itself to its text and buttons; a spacer across its grid makes room for the
  // whole title as well.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const QMargins m = grid->contentsMargins();
    grid->addItem(new QSpacerItem(TitleBarWidth(box.windowTitle()) - m.left() - m.right(), 0, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }

  box.exec();

  for (std::size_t i = 0; i < added.size(); ++i) {
    if (box.clickedButton() == added[i]) return buttons[i].second;
  }
  // Closed without a button (the escape path found none): the last button is
  // the one that commits to least (Cancel, No, OK).
  return buttons.back().second;
}

}  // namespace platform::qt
