#pragma once

#include "app/config/CommonConfigForm.h"

class QComboBox;
class QRadioButton;
class QTableWidget;

// The window "Advanced Configuration : Unit Conversion": the editor of the unit conversion table
// kept under TARGET\UNITCONVERT (a switch and 100 slots, each enabled or not, with a source unit,
// a conversion - a factor or one of the two temperature codes - and a target unit). It declares
// those keys with their defaults when it opens, so that it can be used when nothing else has.
// It has no save of its own: "check" applies and closes the window.
class CommonConfigUnits final : public CommonConfigForm {
  Q_OBJECT

 public:
  static constexpr int kRows = 100;
  enum Column { kColEnabled = 0, kColFromUnit, kColAlgorithm, kColFactor, kColToUnit };

  explicit CommonConfigUnits(const IconBinding* icons, QWidget* owner = nullptr);

  QTableWidget* Grid() const { return grid_; }
  // The conversion list of a row.
  QComboBox* Algorithm(int row) const;

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override;

 private:
  QRadioButton* enTrue_ = nullptr;
  QRadioButton* enFalse_ = nullptr;
  QTableWidget* grid_ = nullptr;
};

// Opens the window modal over owner and releases it once it is hidden.
void ShowCommonConfigUnits(const IconBinding* icons, QWidget* owner);
