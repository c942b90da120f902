#include "app/dialogs/CommonUIDatePickerUTC.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <exception>

#include "app/dialogs/CommonDateRange.h"
#include "app/dialogs/CommonDateRangeFields.h"
#include "core/Text.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "foundation/TimeUtils.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/os/TimeZoneInfo.h"

namespace {

enum ZoneIndex { kUtc = 0, kCollector = 1, kInterface = 2 };

core::Date AddMinutes(core::Date d, double minutes) { return core::Date(d.Serial() + minutes / 1440.0); }

void Box(const std::string& prompt, const std::string& title = "") {
  if (QALmsgBoxHandler* box = Program().msgBox)
    box->QalMsgBox(prompt, 48, title.empty() ? std::nullopt : std::optional(title));
}

void Log(const std::string& line, std::int16_t level) {
  if (QALLoggerTXT* log = Program().logger) log->WriteLog(line, level);
}

// "UTC Time:" and the value beside it.
QWidget* UtcLine(QLabel* value, QWidget* parent) {
  auto* line = new QWidget(parent);
  auto* layout = new QHBoxLayout(line);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel("UTC Time:", line));
  layout->addWidget(value, 1);
  return line;
}

}  // namespace

CommonUIDatePickerUTC::CommonUIDatePickerUTC(const IconBinding* icons, QWidget* owner)
    : QDialog(owner), parts_(this, "CommonUIDatePickerUTC", icons, [this] { TakeUTCRange(); }) {
  CommonDateRangeFields* fields = parts_.Fields();
  UTC_Start_ = new QLabel(this);
  UTC_Start_->setObjectName("UTC_Start");
  UTC_End_ = new QLabel(this);
  UTC_End_->setObjectName("UTC_End");
  // The values come when the window shows, after it has taken its size: room for them now.
  for (QLabel* utc : {UTC_Start_, UTC_End_})
    utc->setMinimumWidth(utc->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")));
  fields->AddUnderDates(UtcLine(UTC_Start_, this), UtcLine(UTC_End_, this));
  BuildZoneFrame();
  parts_.Body()->addWidget(cboTimeZone_->parentWidget());

  connect(fields->cboRelDateSetting(), &QComboBox::activated, this, &CommonUIDatePickerUTC::KeywordChosen);
  connect(cboTimeZone_, &QComboBox::activated, this, &CommonUIDatePickerUTC::ZoneChanged);
  connect(fields->dtStart(), &QDateTimeEdit::dateTimeChanged, this, &CommonUIDatePickerUTC::ShowShownRange);
  connect(fields->dtEnd(), &QDateTimeEdit::dateTimeChanged, this, &CommonUIDatePickerUTC::ShowShownRange);
}

void CommonUIDatePickerUTC::BuildZoneFrame() {
  auto* frame = new QGroupBox("Display Time With Regard To:", this);
  auto* layout = new QVBoxLayout(frame);
  cboTimeZone_ = new QComboBox(frame);
  cboTimeZone_->setObjectName("cboTimeZone");
  layout->addWidget(cboTimeZone_);
}

QComboBox* CommonUIDatePickerUTC::cboRelDateSetting() const { return parts_.Fields()->cboRelDateSetting(); }
QDateTimeEdit* CommonUIDatePickerUTC::dtStart() const { return parts_.Fields()->dtStart(); }
QDateTimeEdit* CommonUIDatePickerUTC::dtEnd() const { return parts_.Fields()->dtEnd(); }
core::Date CommonUIDatePickerUTC::dtStartValue() const { return parts_.Fields()->Start(); }
core::Date CommonUIDatePickerUTC::dtEndValue() const { return parts_.Fields()->End(); }

void CommonUIDatePickerUTC::Init(std::int32_t CollectTZID, double CollectTZOff, double InterfaceTZOff) {
  collectorTimeZoneID_ = CollectTZID;
  collectorOffset_ = CollectTZOff;
  interfaceOffset_ = InterfaceTZOff;
  Load();
}

void CommonUIDatePickerUTC::showEvent(QShowEvent* event) {
  if (!loaded_) Load();
  QDialog::showEvent(event);
}

void CommonUIDatePickerUTC::Load() {
  loaded_ = true;
  // One root connection serves the zone name and the server's clock.
  platform::db::Connection root;
  const bool open = OpenRootConnection(root);
  FillTimeZoneList(open ? ReadTimeZoneName(root, collectorTimeZoneID_) : std::string());
  if (open) SyncServerTimeOn(root);
  root.Close();

  parts_.Fields()->cboRelDateSetting()->setCurrentIndex(CommonDateRange::kDefaultKeyword);
  // Yesterday and today: the shown range and its UTC labels.
  KeywordChosen();
}

void CommonUIDatePickerUTC::FillTimeZoneList(const std::string& collectorZoneName) {
  cboTimeZone_->clear();
  cboTimeZone_->addItem("UTC [Greenwich Mean Time]");
  cboTimeZone_->addItem(QString::fromStdString("Collector [" + collectorZoneName + "]"));
  cboTimeZone_->addItem(QString::fromStdString("Interface [" + GetLocalTimeZoneName() + "]"));
  cboTimeZone_->setCurrentIndex(kCollector);
  ZoneChanged();
}

bool CommonUIDatePickerUTC::OpenRootConnection(platform::db::Connection& cnn) {
  ConnectionManager cm;
  bool filled = false;
  try {
    filled = CommonGlobals::InitVornKrymConnectionManager(cm);
  } catch (const std::exception& e) {
    // A setting that is no number leaves the manager as unusable as missing settings do.
    Log(std::string("Krym connection settings unreadable: ") + e.what(), 2);
  }
  if (!filled) {
    Box("Unable to init Vorn Krym Connection Manager");
    return false;
  }
  cm.ConfigCnn4QALROOT(cnn);
  std::string errText;
  if (!CommonGlobals::ConnectVornKrym(cnn, errText, false)) {
    Box("Error :\r\n" + errText, "Failed to connect to Vorn Krym");
    return false;
  }
  return true;
}

std::string CommonUIDatePickerUTC::ReadTimeZoneName(platform::db::Connection& cnn, std::int32_t id) {
  try {
    platform::db::Recordset rs;
    rs.Open("SELECT TIMEZONENAME FROM QALTIMEZONE WHERE  (QALTIMEZONEID = '" + std::to_string(id) + "')", cnn);
    if (rs.Eof()) return "";
    return core::Trim(rs.Fields("TIMEZONENAME").Value().Text());
  } catch (const std::exception& e) {
    Log(std::string("Unable to read the collector's time zone name: ") + e.what(), 2);
    return "";
  }
}

std::string CommonUIDatePickerUTC::GetLocalTimeZoneName() {
  const platform::os::TimeZoneInfo tz = platform::os::TimeZoneInfo::Current();
  if (tz.Result == platform::os::TimeZoneInfo::State::Invalid) return "Local";
  return TrimAtNull(tz.StandardName);
}

std::string CommonUIDatePickerUTC::TrimAtNull(const std::string& text) { return text.substr(0, text.find('\0')); }

void CommonUIDatePickerUTC::SyncServerTimeOn(platform::db::Connection& cnn) {
  ProgramContext& ctx = Program();
  // The program keeps no root connection open; lend it this one for the clock question.
  if (ctx.vornKrymCnn) {
    TimeUtils::SyncServerTime();
    return;
  }
  ctx.vornKrymCnn = &cnn;
  TimeUtils::SyncServerTime();
  ctx.vornKrymCnn = nullptr;
}

core::Date CommonUIDatePickerUTC::ZoneNow() const { return LocalToSelectedZone(TimeUtils::GetServerNow()); }

core::Date CommonUIDatePickerUTC::LocalToSelectedZone(core::Date time) const {
  switch (cboTimeZone_->currentIndex()) {
    case kUtc:
      return TimeUtils::LocalToUTC(time);
    case kCollector:
      return AddMinutes(time, collectorOffset_ - interfaceOffset_);
    case kInterface:
    default:
      return time;
  }
}

void CommonUIDatePickerUTC::ShowUTCRange(core::Date start, core::Date end) {
  core::Date utcStart, utcEnd;
  switch (cboTimeZone_->currentIndex()) {
    case kUtc:
      utcStart = start;
      utcEnd = end;
      break;
    case kCollector:
      utcStart = AddMinutes(start, -collectorOffset_);
      utcEnd = AddMinutes(end, -collectorOffset_);
      break;
    case kInterface:
      utcStart = TimeUtils::LocalToUTC(start);
      utcEnd = TimeUtils::LocalToUTC(end);
      break;
    default:
      return;
  }
  UTC_Start_->setText(QString::fromStdString(core::Format(utcStart, "mm/dd/yyyy HH:nn:ss")));
  UTC_End_->setText(QString::fromStdString(core::Format(utcEnd, "mm/dd/yyyy HH:nn:ss")));
}

void CommonUIDatePickerUTC::ShowShownRange() { ShowUTCRange(parts_.Fields()->Start(), parts_.Fields()->End()); }

void CommonUIDatePickerUTC::KeywordChosen() {
  reference_ = ZoneNow();
  if (parts_.Fields()->ApplyKeyword(reference_)) ShowShownRange();
}

void CommonUIDatePickerUTC::ZoneChanged() {
  // The shown clock values stay; they are only read in the new zone.
  reference_ = ZoneNow();
  ShowShownRange();
}

void CommonUIDatePickerUTC::TakeUTCRange() {
  ShowShownRange();
  // Read back from the labels, which are always written month first.
  const auto start = core::ParseDate(UTC_Start_->text().toStdString());
  const auto end = core::ParseDate(UTC_End_->text().toStdString());
  if (start && end) {
    selectedStartUTC_ = *start;
    selectedEndUTC_ = *end;
  }
}

void CommonUIDatePickerUTC::ToolbarButtonClick(const std::string& key) { parts_.ToolbarButtonClick(key); }

void CommonUIDatePickerUTC::reject() {
  parts_.Rejected();
  QDialog::reject();
}
