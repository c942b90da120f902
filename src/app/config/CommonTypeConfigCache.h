#pragma once

#include "app/config/CommonConfigForm.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
struct ProgramObjects;

// The window "Advanced Configuration : Source Input Cache": the seven SOURCE\CACHE keys that say
// when a cache of source input is appropriate (a switch, and limits by data points, days and
// bytes, each with its own switch and set point). It has no save of its own: "check" applies and
// closes the window; the configuration is saved by another window's save.
class CommonTypeConfigCache final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CommonTypeConfigCache(const IconBinding* icons, QWidget* owner = nullptr);

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override;

 private:
  QRadioButton* enTrue_ = nullptr;
  QRadioButton* enFalse_ = nullptr;
  QCheckBox* chDatapoints_ = nullptr;
  QLineEdit* setDatapoints_ = nullptr;
  QCheckBox* chkDays_ = nullptr;
  QLineEdit* setDays_ = nullptr;
  QCheckBox* chkBytes_ = nullptr;
  QLineEdit* setBytes_ = nullptr;
};

// Opens the window modal over owner and releases it once it is hidden.
void ShowCommonTypeConfigCache(const IconBinding* icons, QWidget* owner);
