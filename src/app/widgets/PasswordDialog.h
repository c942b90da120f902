#pragma once

#include <QDialog>
#include <initializer_list>
#include <string>

class IconBinding;
class QPushButton;

// What the small password dialogs share: a modal dialog whose own frames and notes stand above a
// row of OK, Cancel and Help. Cancel, Escape and a close through the window frame end it with
// Cancelled true; Help opens the dialog's help topic. What OK checks, and what it tells the
// operator, is each dialog's own.
class PasswordDialog : public QDialog {
  Q_OBJECT

 public:
  bool Cancelled() const { return cancelled_; }
  QPushButton* btnOK() const { return btnOK_; }
  QPushButton* btnCancel() const { return btnCancel_; }
  QPushButton* btnHelpMe() const { return btnHelpMe_; }

  virtual void btnOK_Click() = 0;
  void btnCancel_Click();
  void btnHelpMe_Click();

 public slots:
  // Cancel, also for Escape and the window frame.
  void reject() override;

 protected:
  // name is the dialog's object name, helpTopic the page its Help button opens.
  PasswordDialog(const char* name, const char* caption, std::string helpTopic, QWidget* owner);

  // Stacks rows from the top, then btnOK (the default button), btnCancel and btnHelpMe with the
  // images of icons when it is given; a null tool tip sets none. Called once, at the end of the
  // dialog's constructor, so that the boxes made before come first in the tab order.
  void Assemble(const IconBinding* icons, std::initializer_list<QWidget*> rows, const char* okToolTip = nullptr,
                const char* cancelToolTip = nullptr);
  // A successful OK: Cancelled false, and the dialog ends accepted.
  void Pass();

 private:
  std::string helpTopic_;
  bool cancelled_ = false;
  QPushButton* btnOK_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QPushButton* btnHelpMe_ = nullptr;
};
