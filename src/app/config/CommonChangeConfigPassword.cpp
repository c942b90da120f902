#include "app/config/CommonChangeConfigPassword.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/widgets/DialogParts.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALmsgBoxHandler.h"

namespace {

constexpr int kMinimumLength = 5;

void Refuse(const char* prompt) {
  if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(prompt, 48, "Unable to change password");
}

}  // namespace

CommonChangeConfigPassword::CommonChangeConfigPassword(const IconBinding* icons, QWidget* owner)
    : PasswordDialog("CommonChangeConfigPassword", "Change Configuration Protection Password", "12055", owner) {
  pOld_ = DialogParts::PasswordBox("pOld", this);
  pNew1_ = DialogParts::PasswordBox("pNew1", this);
  pnew2_ = DialogParts::PasswordBox("pnew2", this);
  auto* newFrame = new QWidget(this);
  auto* newLayout = new QVBoxLayout(newFrame);
  newLayout->setContentsMargins(0, 0, 0, 0);
  newLayout->addWidget(DialogParts::Frame("Password", pNew1_, newFrame));
  newLayout->addWidget(DialogParts::Frame("Confirm Password", pnew2_, newFrame));
  auto* note = new QLabel("NOTE: Default current password is '58031'", this);
  Assemble(icons, {DialogParts::Frame("Current Password", pOld_, this),
                   DialogParts::Frame("New Password", newFrame, this), note});
}

std::string CommonChangeConfigPassword::NewPassword() const { return pNew1_->text().toStdString(); }

void CommonChangeConfigPassword::btnOK_Click() {
  const QALConfiguration* config = Program().config;
  if (!config || pOld_->text().toStdString() != config->item("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD")) {
    Refuse("Provided Current Password is invalid");
    return;
  }
  if (pNew1_->text() != pnew2_->text()) {
    Refuse("New passwords do not match.");
    return;
  }
  // Characters, not bytes or UTF-16 units.
  if (pNew1_->text().toUcs4().size() < kMinimumLength) {
    Refuse("Password must be at least 5 characters long.");
    return;
  }
  Pass();
}
