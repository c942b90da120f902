#include "app/config/CommonConfigAInfoSRC.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Text.h"
#include "import/source/CustomConfiguration.h"

namespace {

std::vector<ToolbarButtons::Button> PickerButtons() {
  return {{"OK", "ok", "Takes the field identifier"},
          {"Help", "help", "Displays Help Article"},
          {"Cancel", "cancel", "Closes this form without picking a field"}};
}

}  // namespace

CommonConfigAInfoSRC::CommonConfigAInfoSRC(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Advanced Configuration : Additional Info : Pick Source Field",
                       Pattern{.buttons = PickerButtons(), .helpTopic = "12531"}) {
  setObjectName("CommonConfigAInfoSRC");
  lpVars_ = new QTreeWidget(this);
  lpVars_->setObjectName("lpVars");
  lpVars_->setHeaderLabels({"Field Identifier", "Description"});
  lpVars_->setRootIsDecorated(false);
  lpVars_->setSelectionBehavior(QAbstractItemView::SelectRows);
  Body()->addWidget(lpVars_, 1);

  auto* idLayout = new QVBoxLayout;
  txtfieldID_ = new QLineEdit(this);
  txtfieldID_->setObjectName("txtfieldID");
  idLayout->addWidget(txtfieldID_);
  AddFrame("Source Field Identifier [Editable] ", idLayout);
  resize(440, 360);

  connect(lpVars_, &QTreeWidget::itemClicked, this, &CommonConfigAInfoSRC::lpVars_Click);
  Load();
}

bool CommonConfigAInfoSRC::RefreshUIFromConfig() {
  lpVars_->clear();
  const std::string fields = CustomConfiguration::GetAInfoSourceFields();
  if (fields.empty()) return true;
  for (const std::string& piece : core::Split(fields, std::string(1, '\0'))) {
    QStringList columns;
    for (const std::string& column : core::Split(piece, "\t")) columns << QString::fromStdString(column);
    lpVars_->addTopLevelItem(new QTreeWidgetItem(columns));
  }
  return true;
}

void CommonConfigAInfoSRC::lpVars_Click() {
  if (QTreeWidgetItem* item = lpVars_->currentItem())
    txtfieldID_->setText(QString::fromStdString(core::UCase(item->text(0).toStdString())));
}

void CommonConfigAInfoSRC::OtherButtonClick(const std::string& key) {
  if (key == "ok") {
    pickedField_ = core::Trim(txtfieldID_->text().toStdString());
    cancelled_ = false;
    accept();
  } else if (key == "cancel") {
    reject();
  }
}

void CommonConfigAInfoSRC::reject() {
  cancelled_ = true;
  QDialog::reject();
}
