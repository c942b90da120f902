#include "app/config/CommonConfigAdvanced.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/config/CommonAskForConfigPassword.h"
#include "app/config/CommonChangeConfigPassword.h"
#include "app/config/CommonConfigAInfo.h"
#include "app/config/CommonConfigUnits.h"
#include "app/config/CommonTypeConfigCache.h"
#include "app/startup/ProgramObjects.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "import/model/CommonVarGatherer.h"
#include "platform/db/Connection.h"
#include "platform/ui/BusyPointer.h"

namespace {

constexpr int kExclamation = 48;
constexpr const char* kValidation = "Validation failed";

constexpr const char* kVerbosity = "OPTIONS\\LOG_VERBOSITY";
constexpr const char* kKeepLogs = "OPTIONS\\KEEP_LOGS_FOR";
constexpr const char* kServiceName = "OPTIONS\\INSTANCE_SERVICE_NAME";
constexpr const char* kStatusSeconds = "OPTIONS\\REFRESH_STATUS_SECONDS";
constexpr const char* kLogSeconds = "OPTIONS\\REFRESH_LOG_SECONDS";
constexpr const char* kLogSize = "OPTIONS\\REFRESH_LOGSIZE";
constexpr const char* kEncrypt = "OPTIONS\\ENCRYPT_PROTECT_CONFIG";
constexpr const char* kProtect = "OPTIONS\\PASSWORD_PROTECT_CONFIG";
constexpr const char* kPassword = "OPTIONS\\PASSWORD_PROTECT_CONFIG_PASSWORD";
constexpr const char* kInteractive = "OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT";
constexpr const char* kSourceAttempts = "SOURCE\\RECOVERY\\ATTEMPTS";
constexpr const char* kSourceSeconds = "SOURCE\\RECOVERY\\SECONDS";
constexpr const char* kTargetAttempts = "TARGET\\RECOVERY\\ATTEMPTS";
constexpr const char* kTargetSeconds = "TARGET\\RECOVERY\\SECONDS";
constexpr const char* kThrottle = "OPTIONS\\PERFORMANCE\\THROTTLE";
constexpr const char* kPollWait = "OPTIONS\\PERFORMANCE\\POLL_WAIT";
constexpr const char* kMsgBefore = "OPTIONS\\PERFORMANCE\\MSG_BEFORE";
constexpr const char* kMsgAfter = "OPTIONS\\PERFORMANCE\\MSG_AFTER";

constexpr std::int32_t kMaxLogSize = 99999;

QCheckBox* NewCheck(const QString& caption, QWidget* parent, const char* name) {
  auto* check = new QCheckBox(caption, parent);
  check->setObjectName(name);
  return check;
}

// A frame with its controls on one line: labels and boxes in the order given.
QGroupBox* Frame(const QString& caption, QWidget* parent, std::initializer_list<QWidget*> controls) {
  auto* frame = new QGroupBox(caption, parent);
  auto* row = new QHBoxLayout(frame);
  for (QWidget* w : controls) row->addWidget(w);
  row->addStretch(1);
  return frame;
}

QLabel* Label(const QString& text, QWidget* parent = nullptr, const char* name = nullptr) {
  auto* label = new QLabel(text, parent);
  if (name) label->setObjectName(name);
  return label;
}

// A stored number as the form shows it: the text when it is a number, else the fallback.
QString NumberOr(const std::string& stored, const char* fallback) {
  return QString::fromStdString(core::IsNumericText(stored) ? stored : fallback);
}

bool IsOn(const std::string& stored, const char* word) { return core::UCase(core::Trim(stored)) == word; }

}  // namespace

