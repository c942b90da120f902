#pragma once

#include <string>

#include "app/config/CommonConfigForm.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ProgramObjects;

// The window "Source Configuration": the DeraRed connection settings and the logbook options of
// the K30418 section, and a connection test with the values as typed (nothing saved). Unlike its
// sibling forms it confirms a successful apply. Each test makes and releases its own connection.
class CustomConfig final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CustomConfig(const IconBinding* icons, QWidget* owner = nullptr);

  // Tries a connection built from the boxes as they stand. False with "number - description"
  // of the failure in errText.
  bool TestConnection(std::string& errText);
  // The test button: busy pointer, the test, then its box.
  void btnTest_Click();

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override;

 private:
  // A box that must not be empty: its trimmed text is written, or the warning is shown and the
  // stored value goes back into the box.
  void ApplyRequired(QLineEdit* box, const char* key, const char* warning);
  std::int16_t ChosenType() const;

  QRadioButton* optSqlServer_ = nullptr;  // optDBType(0)
  QRadioButton* optAccess_ = nullptr;     // optDBType(1)
  QLineEdit* txtSourceDS_ = nullptr;
  QLineEdit* txtProvider_ = nullptr;
  QLineEdit* txtDb_ = nullptr;
  QLineEdit* txtUser_ = nullptr;
  QLineEdit* txtPass_ = nullptr;
  QLineEdit* txtCnnTimeout_ = nullptr;
  QLineEdit* txtCommandTimeout_ = nullptr;
  QLineEdit* txtCustomizations_ = nullptr;
  QCheckBox* chkLogNotes_ = nullptr;
  QLineEdit* txtLogBookId_ = nullptr;
  QPushButton* btnTest_ = nullptr;
  QLineEdit* txtSchema_ = nullptr;  // never shown or used
};

// Opens the window modal over owner and releases it once it is hidden.
void ShowCustomConfig(ProgramObjects& objects, QWidget* owner);
