#pragma once

#include <string>
#include <vector>

#include "app/config/CommonConfigForm.h"

class QComboBox;
class QGroupBox;
class QPushButton;
struct ProgramObjects;

// The window "Collector Configuration": designates which collector (g2_server row of this
// interface's product number) this installation serves. The list is read from the Krym root
// schema once per opening, on a connection of the form's own that is closed right after; the
// chosen collector's interface id is stored in VORNKRYM\G2_SERVER_INTERFACE_ID. A normally
// hidden frame starts a separate collector program when COLLECTOR_OPTIONS\COLLECTOR_ID is set.
class CommonConfigCollector final : public CommonConfigForm {
  Q_OBJECT

 public:
  explicit CommonConfigCollector(const IconBinding* icons, QWidget* owner = nullptr);

  QComboBox* dbCollector() const { return dbCollector_; }
  QGroupBox* Frame1() const { return Frame1_; }
  // The lu_version of list entry i + 1.
  const std::vector<std::string>& LuVersions() const { return luVersions_; }

  void btnConfigureCollector_Click();
  void btnLaunch_Click();

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override;
  // The designation line in the main window's list.
  void SettingsApplied() override;

 private:
  void LoadCollectorList();
  void SelectConfiguredCollector();
  static bool FileExists(const std::string& path);

  QComboBox* dbCollector_ = nullptr;
  QGroupBox* Frame1_ = nullptr;
  QPushButton* btnConfigureCollector_ = nullptr;
  QPushButton* btnLaunch_ = nullptr;
  std::vector<std::string> luVersions_;
};

// Opens the window modal over owner and releases it once it is hidden.
void ShowCommonConfigCollector(ProgramObjects& objects, QWidget* owner);
