#include "app/config/CommonConfigNTSvc.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <optional>

#include "app/startup/ProgramObjects.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "core/Value.h"

namespace {

constexpr const char* kDaily = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY";
constexpr const char* kDailyHour = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY_HOUR";
constexpr const char* kDailyMinute = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\DAILY_MINUTE";
constexpr const char* kHourly = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\HOURLY";
constexpr const char* kHourlyMinute = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\HOURLY_MINUTE";
constexpr const char* kMinutely = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\MINUTELY";
constexpr const char* kMinutelyMinute = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\MINUTELY_MINUTE";
constexpr const char* kCalcRequest = "OPTIONS\\AUTOMATED_IMPORT\\SUBMIT_CALC_REQUEST";
constexpr const char* kRealMode = "OPTIONS\\AUTOMATED_IMPORT\\REAL_OPERATION_MODE";
constexpr const char* kLastRun = "OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN";
constexpr const char* kShift = "OPTIONS\\AUTOMATED_IMPORT\\STARTDATE_SHIFT_MINUTE";

// The longest interval of the every-N-minutes schedule: one day.
constexpr std::int32_t kMaxMinutely = 1440;
constexpr std::int32_t kDefaultMinutely = 10;

QDateTime ToQt(core::Date d) {
  const core::Date::Parts p = d.Split();
  // Kept in UTC so that a time inside a daylight-saving gap shows as stored.
  return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second), Qt::UTC);
}

core::Date FromQt(const QDateTime& t) {
  return core::Date::FromParts(t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(),
                               t.time().second());
}

// A stored number as the form shows it: the whole number when the text is one, else fallback.
QString WholeOr(const std::string& stored, std::int32_t fallback) {
  const core::Value v(stored);
  return QString::number(v.IsNumeric() ? v.ToLong() : fallback);
}

}  // namespace

CommonConfigNTSvc::CommonConfigNTSvc(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Automated Import Configuration", Pattern{.helpTopic = "12044"}) {
  setObjectName("CommonConfigNTSvc");

  auto* schedule = new QGridLayout;
  optDaily_ = NewOption("Daily at", this, "optDaily");
  optHourly_ = NewOption("Hourly at", this, "optHourly");
  optMinutely_ = NewOption("Minutely", this, "optMinutely");
  dayTimeHour_ = NewBox(this, "dayTimeHour", 60);
  dayTimeMinutes_ = NewBox(this, "dayTimeMinutes", 60);
  HourTimeMinutes_ = NewBox(this, "HourTimeMinutes", 60);
  MinutelyMinutes_ = NewBox(this, "MinutelyMinutes", 60);
  schedule->addWidget(optDaily_, 0, 0);
  schedule->addWidget(dayTimeHour_, 0, 1);
  schedule->addWidget(new QLabel("hours [0 - 23]"), 0, 2);
  schedule->addWidget(dayTimeMinutes_, 0, 3);
  schedule->addWidget(new QLabel("minutes [0 - 59]"), 0, 4);
  schedule->addWidget(optHourly_, 1, 0);
  schedule->addWidget(HourTimeMinutes_, 1, 3);
  schedule->addWidget(new QLabel("minutes [0 - 59]"), 1, 4);
  schedule->addWidget(optMinutely_, 2, 0);
  schedule->addWidget(new QLabel("Every"), 2, 2, Qt::AlignRight);
  schedule->addWidget(MinutelyMinutes_, 2, 3);
  schedule->addWidget(new QLabel("minutes"), 2, 4);
  schedule->setColumnStretch(5, 1);
  AddFrame("Automated Import Scheduled to Run", schedule);

  auto* dates = new QHBoxLayout;
  auto* lastRun = new QVBoxLayout;
  dtStart_ = new QDateTimeEdit(this);
  dtStart_->setObjectName("dtStart");
  dtStart_->setDisplayFormat("MM/dd/yyyy HH:mm:ss");
  dtStart_->setCalendarPopup(true);
  dtStart_->setTimeSpec(Qt::UTC);
  dtStart_->setMinimumDate(QDate(100, 1, 1));
  lastRun->addWidget(dtStart_);
  auto* lastRunFrame = new QGroupBox("Default Last Run Date", this);
  lastRunFrame->setLayout(lastRun);
  dates->addWidget(lastRunFrame);
  auto* shift = new QHBoxLayout;
  txtTimeShift_ = NewBox(this, "txtTimeShift", 60);
  shift->addWidget(txtTimeShift_);
  shift->addWidget(new QLabel("minutes"));
  shift->addStretch(1);
  auto* shiftFrame = new QGroupBox("Constant to Add to Start Date Each Time Import Runs", this);
  shiftFrame->setLayout(shift);
  dates->addWidget(shiftFrame, 1);
  Body()->addLayout(dates);

  auto* modeFrame = new QGroupBox("Import Operation Mode", this);
  auto* mode = new QVBoxLayout(modeFrame);
  modeReal_ = NewOption("Real", modeFrame, "modeReal");
  modeTest_ = NewOption("Test (Vorn Krym is NEVER modified)", modeFrame, "modeTest");
  mode->addWidget(modeReal_);
  mode->addWidget(modeTest_);
  Body()->addWidget(modeFrame);

  auto* calcFrame = new QGroupBox("Calculations After Automated Import", this);
  auto* calc = new QVBoxLayout(calcFrame);
  optCalcNone_ = NewOption("Do not submit request", calcFrame, "optCalcNone");
  optCalcAll_ = NewOption("Submit Request to re-calculate ALL calculated variables within each facility", calcFrame,
                          "optCalcAll");
  calc->addWidget(optCalcNone_);
  calc->addWidget(optCalcAll_);
  Body()->addWidget(calcFrame);

  Load();
}

