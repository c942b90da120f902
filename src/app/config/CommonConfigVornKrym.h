#pragma once

#include "app/config/CommonConfigForm.h"

class QComboBox;
class QLineEdit;
class QToolBar;
struct ProgramObjects;

// The window "Connection To Vorn Krym": the six settings of the connection to the Krym root
// schema (database type, provider, data source, customization, two timeouts). Every apply
// first tries a connection with the values as typed and writes nothing when it fails; the
// second toolbar tries one on request. Each try makes and releases its own connection.
class CommonConfigVornKrym final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CommonConfigVornKrym(const IconBinding* icons, QWidget* owner = nullptr);

  // Runs the action of a key of the second toolbar, compared lower-cased ("connect" tests).
  void Toolbar1ButtonClick(const std::string& key);
  QToolBar* Toolbar1() const { return Toolbar1_; }

  // The connection test: the success box, or False after the reason was shown.
  bool TestConnection();

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override;

 private:
  bool TryConnect();
  void dbType_Click();
  bool OracleChosen() const;

  QComboBox* dbType_ = nullptr;
  QLineEdit* datasource_ = nullptr;
  QLineEdit* provider_ = nullptr;
  QLineEdit* customization_ = nullptr;
  QLineEdit* connection_timeout_ = nullptr;
  QLineEdit* command_timeout_ = nullptr;
  QToolBar* Toolbar1_ = nullptr;
};

// Opens the window modal over owner and releases it once it is hidden.
void ShowCommonConfigVornKrym(ProgramObjects& objects, QWidget* owner);
