#pragma once

#include "app/config/CommonConfigForm.h"

class QDateTimeEdit;
class QLineEdit;
class QRadioButton;
struct ProgramObjects;

// The window "Automated Import Configuration": when the service runs its import (daily at an
// hour and minute, hourly at a minute, or every N minutes), the date an import starts from when
// no last run is known, a constant shift of that start, whether a recalculation request follows,
// and whether the import really writes. After every apply exactly one schedule switch is "YES".
class CommonConfigNTSvc final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CommonConfigNTSvc(const IconBinding* icons, QWidget* owner = nullptr);

  QDateTimeEdit* dtStart() const { return dtStart_; }

 protected:
  bool RefreshUIFromConfig() override { return RefreshFromConfig(); }
  bool ApplySettings() override;

 private:
  bool RefreshFromConfig();

  QRadioButton* optDaily_ = nullptr;
  QRadioButton* optHourly_ = nullptr;
  QRadioButton* optMinutely_ = nullptr;
  QLineEdit* dayTimeHour_ = nullptr;
  QLineEdit* dayTimeMinutes_ = nullptr;
  QLineEdit* HourTimeMinutes_ = nullptr;
  QLineEdit* MinutelyMinutes_ = nullptr;
  QDateTimeEdit* dtStart_ = nullptr;
  QLineEdit* txtTimeShift_ = nullptr;
  QRadioButton* modeReal_ = nullptr;
  QRadioButton* modeTest_ = nullptr;
  QRadioButton* optCalcNone_ = nullptr;
  QRadioButton* optCalcAll_ = nullptr;
};

// Opens the window modal over owner and releases it once it is hidden.
void ShowCommonConfigNTSvc(ProgramObjects& objects, QWidget* owner);
