#include "app/dialogs/CommonDateRangeFields.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLayout>
#include <QVBoxLayout>

#include "app/dialogs/CommonDateRange.h"
#include "app/widgets/DialogParts.h"

namespace {

QDateTimeEdit* MakePicker(const char* name, QWidget* parent) {
  auto* picker = new QDateTimeEdit(parent);
  picker->setObjectName(name);
  // Plain clock values: a picker in local time would move a value that falls into a daylight
  // saving gap of this computer, though the dialog may mean another zone altogether.
  picker->setTimeSpec(Qt::UTC);
  picker->setDisplayFormat("MM/dd/yyyy HH:mm:ss");
  picker->setCalendarPopup(true);
  picker->setMinimumDateTime(QDateTime(QDate(100, 1, 1), QTime(0, 0), Qt::UTC));
  picker->setMaximumDateTime(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC));
  return picker;
}

}  // namespace

CommonDateRangeFields::CommonDateRangeFields(QWidget* parent) : QWidget(parent) {
  cboRelDateSetting_ = new QComboBox(this);
  cboRelDateSetting_->setObjectName("cboRelDateSetting");
  for (const std::string& keyword : CommonDateRange::Keywords())
    cboRelDateSetting_->addItem(QString::fromStdString(keyword));
  cboRelDateSetting_->setMaxVisibleItems(12);
  dtStart_ = MakePicker("dtStart", this);
  dtEnd_ = MakePicker("dtEnd", this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(DialogParts::Frame("Set Using Start and End Date Shortcuts", cboRelDateSetting_, this));
  auto* dates = new QHBoxLayout;
  startFrame_ = DialogParts::Frame("Start Date and Time", dtStart_, this);
  endFrame_ = DialogParts::Frame("End Date and Time", dtEnd_, this);
  dates->addWidget(startFrame_);
  dates->addWidget(endFrame_);
  layout->addLayout(dates);
}

bool CommonDateRangeFields::ApplyKeyword(core::Date reference) {
  core::Date start = Start(), end = End();
  if (!CommonDateRange::GetRelativeRange(cboRelDateSetting_->currentText().toStdString(), reference, start, end))
    return false;
  Start(start);
  End(end);
  return true;
}

void CommonDateRangeFields::AddUnderDates(QWidget* underStart, QWidget* underEnd) {
  startFrame_->layout()->addWidget(underStart);
  endFrame_->layout()->addWidget(underEnd);
}

core::Date CommonDateRangeFields::Start() const { return FromQDateTime(dtStart_->dateTime()); }
void CommonDateRangeFields::Start(core::Date d) { dtStart_->setDateTime(ToQDateTime(d)); }
core::Date CommonDateRangeFields::End() const { return FromQDateTime(dtEnd_->dateTime()); }
void CommonDateRangeFields::End(core::Date d) { dtEnd_->setDateTime(ToQDateTime(d)); }

QDateTime CommonDateRangeFields::ToQDateTime(core::Date d) {
  const core::Date::Parts p = d.Split();
  return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second), Qt::UTC);
}

core::Date CommonDateRangeFields::FromQDateTime(const QDateTime& t) {
  const QDate day = t.date();
  const QTime time = t.time();
  return core::Date::FromParts(day.year(), day.month(), day.day(), time.hour(), time.minute(), time.second());
}
