#include "app/config/CommonConfigUnits.h"

#include <QComboBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/Value.h"
#include "features/CommonUnitConvert.h"

namespace {

const QStringList kAlgorithms = {"Multiplication", "Degrees F to C", "Degrees C to F"};
// The stored codes of the two temperature conversions, by their place in the list.
const char* const kCodes[] = {"", "-1", "-2"};

QTableWidgetItem* TextItem(const std::string& text) { return new QTableWidgetItem(QString::fromStdString(text)); }

std::string CellText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item ? item->text().toStdString() : std::string();
}

}  // namespace

CommonConfigUnits::CommonConfigUnits(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Advanced Configuration : Unit Conversion",
                       Pattern{.buttons = ApplyOnlyButtons(), .helpTopic = "12132", .closeAfterCheck = true}) {
  setObjectName("CommonConfigUnits");

  AddOnOffFrame("Convert Result from Source Unit to Vorn Krym Unit", enTrue_, "enTrue", enFalse_, "enFalse");

  grid_ = new QTableWidget(kRows, 5, this);
  grid_->setObjectName("grid");
  grid_->setHorizontalHeaderLabels({"Enabled", "Source Unit", "Conversion Algorithm", "Factor", "Vorn Krym Unit"});
  grid_->horizontalHeader()->setSectionResizeMode(kColAlgorithm, QHeaderView::ResizeToContents);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
  for (int row = 0; row < kRows; ++row) {
    auto* enabled = new QTableWidgetItem;
    enabled->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    enabled->setCheckState(Qt::Unchecked);
    grid_->setItem(row, kColEnabled, enabled);
    for (int column : {kColFromUnit, kColFactor, kColToUnit}) grid_->setItem(row, column, TextItem(""));
    auto* algorithm = new QComboBox(grid_);
    algorithm->addItems(kAlgorithms);
    grid_->setCellWidget(row, kColAlgorithm, algorithm);
  }
  grid_->setColumnWidth(kColEnabled, 60);
  Body()->addWidget(grid_, 1);
  resize(640, 480);

  // The editor works on its own keys even when nothing declared them before.
  Guarded("DefineTree", [] {
    CommonUnitConvert().DefineTree();
    return true;
  });
  Load();
}

void ShowCommonConfigUnits(const IconBinding* icons, QWidget* owner) {
  CommonConfigUnits form(icons, owner);
  form.exec();
}

QComboBox* CommonConfigUnits::Algorithm(int row) const {
  return qobject_cast<QComboBox*>(grid_->cellWidget(row, kColAlgorithm));
}

bool CommonConfigUnits::RefreshUIFromConfig() {
  (Setting(CommonUnitConvert::kEnabledKey) == "TRUE" ? enTrue_ : enFalse_)->setChecked(true);
  // Every row is filled even when a factor cannot be read, so that an apply after the failure
  // message cannot wipe the slots below it; the unreadable factor shows as stored.
  bool allRead = true;
  for (int n = 1; n <= kRows; ++n) {
    const int row = n - 1;
    grid_->item(row, kColEnabled)
        ->setCheckState(Setting(CommonUnitConvert::SlotKey(n, "ENABLED")) == "TRUE" ? Qt::Checked : Qt::Unchecked);
    grid_->item(row, kColFromUnit)->setText(QString::fromStdString(Setting(CommonUnitConvert::SlotKey(n, "FROMUNIT"))));
    const std::string factor = Setting(CommonUnitConvert::SlotKey(n, "FACTOR"));
    if (factor == "-1" || factor == "-2") {
      Algorithm(row)->setCurrentIndex(factor == "-1" ? 1 : 2);
      grid_->item(row, kColFactor)->setText("1");
    } else {
      Algorithm(row)->setCurrentIndex(0);
      const core::Value number(factor);
      if (number.IsNumeric() && !factor.empty()) {
        grid_->item(row, kColFactor)->setText(QString::fromStdString(core::NumberText(number.ToDouble())));
      } else {
        grid_->item(row, kColFactor)->setText(QString::fromStdString(factor));
        Log("Unit conversion slot " + std::to_string(n) + " holds a factor that is not a number: '" + factor + "'", 0);
        allRead = false;
      }
    }
    grid_->item(row, kColToUnit)->setText(QString::fromStdString(Setting(CommonUnitConvert::SlotKey(n, "TOUNIT"))));
  }
  return allRead;
}

bool CommonConfigUnits::ApplySettings() {
  Setting(CommonUnitConvert::kEnabledKey, enTrue_->isChecked() ? "TRUE" : "FALSE");
  for (int n = 1; n <= kRows; ++n) {
    const int row = n - 1;
    Setting(CommonUnitConvert::SlotKey(n, "ENABLED"),
            grid_->item(row, kColEnabled)->checkState() == Qt::Checked ? "TRUE" : "FALSE");
    Setting(CommonUnitConvert::SlotKey(n, "FROMUNIT"), CellText(grid_, row, kColFromUnit));
    const int algorithm = Algorithm(row)->currentIndex();
    const std::string factorKey = CommonUnitConvert::SlotKey(n, "FACTOR");
    // The factor goes in as typed: the table reads one that is no number as 1.
    Setting(factorKey, algorithm > 0 ? std::string(kCodes[algorithm]) : CellText(grid_, row, kColFactor));
    Setting(CommonUnitConvert::SlotKey(n, "TOUNIT"), CellText(grid_, row, kColToUnit));
  }
  return true;
}
