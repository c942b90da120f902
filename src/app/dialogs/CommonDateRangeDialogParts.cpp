#include "app/dialogs/CommonDateRangeDialogParts.h"

#include <QDialog>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

#include "app/dialogs/CommonDateRangeFields.h"
#include "app/widgets/DialogParts.h"
#include "app/widgets/IconBinding.h"
#include "app/widgets/ToolbarButtons.h"
#include "core/Text.h"
#include "foundation/CommonGlobals.h"

CommonDateRangeDialogParts::CommonDateRangeDialogParts(QDialog* dialog, const char* objectName,
                                                       const IconBinding* icons, std::function<void()> onImport)
    : dialog_(dialog), onImport_(std::move(onImport)) {
  dialog->setObjectName(objectName);
  dialog->setWindowTitle("Select Date Range to Import");
  dialog->setModal(true);

  auto* layout = new QVBoxLayout(dialog);
  layout->setContentsMargins(0, 0, 0, 0);
  toolbar_ = DialogParts::Toolbar(dialog);
  ToolbarButtons::Add(toolbar_,
                      {{"Import", "wizard", "Start Import for selected variables"},
                       {"Help", "help", ""},
                       {"Cancel", "cancel", "Cancels Import"}},
                      [this](const std::string& key) { ToolbarButtonClick(key); });
  layout->addWidget(toolbar_);
  fields_ = new CommonDateRangeFields(dialog);
  body_ = new QVBoxLayout;
  body_->setContentsMargins(9, 6, 9, 9);
  body_->addWidget(fields_);
  layout->addLayout(body_, 1);
  if (icons) icons->initToolbar(toolbar_);
}

void CommonDateRangeDialogParts::ToolbarButtonClick(const std::string& key) {
  const std::string k = core::LCase(key);
  if (k == "wizard") {
    cancelled_ = false;
    if (onImport_) onImport_();
    dialog_->done(QDialog::Accepted);
  } else if (k == "help") {
    CommonGlobals::ShowHelpTopic("12058");
  } else if (k == "cancel") {
    dialog_->reject();
  }
}
