#include "app/config/CommonTypeConfigCache.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr const char* kEnabled = "SOURCE\\CACHE\\ENABLED";
constexpr const char* kByPoints = "SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS";
constexpr const char* kPoints = "SOURCE\\CACHE\\LIMIT_BY_DATAPOINTS_SETPOINT";
constexpr const char* kByDays = "SOURCE\\CACHE\\LIMIT_BY_DAYS";
constexpr const char* kDays = "SOURCE\\CACHE\\LIMIT_BY_DAYS_SETPOINT";
constexpr const char* kByBytes = "SOURCE\\CACHE\\LIMIT_BY_BYTES";
constexpr const char* kBytes = "SOURCE\\CACHE\\LIMIT_BY_BYTES_SETPOINT";

// The limits hang together: at most 300 days of 4320 points a day, 8 bytes a point.
constexpr std::int32_t kMaxDays = 300;
constexpr std::int32_t kMaxPoints = kMaxDays * 4320;
constexpr std::int32_t kMaxBytes = kMaxPoints * 8;

}  // namespace

CommonTypeConfigCache::CommonTypeConfigCache(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Advanced Configuration : Source Input Cache",
                       Pattern{.buttons = ApplyOnlyButtons(), .helpTopic = "12132", .closeAfterCheck = true}) {
  setObjectName("CommonTypeConfigCache");

  AddOnOffFrame("Cache When Appropriate", enTrue_, "enTrue", enFalse_, "enFalse");

  auto* limits = new QGridLayout;
  auto addLimit = [&](int row, QCheckBox*& check, const char* checkName, const QString& caption, QLineEdit*& box,
                      const char* boxName) {
    check = new QCheckBox(caption, this);
    check->setObjectName(checkName);
    box = new QLineEdit(this);
    box->setObjectName(boxName);
    box->setMaximumWidth(90);
    limits->addWidget(check, row, 0);
    limits->addWidget(box, row, 1);
  };
  addLimit(0, chDatapoints_, "chDatapoints", "Number of Datapoints cached is below", setDatapoints_, "setDatapoints");
  addLimit(1, chkDays_, "chkDays", "Number of Days in cached date range is below", setDays_, "setDays");
  addLimit(2, chkBytes_, "chkBytes", "Number of Bytes cached is below", setBytes_, "setBytes");
  limits->setColumnStretch(2, 1);
  AddFrame("Caching is Appropriate When", limits);
  Body()->addStretch(1);
  Load();
}

void ShowCommonTypeConfigCache(const IconBinding* icons, QWidget* owner) {
  CommonTypeConfigCache form(icons, owner);
  form.exec();
}

bool CommonTypeConfigCache::RefreshUIFromConfig() {
  setBytes_->setText(QString::fromStdString(Setting(kBytes)));
  setDays_->setText(QString::fromStdString(Setting(kDays)));
  setDatapoints_->setText(QString::fromStdString(Setting(kPoints)));
  chDatapoints_->setChecked(Setting(kByPoints) == "TRUE");
  chkDays_->setChecked(Setting(kByDays) == "TRUE");
  chkBytes_->setChecked(Setting(kByBytes) == "TRUE");
  (Setting(kEnabled) == "TRUE" ? enTrue_ : enFalse_)->setChecked(true);
  return true;
}

bool CommonTypeConfigCache::ApplySettings() {
  Setting(kEnabled, enTrue_->isChecked() ? "TRUE" : "FALSE");
  Setting(kByPoints, chDatapoints_->isChecked() ? "TRUE" : "FALSE");
  Setting(kByDays, chkDays_->isChecked() ? "TRUE" : "FALSE");
  Setting(kByBytes, chkBytes_->isChecked() ? "TRUE" : "FALSE");
  ApplyNumber(setDatapoints_, kPoints, 1, kMaxPoints, Width::Long);
  ApplyNumber(setBytes_, kBytes, 1, kMaxBytes, Width::Long);
  ApplyNumber(setDays_, kDays, 1, kMaxDays, Width::Long);
  return true;
}
