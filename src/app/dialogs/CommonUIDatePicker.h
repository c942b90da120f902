#pragma once

#include <QDialog>
#include <string>

#include "app/dialogs/CommonDateRangeDialogParts.h"
#include "core/Date.h"

class IconBinding;
class QComboBox;
class QDateTimeEdit;
class QToolBar;

// The dialog in which the operator picks the local date range of an import: a shortcut list of
// relative ranges that fills start and end from the current time, and both dates editable by
// hand. Made anew for each use and shown modal; the caller then reads Cancelled and the two
// dates. Import clears Cancelled, Cancel and closing through the window frame set it. The icon
// binding is borrowed for the constructor only.
class CommonUIDatePicker : public QDialog {
  Q_OBJECT

 public:
  explicit CommonUIDatePicker(const IconBinding* icons, QWidget* owner = nullptr);

  bool Cancelled() const { return parts_.Cancelled(); }
  // The values of the start and end pickers (local time).
  core::Date dtStartValue() const;
  core::Date dtEndValue() const;

  QComboBox* cboRelDateSetting() const;
  QDateTimeEdit* dtStart() const;
  QDateTimeEdit* dtEnd() const;
  QToolBar* myToolBar() const { return parts_.Toolbar(); }

  // Runs the toolbar action of a key, compared lower-cased.
  void ToolbarButtonClick(const std::string& key);

 public slots:
  // Cancel, also for Escape and the window frame.
  void reject() override;

 private:
  void Load();
  // The shortcut list's click: the chosen keyword's range from the time now.
  void KeywordChosen();

  CommonDateRangeDialogParts parts_;
  core::Date reference_;
};
