#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "app/dialogs/CommonDateRangeDialogParts.h"
#include "core/Date.h"

class IconBinding;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QToolBar;
namespace platform::db {
class Connection;
}

// The date range dialog of a collector with indirect time handling: the range is shown in a zone
// the operator chooses (UTC, the collector's zone or this computer's zone), with the same
// shortcuts and hand editing as the local dialog, and is returned in UTC.
//
// Made anew for each use: Init with the collector's zone id and both offsets (minutes east of
// UTC), show modal, then read Cancelled and SelectedStartUTC/SelectedEndUTC. Init loads the
// window: it reads the collector zone's name from the Krym root schema and, on that connection,
// the server's clock (when the program holds no root connection of its own). A dialog shown
// without Init loads when first shown, with zone id and offsets 0. Import clears Cancelled;
// Cancel and closing through the window frame set it. The icon binding is borrowed for the
// constructor only.
class CommonUIDatePickerUTC : public QDialog {
  Q_OBJECT

 public:
  explicit CommonUIDatePickerUTC(const IconBinding* icons, QWidget* owner = nullptr);

  void Init(std::int32_t CollectTZID, double CollectTZOff, double InterfaceTZOff);

  bool Cancelled() const { return parts_.Cancelled(); }
  core::Date SelectedStartUTC() const { return selectedStartUTC_; }
  core::Date SelectedEndUTC() const { return selectedEndUTC_; }

  QComboBox* cboRelDateSetting() const;
  QComboBox* cboTimeZone() const { return cboTimeZone_; }
  QDateTimeEdit* dtStart() const;
  QDateTimeEdit* dtEnd() const;
  QLabel* UTC_Start() const { return UTC_Start_; }
  QLabel* UTC_End() const { return UTC_End_; }
  QToolBar* myToolBar() const { return parts_.Toolbar(); }
  // The shown values, in the selected zone.
  core::Date dtStartValue() const;
  core::Date dtEndValue() const;

  // Runs the toolbar action of a key, compared lower-cased.
  void ToolbarButtonClick(const std::string& key);

  // A local time moved into the selected zone.
  core::Date LocalToSelectedZone(core::Date time) const;
  // Writes start and end, read in the selected zone, into the UTC labels.
  void ShowUTCRange(core::Date start, core::Date end);

 public slots:
  // Cancel, also for Escape and the window frame.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildZoneFrame();
  void Load();
  void FillTimeZoneList(const std::string& collectorZoneName);
  bool OpenRootConnection(platform::db::Connection& cnn);
  std::string ReadTimeZoneName(platform::db::Connection& cnn, std::int32_t id);
  static std::string GetLocalTimeZoneName();
  static std::string TrimAtNull(const std::string& text);
  void SyncServerTimeOn(platform::db::Connection& cnn);
  core::Date ZoneNow() const;
  void KeywordChosen();
  void ZoneChanged();
  void ShowShownRange();
  // Import's result: the shown range relabelled and read back from the UTC labels.
  void TakeUTCRange();

  CommonDateRangeDialogParts parts_;
  bool loaded_ = false;
  core::Date reference_;
  core::Date selectedStartUTC_;
  core::Date selectedEndUTC_;
  std::int32_t collectorTimeZoneID_ = 0;
  double collectorOffset_ = 0;
  double interfaceOffset_ = 0;

  QComboBox* cboTimeZone_ = nullptr;
  QLabel* UTC_Start_ = nullptr;
  QLabel* UTC_End_ = nullptr;
};