CommonConfigAdvanced::CommonConfigAdvanced(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Advanced Configuration", Pattern{.helpTopic = "12045"}) {
  setObjectName("CommonConfigAdvanced");
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("tabs");
  tabs_->setUsesScrollButtons(false);  // all seven tabs in view: the window grows to hold them
  BuildMonitoringTab();
  BuildProtectionTab();
  BuildRecoveryTab();
  BuildFeatureTab("Source Caching", "Source Input Caching Options", LaunchCacheConfig_, "LaunchCacheConfig",
                  "Configure Caching");
  BuildFeatureTab("Unit Conversion", "Unit Conversion Options", LaunchUnitConfig_, "LaunchUnitConfig",
                  "Configure Conversion");
  BuildFeatureTab("Additional Info", "Additional Info Writer Options", LaunchAInfoConfig_, "LaunchAInfoConfig",
                  "Configure Additional Info");
  BuildPerformanceTab();
  Body()->addWidget(tabs_, 1);

  connect(optThrottleEnabled_, &QRadioButton::clicked, this, &CommonConfigAdvanced::optThrottleEnabled_Click);
  connect(optThrottleDisabled_, &QRadioButton::clicked, this, &CommonConfigAdvanced::optThrottleDisabled_Click);
  connect(LaunchCacheConfig_, &QPushButton::clicked, this, &CommonConfigAdvanced::LaunchCacheConfig_Click);
  connect(LaunchUnitConfig_, &QPushButton::clicked, this, &CommonConfigAdvanced::LaunchUnitConfig_Click);
  connect(LaunchAInfoConfig_, &QPushButton::clicked, this, &CommonConfigAdvanced::LaunchAInfoConfig_Click);
  resize(700, 0);
  Load();
}

void ShowCommonConfigAdvanced(ProgramObjects& objects, QWidget* owner) {
  CommonConfigAdvanced form(objects.icons.get(), owner);
  form.exec();
}

void CommonConfigAdvanced::BuildMonitoringTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  o_log_keepdays_ = NewBox(page, "o_log_keepdays", 70);
  o_log_level_ = new QComboBox(page);
  o_log_level_->setObjectName("o_log_level");
  for (int level = 0; level <= 9; ++level) o_log_level_->addItem(QString::number(level));
  auto* logFrame = new QGroupBox("Log File Options", page);
  auto* logLayout = new QHBoxLayout(logFrame);
  logLayout->addWidget(Frame("Keep Logfiles For", logFrame, {o_log_keepdays_, Label("days")}));
  logLayout->addWidget(Frame("Verbosity of Log", logFrame, {o_log_level_}));
  layout->addWidget(logFrame);

  o_ntservice_name_ = NewBox(page, "o_ntservice_name");
  o_display_status_ = NewBox(page, "o_display_status", 70);
  o_display_log_ = NewBox(page, "o_display_log", 70);
  o_display_bytes_ = NewBox(page, "o_display_bytes", 70);
  auto* monitorFrame = new QGroupBox("Automated Activity Monitoring", page);
  auto* monitor = new QVBoxLayout(monitorFrame);
  auto* nameFrame = new QGroupBox("NT Service Name to Monitor", monitorFrame);
  (new QHBoxLayout(nameFrame))->addWidget(o_ntservice_name_);
  monitor->addWidget(nameFrame);
  monitor->addWidget(
      Frame("Auto-Refresh Service Status", monitorFrame, {Label("every"), o_display_status_, Label("seconds")}));
  monitor->addWidget(Frame("Auto-Refresh Log View", monitorFrame, {Label("every"), o_display_log_, Label("seconds")}));
  monitor->addWidget(
      Frame("Log Size to Read during Refresh", monitorFrame, {Label("latest"), o_display_bytes_, Label("bytes")}));
  layout->addWidget(monitorFrame);
  layout->addStretch(1);
  tabs_->addTab(page, "Monitoring");
}

void CommonConfigAdvanced::BuildProtectionTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* frame = new QGroupBox("Protect Application Against Misuse", page);
  auto* checks = new QVBoxLayout(frame);
  o_protect_encrypt_ = NewCheck("Encrypt Configuration File", frame, "o_protect_encrypt");
  o_protect_change_ = NewCheck("Require Password to Change Configuration", frame, "o_protect_change");
  o_require_interactive_ = NewCheck("Require Vorn Krym Super User Login Credentials to Import Data in Interactive Mode",
                                    frame, "o_require_interactive");
  checks->addWidget(o_protect_encrypt_);
  checks->addWidget(o_protect_change_);
  checks->addWidget(o_require_interactive_);
  layout->addWidget(frame);
  layout->addStretch(1);
  tabs_->addTab(page, "Protection");
}

