#include "app/widgets/DialogParts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/widgets/IconBinding.h"

namespace {

QPushButton* Button(const char* name, const char* caption, const char* toolTip, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  if (toolTip) button->setToolTip(toolTip);
  button->setAutoDefault(false);
  button->setMinimumWidth(90);
  return button;
}

}  // namespace

QToolBar* DialogParts::Toolbar(QWidget* parent) {
  auto* toolbar = new QToolBar("myToolBar", parent);
  toolbar->setObjectName("myToolBar");
  toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar->setMovable(false);
  return toolbar;
}

QGroupBox* DialogParts::Frame(const char* caption, QWidget* content, QWidget* parent) {
  auto* frame = new QGroupBox(caption, parent);
  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(content);
  return frame;
}

QLineEdit* DialogParts::PasswordBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setEchoMode(QLineEdit::Password);
  return box;
}

DialogParts::Buttons DialogParts::OkCancelHelp(QWidget* parent, const IconBinding* icons, const char* okToolTip,
                                               const char* cancelToolTip) {
  Buttons b;
  b.ok = Button("btnOK", "OK", okToolTip, parent);
  b.ok->setDefault(true);
  b.cancel = Button("btnCancel", "Cancel", cancelToolTip, parent);
  b.help = Button("btnHelpMe", "Help", "Displays help article", parent);
  if (icons) {
    icons->initButton(b.ok, "ok");
    icons->initButton(b.cancel, "cancel");
    icons->initButton(b.help, "help");
  }
  b.row = new QHBoxLayout;
  b.row->addStretch(1);
  b.row->addWidget(b.ok);
  b.row->addWidget(b.cancel);
  b.row->addWidget(b.help);
  return b;
}
