#include "app/widgets/PasswordDialog.h"

#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "app/widgets/DialogParts.h"
#include "foundation/CommonGlobals.h"
#include "platform/qt/QtWindowFit.h"

PasswordDialog::PasswordDialog(const char* name, const char* caption, std::string helpTopic, QWidget* owner)
    : QDialog(owner), helpTopic_(std::move(helpTopic)) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(true);
}

void PasswordDialog::Assemble(const IconBinding* icons, std::initializer_list<QWidget*> rows, const char* okToolTip,
                              const char* cancelToolTip) {
  const DialogParts::Buttons buttons = DialogParts::OkCancelHelp(this, icons, okToolTip, cancelToolTip);
  btnOK_ = buttons.ok;
  btnCancel_ = buttons.cancel;
  btnHelpMe_ = buttons.help;

  auto* layout = new QVBoxLayout(this);
  for (QWidget* row : rows) layout->addWidget(row);
  layout->addLayout(buttons.row);
  setMinimumWidth(380);
  platform::qt::FitWidthToTitle(this);

  connect(btnOK_, &QPushButton::clicked, this, &PasswordDialog::btnOK_Click);
  connect(btnCancel_, &QPushButton::clicked, this, &PasswordDialog::btnCancel_Click);
  connect(btnHelpMe_, &QPushButton::clicked, this, &PasswordDialog::btnHelpMe_Click);
}

void PasswordDialog::Pass() {
  cancelled_ = false;
  done(Accepted);
}

void PasswordDialog::btnCancel_Click() { reject(); }

void PasswordDialog::btnHelpMe_Click() { CommonGlobals::ShowHelpTopic(helpTopic_); }

void PasswordDialog::reject() {
  cancelled_ = true;
  QDialog::reject();
}
