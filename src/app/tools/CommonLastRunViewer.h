#pragma once

#include <QDialog>
#include <string>

#include "import/model/CommonLastRunReadWrite.h"

class IconBinding;
class QTableWidget;
class QToolBar;

// The window "Last Run Dates": one grid row per Krym facility that has variables linked to the
// designated collector, with the collector's last run for it and who and where recorded it. The
// last-run dates can be edited and saved back; the other columns only show.
//
// The window owns its last-run row object for its whole life, so a save writes for the
// collector that loading found. Connections are opened and closed inside each load and save.
// It is shown modal; Close only hides it, and its opener releases it. The icon binding is
// borrowed and may be null.
class CommonLastRunViewer : public QDialog {
  Q_OBJECT

 public:
  explicit CommonLastRunViewer(const IconBinding* icons, QWidget* owner = nullptr);

  // Shows a viewer modally over owner and releases it once it is hidden.
  static void ShowModal(const IconBinding* icons, QWidget* owner);

  // Runs the toolbar action of a key, compared lower-cased ("Close" closes).
  void ToolbarButtonClick(const std::string& key);

  QTableWidget* fpSpread() const { return fpSpread_; }
  QToolBar* myToolBar() const { return myToolBar_; }

  // The grid's columns, numbered from 1 as the grid's users count them.
  enum Column { kFacility = 1, kFacilityId, kLastRunDate, kAuditUser, kWorkstation, kNetuser, kIP, kLocalPath };

 private:
  void BuildToolbar();
  void WidenDateColumn();
  void LoadLastRunGrid();
  bool SaveLastRunDates();
  bool ShowHelp();
  std::string Cell(int row, int column) const;
  void SetCell(int row, int column, const std::string& text);

  QToolBar* myToolBar_ = nullptr;
  QTableWidget* fpSpread_ = nullptr;
  CommonLastRunReadWrite lastRun_;
};
