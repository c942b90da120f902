#pragma once

#include <string>

#include "app/config/CommonConfigFieldPicker.h"

class QLineEdit;

// The picker "Advanced Configuration : Additional Info : Pick Source Field": lists the source's
// field identifiers and lets the operator take one, or type one, for a cell of the
// additional-information map. Made anew for each pick and shown modal; the caller reads
// Cancelled and PickedField. Cancel and a close through the window frame cancel.
class CommonConfigAInfoSRC final : public CommonConfigFieldPicker {
  Q_OBJECT

 public:
  explicit CommonConfigAInfoSRC(const IconBinding* icons, QWidget* owner = nullptr);

  QLineEdit* txtfieldID() const { return txtfieldID_; }

 protected:
  bool RefreshUIFromConfig() override;
  void lpVars_Click() override;
  void TakePick() override;

 private:
  QLineEdit* txtfieldID_ = nullptr;
};
