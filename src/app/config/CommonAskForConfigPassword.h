#pragma once

#include <QDialog>

class IconBinding;
class QLineEdit;
class QPushButton;

// Asks for the current configuration password before a protected configuration is saved or its
// protection is switched off. OK lets the operator past only when the typed text equals the
// stored password exactly; a wrong password is reported and the dialog stays open, as often as
// the operator tries. It writes nothing; the caller reads Cancelled: true after Cancel, Escape
// or a close through the window frame, false after a correct password.
//
// Made anew for each use and shown modal. The icon binding is borrowed for the constructor only;
// the stored password is read from the program's configuration at each OK.
class CommonAskForConfigPassword : public QDialog {
  Q_OBJECT

 public:
  explicit CommonAskForConfigPassword(const IconBinding* icons, QWidget* owner = nullptr);

  bool Cancelled() const { return cancelled_; }
  QLineEdit* pOld() const { return pOld_; }
  QPushButton* btnOK() const { return btnOK_; }
  QPushButton* btnCancel() const { return btnCancel_; }
  QPushButton* btnHelpMe() const { return btnHelpMe_; }

  void btnOK_Click();
  void btnCancel_Click();
  void btnHelpMe_Click();

 public slots:
  // Cancel, also for Escape and the window frame.
  void reject() override;

 private:
  bool cancelled_ = false;
  QLineEdit* pOld_ = nullptr;
  QPushButton* btnOK_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QPushButton* btnHelpMe_ = nullptr;
};
