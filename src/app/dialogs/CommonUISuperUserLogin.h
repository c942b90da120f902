#pragma once

#include <optional>
#include <string>

#include "app/widgets/PasswordDialog.h"

class IconBinding;
class QLineEdit;
namespace platform::db {
class Connection;
}

// The dialog that asks for the name and password of a Krym user and lets the operator past only
// as a user of type "Super". Each refusal is reported and the dialog stays open for another try;
// it ends with a valid login (Cancelled false) or with Cancel, Escape or a close through the
// window frame (Cancelled true), so that a required login cannot be skipped.
//
// Made anew for each use: set LoginConnection (an open connection to the Krym root schema,
// borrowed; it must outlive the dialog), show modal, then read Cancelled and the user name box.
// The icon binding is borrowed for the constructor only.
class CommonUISuperUserLogin : public PasswordDialog {
  Q_OBJECT

 public:
  explicit CommonUISuperUserLogin(const IconBinding* icons, QWidget* owner = nullptr);

  platform::db::Connection* LoginConnection() const { return loginConnection_; }
  void LoginConnection(platform::db::Connection* cnn) { loginConnection_ = cnn; }

  QLineEdit* username() const { return username_; }
  QLineEdit* password() const { return password_; }

  void btnOK_Click() override;

  // The clear text of a password as the USER table stores it (the program's own reversible
  // scrambling of single-byte characters); none when the stored text cannot be turned back.
  static std::optional<std::string> UnscramblePassword(const std::string& stored);

 private:
  bool ValidateLogin();

  platform::db::Connection* loginConnection_ = nullptr;
  QLineEdit* username_ = nullptr;
  QLineEdit* password_ = nullptr;
};