void CommonConfigAdvanced::BuildRecoveryTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto recovery = [&](const QString& caption, QLineEdit*& total, const char* totalName, QLineEdit*& seconds,
                      const char* secondsName) {
    auto* frame = new QGroupBox(caption, page);
    auto* grid = new QGridLayout(frame);
    total = NewBox(frame, totalName, 70);
    seconds = NewBox(frame, secondsName, 70);
    grid->addWidget(Label("Automatically Attempt to Re-Connect"), 0, 0);
    grid->addWidget(total, 0, 1);
    grid->addWidget(Label("times"), 0, 2);
    grid->addWidget(Label("Wait"), 1, 0, Qt::AlignRight);
    grid->addWidget(seconds, 1, 1);
    grid->addWidget(Label("seconds between connection attempts"), 1, 2);
    grid->setColumnStretch(3, 1);
    layout->addWidget(frame);
  };
  recovery("When Source Connection breaks", o_source_reconnect_total_, "o_source_reconnect_total",
           o_source_reconnect_second_, "o_source_reconnect_second");
  recovery("When Vorn Krym Connection breaks", o_krym_reconnect_total_, "o_krym_reconnect_total",
           o_krym_reconnect_second_, "o_krym_reconnect_second");
  layout->addStretch(1);
  tabs_->addTab(page, "Recovery");
}

void CommonConfigAdvanced::BuildFeatureTab(const QString& tab, const QString& frame, QPushButton*& button,
                                           const char* name, const QString& caption) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  button = new QPushButton(caption, page);
  button->setObjectName(name);
  layout->addWidget(Frame(frame, page, {button}));
  layout->addStretch(1);
  tabs_->addTab(page, tab);
}

void CommonConfigAdvanced::BuildPerformanceTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* throttle = new QGroupBox("Performance Throttle", page);
  auto* throttleLayout = new QVBoxLayout(throttle);
  auto* onOff = new QHBoxLayout;
  optThrottleEnabled_ = NewOption("Enabled", throttle, "optThrottleEnabled");
  optThrottleDisabled_ = NewOption("Disabled", throttle, "optThrottleDisabled");
  onOff->addWidget(optThrottleEnabled_);
  onOff->addWidget(optThrottleDisabled_);
  onOff->addStretch(1);
  throttleLayout->addLayout(onOff);

  lblPollWait1_ = Label("Every", nullptr, "lblPollWait1");
  txtPollWait_ = NewBox(page, "txtPollWait", 70);
  txtPollWait_->setAutoFillBackground(true);
  lblPollWait2_ = Label("Milliseconds", nullptr, "lblPollWait2");
  frameSourcePolling_ =
      Frame("Insert Artifical Wait between Source Polling", throttle, {lblPollWait1_, txtPollWait_, lblPollWait2_});
  frameSourcePolling_->setObjectName("frameSourcePolling");
  throttleLayout->addWidget(frameSourcePolling_);

  auto messages = [&](const QString& caption, const char* frameName, QGroupBox*& frame, QRadioButton*& on,
                      const char* onName, QRadioButton*& off, const char* offName) {
    on = NewOption("Enabled", nullptr, onName);
    off = NewOption("Disabled", nullptr, offName);
    frame = Frame(caption, throttle, {on, off});
    frame->setObjectName(frameName);
    throttleLayout->addWidget(frame);
  };
  messages("Process Messages Before Wait", "frameBeforeMessages", frameBeforeMessages_, optMsgBeforeEnabled_,
           "optMsgBeforeEnabled", optMsgBeforeDisabled_, "optMsgBeforeDisabled");
  messages("Process Messages After Wait", "frameAfterMessages", frameAfterMessages_, optMsgAfterEnabled_,
           "optMsgAfterEnabled", optMsgAfterDisabled_, "optMsgAfterDisabled");
  layout->addWidget(throttle);
  layout->addStretch(1);
  tabs_->addTab(page, "Performance");
}

void CommonConfigAdvanced::optThrottleEnabled_Click() {
  optThrottleEnabled_->setChecked(true);
  EnablePolling(true);
}

