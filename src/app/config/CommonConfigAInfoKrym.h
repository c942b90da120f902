#pragma once

#include <string>

#include "app/config/CommonConfigForm.h"

class CommonVarGatherer;
class QTreeWidget;

// The picker "Advanced Configuration : Additional Info : Pick Krym Facility Additional Info
// Field": lists every additional-information field of the facilities the gatherer read, as
// facility.field with the field's name, type and facility name, and lets the operator take one.
// Made anew for each pick and shown modal; the caller reads Cancelled and PickedField. Cancel
// and a close through the window frame cancel. The gatherer is borrowed: give it before the
// picker is made visible (the list is filled when it is set) and keep it while it is shown.
class CommonConfigAInfoKrym final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CommonConfigAInfoKrym(const IconBinding* icons, QWidget* owner = nullptr);

  CommonVarGatherer* VarGatherer() const { return varGatherer_; }
  void VarGatherer(CommonVarGatherer* gatherer);
  bool Cancelled() const { return cancelled_; }
  const std::string& PickedField() const { return pickedField_; }
  QTreeWidget* lpVars() const { return lpVars_; }

 public slots:
  void reject() override;

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override { return true; }
  void OtherButtonClick(const std::string& key) override;

 private:
  void lpVars_Click();

  CommonVarGatherer* varGatherer_ = nullptr;
  bool cancelled_ = false;
  std::string pickedField_;
  QTreeWidget* lpVars_ = nullptr;
};
