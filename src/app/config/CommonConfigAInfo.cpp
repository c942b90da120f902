#include "app/config/CommonConfigAInfo.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <functional>
#include <set>

#include "app/config/CommonConfigAInfoKrym.h"
#include "app/config/CommonConfigAInfoSRC.h"
#include "core/Text.h"
#include "foundation/QALConfiguration.h"

namespace {

constexpr int kExclamation = 48;
constexpr const char* kEnabledKey = "TARGET\\AINFO\\ENABLED";
constexpr const char* kLogKey = "TARGET\\AINFO\\LOGNUMBERWRITES";
constexpr const char* kLineBreak = "\r\n";

std::string MapKey(int n, const char* field) { return "TARGET\\AINFO\\MAP" + std::to_string(n) + "\\" + field; }

// Draws a small "..." button at the right end of a field cell and reports a click on it; the rest
// of the cell edits as text.
class PickerButtonDelegate : public QStyledItemDelegate {
 public:
  PickerButtonDelegate(QObject* parent, std::function<void(int column, int row)> onButton)
      : QStyledItemDelegate(parent), onButton_(std::move(onButton)) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionButton button;
    button.rect = ButtonRect(option.rect);
    button.text = "...";
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    QApplication::style()->drawControl(QStyle::CE_PushButton, &button, painter);
  }

  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
        event->type() == QEvent::MouseButtonDblClick) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton && ButtonRect(option.rect).contains(mouse->position().toPoint())) {
        if (event->type() == QEvent::MouseButtonRelease) onButton_(index.column(), index.row());
        return true;  // a click on the button never starts editing the cell
      }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
  }

 private:
  static QRect ButtonRect(const QRect& cell) {
    const int side = cell.height();
    return QRect(cell.right() - side + 1, cell.top(), side, side);
  }

  std::function<void(int, int)> onButton_;
};

}  // namespace

CommonConfigAInfo::CommonConfigAInfo(const IconBinding* icons, QWidget* owner)
    : CommonConfigForm(icons, owner, "Advanced Configuration : Additional Info",
                       Pattern{.buttons = ApplyOnlyButtons(), .helpTopic = "12598", .closeAfterCheck = true}) {
  setObjectName("CommonConfigAInfo");

  AddOnOffFrame("Write Data Into Additional Info Fields in Vorn Krym", enTrue_, "enTrue", enFalse_, "enFalse");
  AddOnOffFrame("Log Number of Successfully Written Fields during Import", logEnable_, "logEnable", logDisable_,
                "logDisable");

  grid_ = new QTableWidget(kRows, 3, this);
  grid_->setObjectName("grid");
  grid_->setHorizontalHeaderLabels(
      {"Enabled", "Source Field Identifier", "Target Krym Facility Identifier.Field Identifier"});
  grid_->horizontalHeader()->setSectionResizeMode(kColSource, QHeaderView::Stretch);
  grid_->horizontalHeader()->setSectionResizeMode(kColTarget, QHeaderView::Stretch);
  grid_->setColumnWidth(kColEnabled, 60);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
  for (int row = 0; row < kRows; ++row) {
    auto* enabled = new QTableWidgetItem;
    enabled->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    enabled->setCheckState(Qt::Unchecked);
    grid_->setItem(row, kColEnabled, enabled);
    grid_->setItem(row, kColSource, new QTableWidgetItem);
    grid_->setItem(row, kColTarget, new QTableWidgetItem);
  }
  auto* buttons = new PickerButtonDelegate(grid_, [this](int column, int row) { GridButtonClick(column, row); });
  grid_->setItemDelegateForColumn(kColSource, buttons);
  grid_->setItemDelegateForColumn(kColTarget, buttons);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QTableWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const QModelIndex index = grid_->indexAt(pos);
    if (index.isValid()) GridRightClick(index.column(), index.row(), grid_->viewport()->mapToGlobal(pos));
  });
  Body()->addWidget(grid_, 1);

  mnuPopUp_ = new QMenu(this);
  mnuPopUp_->setObjectName("mnuPopUp");
  mnuClearCell_ = mnuPopUp_->addAction("Clear Cell");
  mnuClearCell_->setObjectName("mnuClearCell");
  connect(mnuClearCell_, &QAction::triggered, this, &CommonConfigAInfo::mnuClearCell_Click);
  resize(640, 520);

  // The editor works on its own keys even when nothing declared them before.
  Guarded("DefineTree", [] {
    DefineTree();
    return true;
  });
  Load();
}

void ShowCommonConfigAInfo(const IconBinding* icons, QWidget* owner, CommonVarGatherer* gatherer) {
  CommonConfigAInfo form(icons, owner);
  form.VarGatherer(gatherer);
  form.exec();
  form.VarGatherer(nullptr);
}

