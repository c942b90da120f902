#include "app/dialogs/CommonUIDatePicker.h"

#include <QComboBox>
#include <QDateTimeEdit>

#include "app/dialogs/CommonDateRange.h"
#include "app/dialogs/CommonDateRangeFields.h"
#include "foundation/ProgramContext.h"

CommonUIDatePicker::CommonUIDatePicker(const IconBinding* icons, QWidget* owner)
    : QDialog(owner), parts_(this, "CommonUIDatePicker", icons) {
  connect(parts_.Fields()->cboRelDateSetting(), &QComboBox::activated, this, &CommonUIDatePicker::KeywordChosen);
  Load();
}

core::Date CommonUIDatePicker::dtStartValue() const { return parts_.Fields()->Start(); }
core::Date CommonUIDatePicker::dtEndValue() const { return parts_.Fields()->End(); }
QComboBox* CommonUIDatePicker::cboRelDateSetting() const { return parts_.Fields()->cboRelDateSetting(); }
QDateTimeEdit* CommonUIDatePicker::dtStart() const { return parts_.Fields()->dtStart(); }
QDateTimeEdit* CommonUIDatePicker::dtEnd() const { return parts_.Fields()->dtEnd(); }

void CommonUIDatePicker::Load() {
  parts_.Fields()->cboRelDateSetting()->setCurrentIndex(CommonDateRange::kDefaultKeyword);
  KeywordChosen();
}

void CommonUIDatePicker::KeywordChosen() {
  reference_ = Program().clock->Now();
  parts_.Fields()->ApplyKeyword(reference_);
}

void CommonUIDatePicker::ToolbarButtonClick(const std::string& key) { parts_.ToolbarButtonClick(key); }

void CommonUIDatePicker::reject() {
  parts_.Rejected();
  QDialog::reject();
}
