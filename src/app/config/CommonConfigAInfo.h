#pragma once

#include <string>

#include "app/config/CommonConfigForm.h"

class CommonVarGatherer;
class QAction;
class QMenu;
class QRadioButton;
class QTableWidget;

// The window "Advanced Configuration : Additional Info": the editor of the additional-
// information map under TARGET\AINFO (two switches and 512 entries, each enabled or not, with a
// source field and a target facility.field). Cells of the two field columns carry a button that
// opens the matching picker; a right click on them offers "Clear Cell". It declares its keys
// with their defaults when it opens. It has no save of its own: "check" applies (only a map
// without empty or doubled enabled entries) and closes the window.
//
// The gatherer (the Krym facilities and their fields, for the Krym picker) is borrowed from the
// opener and must outlive the window.
class CommonConfigAInfo final : public CommonConfigForm {
  Q_OBJECT

 public:
  static constexpr int kRows = 512;
  enum Column { kColEnabled = 0, kColSource, kColTarget };

  explicit CommonConfigAInfo(const IconBinding* icons, QWidget* owner = nullptr);

  // Declares the TARGET\AINFO keys with their defaults (a key already declared keeps its own).
  static void DefineTree();

  CommonVarGatherer* VarGatherer() const { return varGatherer_; }
  void VarGatherer(CommonVarGatherer* gatherer) { varGatherer_ = gatherer; }

  QTableWidget* Grid() const { return grid_; }
  QMenu* mnuPopUp() const { return mnuPopUp_; }
  QAction* mnuClearCell() const { return mnuClearCell_; }

  // The button of a field cell (0-based row, column kColSource or kColTarget): the picker, and
  // its pick into the cell unless it was cancelled.
  void GridButtonClick(int column, int row);
  // A right click on a cell: a field cell becomes the active cell and the pop-up menu opens.
  void GridRightClick(int column, int row, const QPoint& globalPos);
  void mnuClearCell_Click();

 protected:
  bool RefreshUIFromConfig() override;
  bool ApplySettings() override;

 private:
  bool CheckEmptyFields();
  bool CheckDuplicateTargets();
  bool RowChecked(int row) const;
  std::string Cell(int row, int column) const;

  CommonVarGatherer* varGatherer_ = nullptr;
  QRadioButton* enTrue_ = nullptr;
  QRadioButton* enFalse_ = nullptr;
  QRadioButton* logEnable_ = nullptr;
  QRadioButton* logDisable_ = nullptr;
  QTableWidget* grid_ = nullptr;
  QMenu* mnuPopUp_ = nullptr;
  QAction* mnuClearCell_ = nullptr;
};

// Opens the editor modal over owner with the given gatherer and releases it once it is hidden.
void ShowCommonConfigAInfo(const IconBinding* icons, QWidget* owner, CommonVarGatherer* gatherer);
