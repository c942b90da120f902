#include "app/config/CommonConfigFieldPicker.h"

#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// OK and Cancel carry no tooltip; Help has the configuration forms' own.
std::vector<ToolbarButtons::Button> PickerButtons() {
  return {{"OK", "ok", ""}, {"Help", "help", "Displays Help Article"}, {"Cancel", "cancel", ""}};
}

}  // namespace

CommonConfigFieldPicker::CommonConfigFieldPicker(const IconBinding* icons, QWidget* owner, const QString& caption,
                                                 std::string helpTopic, const QStringList& headers)
    : CommonConfigForm(icons, owner, caption,
                       Pattern{.buttons = PickerButtons(), .helpTopic = std::move(helpTopic)}) {
  lpVars_ = new QTreeWidget(this);
  lpVars_->setObjectName("lpVars");
  lpVars_->setHeaderLabels(headers);
  lpVars_->setRootIsDecorated(false);
  lpVars_->setSelectionBehavior(QAbstractItemView::SelectRows);
  Body()->addWidget(lpVars_, 1);
  connect(lpVars_, &QTreeWidget::itemClicked, this, [this] { lpVars_Click(); });
}

void CommonConfigFieldPicker::OtherButtonClick(const std::string& key) {
  if (key == "ok") {
    TakePick();
    cancelled_ = false;
    accept();
  } else if (key == "cancel") {
    reject();
  }
}

void CommonConfigFieldPicker::reject() {
  cancelled_ = true;
  QDialog::reject();
}
