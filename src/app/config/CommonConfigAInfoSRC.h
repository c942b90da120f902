#pragma once

#include <string>

#include "app/config/CommonConfigForm.h"

class QLineEdit;
class QTreeWidget;

// The picker "Advanced Configuration : Additional Info : Pick Source Field": lists the source's
// field identifiers and lets the operator take one, or type one, for a cell of the
// additional-information map. Made anew for each pick and shown modal; the caller reads
// Cancelled and PickedField. Cancel and a close through the window frame cancel.
class CommonConfigAInfoSRC final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CommonConfigAInfoSRC(const IconBinding* icons, QWidget* owner = nullptr);

  bool Cancelled() const { return cancelled_; }
  const std::string& PickedField() const { return pickedField_; }
  QTreeWidget* lpVars() const { return lpVars_; }
  QLineEdit* txtfieldID() const { return txtfieldID_; }

 public slots:
  void reject() override;

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override { return true; }
  void OtherButtonClick(const std::string& key) override;

 private:
  void lpVars_Click();

  bool cancelled_ = false;
  std::string pickedField_;
  QTreeWidget* lpVars_ = nullptr;
  QLineEdit* txtfieldID_ = nullptr;
};
