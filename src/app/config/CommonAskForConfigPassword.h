#pragma once

#include "app/widgets/PasswordDialog.h"

class IconBinding;
class QLineEdit;

// Asks for the current configuration password before a protected configuration is saved or its
// protection is switched off. OK lets the operator past only when the typed text equals the
// stored password exactly; a wrong password is reported and the dialog stays open, as often as
// the operator tries. It writes nothing; the caller reads Cancelled: true after Cancel, Escape
// or a close through the window frame, false after a correct password.
//
// Made anew for each use and shown modal. The icon binding is borrowed for the constructor only;
// the stored password is read from the program's configuration at each OK.
class CommonAskForConfigPassword : public PasswordDialog {
  Q_OBJECT

 public:
  explicit CommonAskForConfigPassword(const IconBinding* icons, QWidget* owner = nullptr);

  QLineEdit* pOld() const { return pOld_; }

  void btnOK_Click() override;

 private:
  QLineEdit* pOld_ = nullptr;
};
