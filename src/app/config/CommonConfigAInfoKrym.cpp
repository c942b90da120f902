#include "app/config/CommonConfigAInfoKrym.h"

#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Text.h"
#include "foundation/HashTable.h"
#include "import/model/CommonVarGatherer.h"

namespace {

// The keys of a table; none for an empty or missing one (listing an empty table is an error).
std::vector<std::string> KeysOf(const HashTable* table) {
  if (!table || table->Count() == 0) return {};
  return table->Keys();
}

}  // namespace

CommonConfigAInfoKrym::CommonConfigAInfoKrym(const IconBinding* icons, QWidget* owner)
    : CommonConfigFieldPicker(
          icons, owner, "Advanced Configuration : Additional Info : Pick Krym Facility Additional Info Field",
          "12599", {"Field Identifier", "Field Name", "Field Type", "Krym Facility"}) {
  setObjectName("CommonConfigAInfoKrym");
  resize(620, 380);
  Load();
}

void CommonConfigAInfoKrym::VarGatherer(CommonVarGatherer* gatherer) {
  varGatherer_ = gatherer;
  if (!Guarded("RefreshUIFromConfig", [this] { return RefreshUIFromConfig(); }))
    Box("Failed to refresh UI from CONFIG", 0);
}

bool CommonConfigAInfoKrym::RefreshUIFromConfig() {
  QTreeWidget* const list = lpVars();
  list->clear();
  if (!varGatherer_) return true;
  const std::shared_ptr<HashTable> facilities = varGatherer_->FacilityAInfoFields();
  const std::shared_ptr<HashTable> names = varGatherer_->FacilityNames();
  for (const std::string& facility : KeysOf(facilities.get())) {
    const std::shared_ptr<HashTable> fields = facilities->object<HashTable>(facility);
    const std::string facilityName = names ? names->item(facility).Text() : std::string();
    for (const std::string& field : KeysOf(fields.get())) {
      // The description is the field's name, a tab, and its type.
      const std::vector<std::string> parts = core::Split(fields->item(field).Text(), "\t");
      const std::string name = parts.empty() ? std::string() : parts[0];
      const std::string type = parts.size() > 1 ? parts[1] : std::string();
      const std::string shownName = type.empty() ? name : name + " (" + type + ")";
      list->addTopLevelItem(
          new QTreeWidgetItem({QString::fromStdString(facility + "." + field), QString::fromStdString(field),
                               QString::fromStdString(shownName), QString::fromStdString(facilityName)}));
    }
  }
  for (int column = 0; column < list->columnCount(); ++column) list->resizeColumnToContents(column);
  return true;
}

void CommonConfigAInfoKrym::lpVars_Click() {
  if (QTreeWidgetItem* item = lpVars()->currentItem()) PickField(item->text(0).toStdString());
}