void CommonConfigAInfo::DefineTree() {
  QALConfiguration& config = Config();
  config.DefineTree(kEnabledKey, "FALSE");
  config.DefineTree(kLogKey, "FALSE");
  for (int n = 1; n <= kRows; ++n) {
    config.DefineTree(MapKey(n, "ENABLED"), "FALSE");
    config.DefineTree(MapKey(n, "TARGETID"), "");
    config.DefineTree(MapKey(n, "SOURCEID"), "");
  }
}

bool CommonConfigAInfo::RowChecked(int row) const { return grid_->item(row, kColEnabled)->checkState() == Qt::Checked; }

std::string CommonConfigAInfo::Cell(int row, int column) const {
  return grid_->item(row, column)->text().toStdString();
}

bool CommonConfigAInfo::RefreshUIFromConfig() {
  (Setting(kEnabledKey) == "TRUE" ? enTrue_ : enFalse_)->setChecked(true);
  (Setting(kLogKey) == "TRUE" ? logEnable_ : logDisable_)->setChecked(true);
  for (int n = 1; n <= kRows; ++n) {
    const int row = n - 1;
    grid_->item(row, kColEnabled)->setCheckState(Setting(MapKey(n, "ENABLED")) == "TRUE" ? Qt::Checked : Qt::Unchecked);
    grid_->item(row, kColSource)->setText(QString::fromStdString(Setting(MapKey(n, "SOURCEID"))));
    grid_->item(row, kColTarget)->setText(QString::fromStdString(Setting(MapKey(n, "TARGETID"))));
  }
  return true;
}

bool CommonConfigAInfo::CheckEmptyFields() {
  for (int row = 0; row < kRows; ++row) {
    if (!RowChecked(row)) continue;
    if (core::Trim(Cell(row, kColSource)).empty() || core::Trim(Cell(row, kColTarget)).empty()) {
      Box(std::string("You may not have an empty field in your enabled map") + kLineBreak + "ROW " +
              std::to_string(row + 1) + kLineBreak + "Fill in the empty fields and try Apply again",
          kExclamation, "VALIDATION ERROR : Empty Fields detected");
      return false;
    }
  }
  return true;
}

bool CommonConfigAInfo::CheckDuplicateTargets() {
  std::set<std::string> targets;  // exact texts: case and blanks count
  for (int row = 0; row < kRows; ++row) {
    if (!RowChecked(row)) continue;
    const std::string target = Cell(row, kColTarget);
    if (!targets.insert(target).second) {
      Box(std::string("You may not have more than 1 source fields mapped to a single target field.") + kLineBreak +
              target + kLineBreak + "Remove the duplicate entry and try Apply again",
          kExclamation, "VALIDATION ERROR : Duplicate Entries detected");
      return false;
    }
  }
  return true;
}

bool CommonConfigAInfo::ApplySettings() {
  if (!CheckEmptyFields() || !CheckDuplicateTargets()) return false;
  Setting(kEnabledKey, enTrue_->isChecked() ? "TRUE" : "FALSE");
  Setting(kLogKey, logEnable_->isChecked() ? "TRUE" : "FALSE");
  for (int n = 1; n <= kRows; ++n) {
    const int row = n - 1;
    Setting(MapKey(n, "ENABLED"), RowChecked(row) ? "TRUE" : "FALSE");
    Setting(MapKey(n, "SOURCEID"), Cell(row, kColSource));
    Setting(MapKey(n, "TARGETID"), Cell(row, kColTarget));
  }
  return true;
}

void CommonConfigAInfo::GridButtonClick(int column, int row) {
  if (row < 0 || row >= kRows) return;
  std::string picked;
  bool cancelled = true;
  if (column == kColSource) {
    CommonConfigAInfoSRC picker(Icons(), this);
    picker.exec();
    cancelled = picker.Cancelled();
    picked = picker.PickedField();
  } else if (column == kColTarget) {
    CommonConfigAInfoKrym picker(Icons(), this);
    picker.VarGatherer(varGatherer_);
    picker.exec();
    cancelled = picker.Cancelled();
    picked = picker.PickedField();
  }
  if (!cancelled) grid_->item(row, column)->setText(QString::fromStdString(picked));
}

void CommonConfigAInfo::GridRightClick(int column, int row, const QPoint& globalPos) {
  if ((column != kColSource && column != kColTarget) || row < 0 || row >= kRows) return;
  grid_->setCurrentCell(row, column);
  mnuPopUp_->popup(globalPos);
}

void CommonConfigAInfo::mnuClearCell_Click() {
  const int column = grid_->currentColumn();
  const int row = grid_->currentRow();
  if ((column == kColSource || column == kColTarget) && row >= 0) grid_->item(row, column)->setText("");
}
