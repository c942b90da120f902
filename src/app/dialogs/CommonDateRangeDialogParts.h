#pragma once

#include <functional>
#include <string>

class CommonDateRangeFields;
class IconBinding;
class QDialog;
class QToolBar;
class QVBoxLayout;

// What both date range dialogs are made of and how both end: the window's name, caption and
// modality, the toolbar with Import, Help and Cancel, the shared fields in the body under it, and
// Cancelled. A dialog holds one for its life and adds its own controls to Body(); every widget
// made here is owned by the dialog. The icon binding is borrowed for the constructor only.
class CommonDateRangeDialogParts {
 public:
  // onImport, when given, runs on Import before the dialog is accepted: the dialog takes its
  // result there.
  CommonDateRangeDialogParts(QDialog* dialog, const char* objectName, const IconBinding* icons,
                             std::function<void()> onImport = {});
  CommonDateRangeDialogParts(const CommonDateRangeDialogParts&) = delete;
  CommonDateRangeDialogParts& operator=(const CommonDateRangeDialogParts&) = delete;

  QToolBar* Toolbar() const { return toolbar_; }
  CommonDateRangeFields* Fields() const { return fields_; }
  QVBoxLayout* Body() const { return body_; }

  // Import clears it; Cancel and the dialog's reject set it.
  bool Cancelled() const { return cancelled_; }
  // The toolbar action of a key, compared lower-cased: Import accepts the dialog, Help opens the
  // help topic and leaves the dialog open, Cancel rejects the dialog.
  void ToolbarButtonClick(const std::string& key);
  // The dialog's reject calls this before QDialog::reject, so that Escape and the window frame
  // cancel as the Cancel button does.
  void Rejected() { cancelled_ = true; }

 private:
  QDialog* dialog_;
  std::function<void()> onImport_;
  QToolBar* toolbar_ = nullptr;
  CommonDateRangeFields* fields_ = nullptr;
  QVBoxLayout* body_ = nullptr;
  bool cancelled_ = false;
};
