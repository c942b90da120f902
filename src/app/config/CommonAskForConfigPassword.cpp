#include "app/config/CommonAskForConfigPassword.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "app/widgets/DialogParts.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALmsgBoxHandler.h"

CommonAskForConfigPassword::CommonAskForConfigPassword(const IconBinding* icons, QWidget* owner)
    : PasswordDialog("CommonAskForConfigPassword", "Configuration is password protected", "12056", owner) {
  pOld_ = DialogParts::PasswordBox("pOld", this);
  auto* note =
      new QLabel("You must provide current password in order to save any changes to the current configuration.", this);
  note->setWordWrap(true);
  Assemble(icons, {DialogParts::Frame("Current Password", pOld_, this), note});
}

void CommonAskForConfigPassword::btnOK_Click() {
  const QALConfiguration* config = Program().config;
  // Exactly as stored: same characters, same case, no trimming.
  if (config && pOld_->text().toStdString() == config->item("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD")) {
    Pass();
    return;
  }
  if (QALmsgBoxHandler* box = Program().msgBox)
    box->QalMsgBox("Provided Current Password is invalid", 48, "Invalid Password");
}
