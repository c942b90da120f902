#include "app/config/CommonConfigAInfoSRC.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Text.h"
#include "import/source/CustomConfiguration.h"

CommonConfigAInfoSRC::CommonConfigAInfoSRC(const IconBinding* icons, QWidget* owner)
    : CommonConfigFieldPicker(icons, owner, "Advanced Configuration : Additional Info : Pick Source Field",
                              "12531", {"Field Identifier", "Description"}) {
  setObjectName("CommonConfigAInfoSRC");

  auto* idLayout = new QVBoxLayout;
  txtfieldID_ = new QLineEdit(this);
  txtfieldID_->setObjectName("txtfieldID");
  idLayout->addWidget(txtfieldID_);
  AddFrame("Source Field Identifier [Editable] ", idLayout);
  resize(440, 360);
  Load();
}

bool CommonConfigAInfoSRC::RefreshUIFromConfig() {
  lpVars()->clear();
  const std::string fields = CustomConfiguration::GetAInfoSourceFields();
  if (fields.empty()) return true;
  for (const std::string& piece : core::Split(fields, std::string(1, '\0'))) {
    QStringList columns;
    for (const std::string& column : core::Split(piece, "\t")) columns << QString::fromStdString(column);
    lpVars()->addTopLevelItem(new QTreeWidgetItem(columns));
  }
  return true;
}

void CommonConfigAInfoSRC::lpVars_Click() {
  if (QTreeWidgetItem* item = lpVars()->currentItem())
    txtfieldID_->setText(QString::fromStdString(core::UCase(item->text(0).toStdString())));
}

void CommonConfigAInfoSRC::TakePick() { PickField(core::Trim(txtfieldID_->text().toStdString())); }
