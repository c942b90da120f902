#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "import/model/CommonVarGatherer.h"

class IconBinding;
class QStatusBar;
class QTableWidget;
class QToolBar;

// The dialog in which the operator picks which of the collector's variables an import of
// selected variables fills. PreLoadVariables lists one row per facility and variable of the
// session's set, with the variable's definition read from its facility's Krym schema (one
// connection per facility, one after the other); ResultVarGatherer hands back the selected rows
// as a new set that shares the preloaded set's facility names and last-run settings.
//
// Made anew for each use: PreLoadVariables, show modal, read Cancelled, then ResultVarGatherer.
// Import clears Cancelled; Cancel, Escape and closing through the window frame set it. The
// preloaded set is borrowed and must outlive the dialog; the icon binding is borrowed for the
// constructor only.
class CommonPickVariable : public QDialog {
  Q_OBJECT

 public:
  // lpVars' columns.
  enum Column {
    kFacilityId = 0,
    kVariableId,
    kFacility,
    kVarNum,
    kVarName,
    kUnits,
    kTrackEvery,
    kType,
    kDecPl,
    kDescription,
    kScadaTag,
    kStatistic,
    kScaleFactor,
    kColumnCount
  };

  explicit CommonPickVariable(const IconBinding* icons, QWidget* owner = nullptr);

  void PreLoadVariables(CommonVarGatherer& aVarGatherer);
  // The selected rows as a new set, in row order; empty when nothing is selected, null when the
  // set cannot be built.
  std::unique_ptr<CommonVarGatherer> ResultVarGatherer() const;

  bool Cancelled() const { return cancelled_; }
  QTableWidget* lpVars() const { return lpVars_; }
  QToolBar* myToolBar() const { return myToolBar_; }
  QStatusBar* StatusBar1() const { return StatusBar1_; }

  // Runs the toolbar action of a key, compared lower-cased.
  void ToolbarButtonClick(const std::string& key);
  // A click on a column heading: that column becomes the first sort key with its order
  // toggled, the facility id the second, ascending.
  void SortByColumn(int column);

 public slots:
  // Cancel, also for Escape and the window frame.
  void reject() override;

 private:
  void BuildToolbar();
  void BuildList();

  bool cancelled_ = false;
  CommonVarGatherer* preloaded_ = nullptr;
  std::shared_ptr<HashTable> facilityNames_;
  std::shared_ptr<CommonLastRun> lastRunSettings_;
  // Per column: 0 out of the sort, 1 ascending, -1 descending.
  std::array<int, kColumnCount> sortOrder_{};

  QToolBar* myToolBar_ = nullptr;
  QTableWidget* lpVars_ = nullptr;
  QStatusBar* StatusBar1_ = nullptr;
};
