#include "app/dialogs/CommonUIDatePicker.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/dialogs/CommonDateRange.h"
#include "app/dialogs/CommonDateRangeFields.h"
#include "app/widgets/DialogParts.h"
#include "app/widgets/IconBinding.h"
#include "core/Text.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"

CommonUIDatePicker::CommonUIDatePicker(const IconBinding* icons, QWidget* owner) : QDialog(owner) {
  setObjectName("CommonUIDatePicker");
  setWindowTitle("Select Date Range to Import");
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  BuildToolbar();
  layout->addWidget(myToolBar_);
  fields_ = new CommonDateRangeFields(this);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(9, 6, 9, 9);
  body->addWidget(fields_);
  layout->addLayout(body, 1);
  connect(fields_->cboRelDateSetting(), &QComboBox::activated, this, &CommonUIDatePicker::KeywordChosen);
  Load(icons);
}

core::Date CommonUIDatePicker::dtStartValue() const { return fields_->Start(); }
core::Date CommonUIDatePicker::dtEndValue() const { return fields_->End(); }
QComboBox* CommonUIDatePicker::cboRelDateSetting() const { return fields_->cboRelDateSetting(); }
QDateTimeEdit* CommonUIDatePicker::dtStart() const { return fields_->dtStart(); }
QDateTimeEdit* CommonUIDatePicker::dtEnd() const { return fields_->dtEnd(); }

void CommonUIDatePicker::BuildToolbar() {
  myToolBar_ = DialogParts::Toolbar(this);
  CommonDateRangeFields::AddToolbarButtons(myToolBar_, [this](const std::string& key) { ToolbarButtonClick(key); });
}

void CommonUIDatePicker::Load(const IconBinding* icons) {
  if (icons) icons->initToolbar(myToolBar_);
  fields_->cboRelDateSetting()->setCurrentIndex(CommonDateRange::kDefaultKeyword);
  KeywordChosen();
}

void CommonUIDatePicker::KeywordChosen() {
  reference_ = Program().clock->Now();
  fields_->ApplyKeyword(reference_);
}

void CommonUIDatePicker::ToolbarButtonClick(const std::string& key) {
  const std::string k = core::LCase(key);
  if (k == "wizard") {
    cancelled_ = false;
    done(Accepted);
  } else if (k == "help") {
    CommonGlobals::ShowHelpTopic("12058");
  } else if (k == "cancel") {
    reject();
  }
}

void CommonUIDatePicker::reject() {
  cancelled_ = true;
  QDialog::reject();
}