void ShowCommonConfigNTSvc(ProgramObjects& objects, QWidget* owner) {
  CommonConfigNTSvc form(objects.icons.get(), owner);
  form.exec();
}

bool CommonConfigNTSvc::RefreshFromConfig() {
  txtTimeShift_->setText(QString::fromStdString(Setting(kShift)));
  const std::optional<core::Date> lastRun = core::ParseDate(Setting(kLastRun));
  if (!lastRun) core::Raise(core::err::kTypeMismatch, "RefreshFromConfig");
  dtStart_->setDateTime(ToQt(*lastRun));

  if (Setting(kDaily) == "YES")
    optDaily_->setChecked(true);
  else if (Setting(kHourly) == "YES")
    optHourly_->setChecked(true);
  else
    optMinutely_->setChecked(true);

  dayTimeHour_->setText(WholeOr(Setting(kDailyHour), 0));
  dayTimeMinutes_->setText(WholeOr(Setting(kDailyMinute), 1));
  HourTimeMinutes_->setText(WholeOr(Setting(kHourlyMinute), 1));
  const core::Value minutely(Setting(kMinutelyMinute));
  std::int32_t every = kDefaultMinutely;
  if (minutely.IsNumeric()) {
    every = minutely.ToLong();
    if (every < 0) every = kDefaultMinutely;
    if (every > kMaxMinutely) every = kMaxMinutely;
  }
  MinutelyMinutes_->setText(QString::number(every));

  (Setting(kCalcRequest) == "YES" ? optCalcAll_ : optCalcNone_)->setChecked(true);
  (Setting(kRealMode) == "YES" ? modeReal_ : modeTest_)->setChecked(true);
  return true;
}

bool CommonConfigNTSvc::ApplySettings() {
  ApplyNumber(dayTimeHour_, kDailyHour, 0, 23, Width::Integer);
  Setting(kLastRun, core::Format(FromQt(dtStart_->dateTime()), "mm-dd-yyyy hh:nn:ss"));
  ApplyNumber(dayTimeMinutes_, kDailyMinute, 0, 59, Width::Integer);
  ApplyNumber(HourTimeMinutes_, kHourlyMinute, 0, 59, Width::Integer);

  // A negative interval means the default, not 0 (which runs at every tick).
  const std::string every = MinutelyMinutes_->text().toStdString();
  if (!core::IsNumericText(every)) {
    RefuseNumber(MinutelyMinutes_, kMinutelyMinute);
  } else {
    std::int32_t minutes = core::Value(every).ToInteger();
    if (minutes < 0) minutes = kDefaultMinutely;
    if (minutes > kMaxMinutely) minutes = kMaxMinutely;
    Setting(kMinutelyMinute, std::to_string(minutes));
    MinutelyMinutes_->setText(QString::number(minutes));
  }

  ApplyNumber(txtTimeShift_, kShift, -14400, 14400, Width::Integer);

  const bool daily = optDaily_->isChecked();
  const bool hourly = !daily && optHourly_->isChecked();
  Setting(kDaily, daily ? "YES" : "NO");
  Setting(kHourly, hourly ? "YES" : "NO");
  Setting(kMinutely, !daily && !hourly ? "YES" : "NO");
  Setting(kCalcRequest, optCalcAll_->isChecked() ? "YES" : "NO");
  Setting(kRealMode, modeReal_->isChecked() ? "YES" : "NO");
  return true;
}
