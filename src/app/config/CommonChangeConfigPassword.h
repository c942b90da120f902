#pragma once

#include <string>

#include "app/widgets/PasswordDialog.h"

class IconBinding;
class QLineEdit;

// Asks for the current configuration password and a new one, typed twice, when protection is
// switched on. OK checks, in this order, the current password (exactly as stored), that both new
// boxes agree, and that the new password has at least 5 characters; each failure is reported and
// the dialog stays open. It writes nothing: after a successful OK (Cancelled false) the caller
// stores NewPassword() as it stands. Cancel, Escape and a close through the window frame set
// Cancelled.
//
// Made anew for each use and shown modal. The icon binding is borrowed for the constructor only.
class CommonChangeConfigPassword : public PasswordDialog {
  Q_OBJECT

 public:
  explicit CommonChangeConfigPassword(const IconBinding* icons, QWidget* owner = nullptr);

  // The text of pNew1, untrimmed.
  std::string NewPassword() const;

  QLineEdit* pOld() const { return pOld_; }
  QLineEdit* pNew1() const { return pNew1_; }
  QLineEdit* pnew2() const { return pnew2_; }

  void btnOK_Click() override;

 private:
  QLineEdit* pOld_ = nullptr;
  QLineEdit* pNew1_ = nullptr;
  QLineEdit* pnew2_ = nullptr;
};
