#pragma once

#include <string>

#include "app/config/CommonConfigFieldPicker.h"

class CommonVarGatherer;

// The picker "Advanced Configuration : Additional Info : Pick Krym Facility Additional Info
// Field": lists every additional-information field of the facilities the gatherer read, as
// facility.field with the field's name, type and facility name, and lets the operator take one.
// Made anew for each pick and shown modal; the caller reads Cancelled and PickedField. Cancel
// and a close through the window frame cancel. The gatherer is borrowed: give it before the
// picker is made visible (the list is filled when it is set) and keep it while it is shown.
class CommonConfigAInfoKrym final : public CommonConfigFieldPicker {
  Q_OBJECT

 public:
  explicit CommonConfigAInfoKrym(const IconBinding* icons, QWidget* owner = nullptr);

  CommonVarGatherer* VarGatherer() const { return varGatherer_; }
  void VarGatherer(CommonVarGatherer* gatherer);

 protected:
  bool RefreshUIFromConfig() override;
  void lpVars_Click() override;

 private:
  CommonVarGatherer* varGatherer_ = nullptr;
};
