#include "app/config/CommonAskForConfigPassword.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/widgets/DialogParts.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/qt/QtWindowFit.h"

CommonAskForConfigPassword::CommonAskForConfigPassword(const IconBinding* icons, QWidget* owner) : QDialog(owner) {
  setObjectName("CommonAskForConfigPassword");
  setWindowTitle("Configuration is password protected");
  setModal(true);

  pOld_ = DialogParts::PasswordBox("pOld", this);
  auto* note =
      new QLabel("You must provide current password in order to save any changes to the current configuration.", this);
  note->setWordWrap(true);
  const DialogParts::Buttons buttons = DialogParts::OkCancelHelp(this, icons, nullptr, nullptr);
  btnOK_ = buttons.ok;
  btnCancel_ = buttons.cancel;
  btnHelpMe_ = buttons.help;

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DialogParts::Frame("Current Password", pOld_, this));
  layout->addWidget(note);
  layout->addLayout(buttons.row);
  setMinimumWidth(380);
  platform::qt::FitWidthToTitle(this);

  connect(btnOK_, &QPushButton::clicked, this, &CommonAskForConfigPassword::btnOK_Click);
  connect(btnCancel_, &QPushButton::clicked, this, &CommonAskForConfigPassword::btnCancel_Click);
  connect(btnHelpMe_, &QPushButton::clicked, this, &CommonAskForConfigPassword::btnHelpMe_Click);
}

void CommonAskForConfigPassword::btnOK_Click() {
  const QALConfiguration* config = Program().config;
  // Exactly as stored: same characters, same case, no trimming.
  if (config && pOld_->text().toStdString() == config->item("OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD")) {
    done(Accepted);
    return;
  }
  if (QALmsgBoxHandler* box = Program().msgBox)
    box->QalMsgBox("Provided Current Password is invalid", 48, "Invalid Password");
}

void CommonAskForConfigPassword::btnCancel_Click() { reject(); }

void CommonAskForConfigPassword::btnHelpMe_Click() { CommonGlobals::ShowHelpTopic("12056"); }

void CommonAskForConfigPassword::reject() {
  cancelled_ = true;
  QDialog::reject();
}
