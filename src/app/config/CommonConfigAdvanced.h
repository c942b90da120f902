#pragma once

#include "app/config/CommonConfigForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
struct ProgramObjects;

// The window "Advanced Configuration": log retention and verbosity, the service name and refresh
// settings of the service views, protection of the configuration (with the password dialogs)
// and of interactive imports, reconnection after broken source and target connections, and the
// source-polling throttle, on seven tabs. Three buttons open the forms of the optional features;
// every refresh disables them.
class CommonConfigAdvanced final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CommonConfigAdvanced(const IconBinding* icons, QWidget* owner = nullptr);

  QTabWidget* Tabs() const { return tabs_; }
  QPushButton* LaunchCacheConfig() const { return LaunchCacheConfig_; }
  QPushButton* LaunchUnitConfig() const { return LaunchUnitConfig_; }
  QPushButton* LaunchAInfoConfig() const { return LaunchAInfoConfig_; }

  void optThrottleEnabled_Click();
  void optThrottleDisabled_Click();
  void LaunchCacheConfig_Click();
  void LaunchUnitConfig_Click();
  // Reads the Krym facilities on a connection of its own, then opens the map editor with them.
  void LaunchAInfoConfig_Click();

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override;

 private:
  void BuildMonitoringTab();
  void BuildProtectionTab();
  void BuildRecoveryTab();
  void BuildFeatureTab(const QString& tab, const QString& frame, QPushButton*& button, const char* name,
                       const QString& caption);
  void BuildPerformanceTab();
  // The throttle's dependants follow its switch.
  void EnablePolling(bool on);
  void ApplyConfigPassword();
  void ApplyPollWait();

  QTabWidget* tabs_ = nullptr;
  QLineEdit* o_log_keepdays_ = nullptr;
  QComboBox* o_log_level_ = nullptr;
  QLineEdit* o_ntservice_name_ = nullptr;
  QLineEdit* o_display_status_ = nullptr;
  QLineEdit* o_display_log_ = nullptr;
  QLineEdit* o_display_bytes_ = nullptr;
  QCheckBox* o_protect_encrypt_ = nullptr;
  QCheckBox* o_protect_change_ = nullptr;
  QCheckBox* o_require_interactive_ = nullptr;
  QLineEdit* o_source_reconnect_total_ = nullptr;
  QLineEdit* o_source_reconnect_second_ = nullptr;
  QLineEdit* o_krym_reconnect_total_ = nullptr;
  QLineEdit* o_krym_reconnect_second_ = nullptr;
  QPushButton* LaunchCacheConfig_ = nullptr;
  QPushButton* LaunchUnitConfig_ = nullptr;
  QPushButton* LaunchAInfoConfig_ = nullptr;
  QRadioButton* optThrottleEnabled_ = nullptr;
  QRadioButton* optThrottleDisabled_ = nullptr;
  QGroupBox* frameSourcePolling_ = nullptr;
  QLabel* lblPollWait1_ = nullptr;
  QLineEdit* txtPollWait_ = nullptr;
  QLabel* lblPollWait2_ = nullptr;
  QGroupBox* frameBeforeMessages_ = nullptr;
  QRadioButton* optMsgBeforeEnabled_ = nullptr;
  QRadioButton* optMsgBeforeDisabled_ = nullptr;
  QGroupBox* frameAfterMessages_ = nullptr;
  QRadioButton* optMsgAfterEnabled_ = nullptr;
  QRadioButton* optMsgAfterDisabled_ = nullptr;
};

// Opens the window modal over owner and releases it once it is hidden.
void ShowCommonConfigAdvanced(ProgramObjects& objects, QWidget* owner);