void CommonConfigAdvanced::optThrottleDisabled_Click() {
  optThrottleDisabled_->setChecked(true);
  EnablePolling(false);
}

void CommonConfigAdvanced::EnablePolling(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{frameSourcePolling_, txtPollWait_, lblPollWait1_, lblPollWait2_,
                                                    frameBeforeMessages_, optMsgBeforeEnabled_, optMsgBeforeDisabled_,
                                                    frameAfterMessages_, optMsgAfterEnabled_, optMsgAfterDisabled_})
    w->setEnabled(on);
  // A text box's own background when it can be typed into, the button face when it cannot.
  QPalette palette = txtPollWait_->palette();
  const QPalette system = QApplication::palette();
  palette.setColor(QPalette::Base, on ? system.color(QPalette::Base) : system.color(QPalette::Button));
  txtPollWait_->setPalette(palette);
}

bool CommonConfigAdvanced::RefreshUIFromConfig() {
  LaunchAInfoConfig_->setEnabled(false);
  LaunchCacheConfig_->setEnabled(false);
  LaunchUnitConfig_->setEnabled(false);

  const int level = o_log_level_->findText(QString::fromStdString(Setting(kVerbosity)));
  if (level < 0) core::Raise(380, "RefreshUIFromConfig");  // invalid property value: no such entry
  o_log_level_->setCurrentIndex(level);
  o_log_keepdays_->setText(QString::fromStdString(Setting(kKeepLogs)));

  const core::Value logSize(Setting(kLogSize));
  o_display_bytes_->setText(logSize.IsNumeric() ? QString::number(std::min(logSize.ToLong(), kMaxLogSize))
                                                : QString("4096"));
  o_ntservice_name_->setText(QString::fromStdString(Setting(kServiceName)));
  o_display_log_->setText(NumberOr(Setting(kLogSeconds), "30"));
  o_display_status_->setText(NumberOr(Setting(kStatusSeconds), "5"));

  o_require_interactive_->setChecked(IsOn(Setting(kInteractive), "YES"));
  o_protect_encrypt_->setChecked(IsOn(Setting(kEncrypt), "YES"));
  o_protect_change_->setChecked(IsOn(Setting(kProtect), "YES"));

  o_source_reconnect_total_->setText(NumberOr(Setting(kSourceAttempts), "99"));
  o_source_reconnect_second_->setText(NumberOr(Setting(kSourceSeconds), "5"));
  o_krym_reconnect_total_->setText(NumberOr(Setting(kTargetAttempts), "99"));
  o_krym_reconnect_second_->setText(NumberOr(Setting(kTargetSeconds), "5"));

  if (IsOn(Setting(kThrottle), "TRUE"))
    optThrottleEnabled_Click();
  else
    optThrottleDisabled_Click();
  txtPollWait_->setText(NumberOr(Setting(kPollWait), "500"));
  (IsOn(Setting(kMsgBefore), "TRUE") ? optMsgBeforeEnabled_ : optMsgBeforeDisabled_)->setChecked(true);
  (IsOn(Setting(kMsgAfter), "TRUE") ? optMsgAfterEnabled_ : optMsgAfterDisabled_)->setChecked(true);
  return true;
}

bool CommonConfigAdvanced::ApplySettings() {
  Setting(kVerbosity, o_log_level_->currentText().toStdString());
  Setting(kServiceName, core::Trim(o_ntservice_name_->text().toStdString()));
  ApplyNumber(o_log_keepdays_, kKeepLogs, 7, 1000, Width::Integer);
  ApplyNumber(o_display_status_, kStatusSeconds, 0, 99, Width::Long);
  ApplyNumber(o_display_log_, kLogSeconds, 0, 99, Width::Long);
  ApplyNumber(o_display_bytes_, kLogSize, 1024, kMaxLogSize, Width::Long);
  Setting(kEncrypt, o_protect_encrypt_->isChecked() ? "YES" : "NO");  // takes effect at the next save
  Setting(kInteractive, o_require_interactive_->isChecked() ? "YES" : "NO");
  ApplyConfigPassword();
  ApplyNumber(o_source_reconnect_total_, kSourceAttempts, 0, 999, Width::Long);
  ApplyNumber(o_source_reconnect_second_, kSourceSeconds, 1, 59, Width::Long);
  ApplyNumber(o_krym_reconnect_total_, kTargetAttempts, 0, 999, Width::Long);
  ApplyNumber(o_krym_reconnect_second_, kTargetSeconds, 1, 59, Width::Long);
  Setting(kThrottle, optThrottleEnabled_->isChecked() ? "TRUE" : "FALSE");
  ApplyPollWait();
  Setting(kMsgBefore, optMsgBeforeEnabled_->isChecked() ? "TRUE" : "FALSE");
  Setting(kMsgAfter, optMsgAfterEnabled_->isChecked() ? "TRUE" : "FALSE");
  return true;
}

void CommonConfigAdvanced::ApplyConfigPassword() {
  const bool on = o_protect_change_->isChecked();
  const bool was = Setting(kProtect) == "YES";
  if (on && !was) {
    CommonChangeConfigPassword dialog(Icons(), this);
    dialog.exec();
    if (!dialog.Cancelled()) {
      Setting(kPassword, dialog.NewPassword());
      Setting(kProtect, "YES");
    }
  } else if (was && !on) {
    CommonAskForConfigPassword dialog(Icons(), this);
    dialog.exec();
    if (!dialog.Cancelled()) Setting(kProtect, "NO");
  }
  // A cancelled dialog keeps the settings as they were and the box as the operator left it, so
  // that the next apply asks again.
}

void CommonConfigAdvanced::ApplyPollWait() {
  const std::string text = txtPollWait_->text().toStdString();
  if (!core::IsNumericText(text)) {
    Box("Invalid value provided for Artificial Wait between Source Polling. Will use previous value.", kExclamation,
        kValidation);
    txtPollWait_->setText(QString::fromStdString(Setting(kPollWait)));
    return;
  }
  if (text.find('.') != std::string::npos)
    Box("Artificial Wait between Source Polling field can only accept whole numbers. " + text +
            " will be rounded to nearest whole number",
        kExclamation, kValidation);
  std::int32_t wait = core::Value(text).ToLong();
  if (wait < 1) {
    Box("Invalid value provided for Artificial Wait between Source Polling. Will use minimum value of 1.", kExclamation,
        kValidation);
    wait = 1;
  } else if (wait > 9999) {
    Box("Invalid value provided for Artificial Wait between Source Polling. Will use maximum value of 9999.",
        kExclamation, kValidation);
    wait = 9999;
  }
  Setting(kPollWait, std::to_string(wait));
  txtPollWait_->setText(QString::number(wait));
}

void CommonConfigAdvanced::LaunchCacheConfig_Click() { ShowCommonTypeConfigCache(Icons(), this); }

void CommonConfigAdvanced::LaunchUnitConfig_Click() { ShowCommonConfigUnits(Icons(), this); }

void CommonConfigAdvanced::LaunchAInfoConfig_Click() {
  CommonVarGatherer gatherer;
  const bool read = Guarded("LaunchAInfoConfig_Click", [&] {
    ConnectionManager manager;
    // Settings that are not numbers fail the init as a refused one does.
    if (!Guarded("InitVornKrymConnectionManager",
                 [&] { return CommonGlobals::InitVornKrymConnectionManager(manager); })) {
      Box("Unable to init Vorn Krym Connection Manager", kExclamation);
      return false;
    }
    platform::db::Connection cnn;
    manager.ConfigCnn4QALROOT(cnn);
    std::string errText;
    if (!CommonGlobals::ConnectVornKrym(cnn, errText, true, this)) {
      Box("Error :\r\n" + errText, kExclamation, "Failed to connect to Vorn Krym");
      return false;
    }
    bool ok = false;
    {
      platform::ui::BusyScope busy(Program().ui.busy);
      ok = gatherer.ReadVornKrym(0, cnn);
    }
    cnn.Close();
    if (!ok) Box("Failed to read Vorn Krym list of available additional info fields.", kExclamation);
    return ok;
  });
  if (read) ShowCommonConfigAInfo(Icons(), this, &gatherer);
}
