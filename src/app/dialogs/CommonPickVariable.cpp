#include "app/dialogs/CommonPickVariable.h"

#include <QHeaderView>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <numeric>
#include <utility>
#include <vector>

#include "app/widgets/DialogParts.h"
#include "app/widgets/IconBinding.h"
#include "app/widgets/ToolbarButtons.h"
#include "app/session/SessionDialogs.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/model/KrymSchemaOpener.h"
#include "import/model/VarTypeFunctions.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/BusyPointer.h"

namespace {

constexpr const char* kHeadings[CommonPickVariable::kColumnCount] = {
    "Facility ID", "Var ID", "Facility",    "Var #",     "Var Name",  "Units",       "Track Every",
    "Type",        "Dec Pl", "Description", "Scada Tag", "Statistic", "Scale Factor"};

void Log(const std::string& line, std::int16_t level) {
  if (QALLoggerTXT* log = Program().logger) log->WriteLog(line, level);
}

// decplaces as the list shows it: 9999 means the variable has no fixed number of decimals.
std::string DecimalPlacesText(const core::Value& v) {
  const std::string text = v.Text();
  if (!core::IsNumericText(text)) return "0";
  if (text == "9999") return "Not Fixed";
  return text;
}

std::string ScaleFactorText(const core::Value& v) {
  const std::optional<double> factor = core::ParseNumber(v.Text());
  return core::Value(factor ? *factor : 1.0).ToString();
}

// Sort order of two cells: empty first, then numbers by value, then texts ignoring case.
int CompareCells(const QString& a, const QString& b) {
  auto rank = [](const QString& s, std::optional<double>& number) {
    if (s.isEmpty()) return 0;
    number = core::ParseNumber(s.toStdString());
    return number ? 1 : 2;
  };
  std::optional<double> na, nb;
  const int ra = rank(a, na), rb = rank(b, nb);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 1) return *na < *nb ? -1 : (*nb < *na ? 1 : 0);
  return a.compare(b, Qt::CaseInsensitive);
}

}  // namespace

CommonPickVariable::CommonPickVariable(const IconBinding* icons, QWidget* owner) : QDialog(owner) {
  setObjectName("CommonPickVariable");
  setWindowTitle("Pick Vorn Krym Variables to Import Into");
  setModal(true);
  setSizeGripEnabled(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolbar();
  layout->addWidget(myToolBar_);
  BuildList();
  layout->addWidget(lpVars_, 1);
  StatusBar1_ = new QStatusBar(this);
  StatusBar1_->setObjectName("StatusBar1");
  StatusBar1_->setSizeGripEnabled(false);
  layout->addWidget(StatusBar1_);
  resize(1000, 480);

  if (icons) icons->initToolbar(myToolBar_);
}

void CommonPickVariable::BuildToolbar() {
  myToolBar_ = DialogParts::Toolbar(this);
  ToolbarButtons::Add(myToolBar_,
                      {{"Import", "wizard", "Start Import for selected variables"},
                       {"Select All", "addall", "Selects All Variables"},
                       {"Select None", "removeall", "Selects No Variables"},
                       {"Help", "help", ""},
                       {"Cancel", "cancel", "Cancels Import"}},
                      [this](const std::string& key) { ToolbarButtonClick(key); });
}

void CommonPickVariable::BuildList() {
  lpVars_ = new QTableWidget(0, kColumnCount, this);
  lpVars_->setObjectName("lpVars");
  QStringList headings;
  for (const char* h : kHeadings) headings << h;
  lpVars_->setHorizontalHeaderLabels(headings);
  lpVars_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // A click adds or removes one row: a long pick is not lost to one careless click.
  lpVars_->setSelectionMode(QAbstractItemView::MultiSelection);
  lpVars_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lpVars_->setWordWrap(false);
  lpVars_->verticalHeader()->setVisible(false);
  lpVars_->verticalHeader()->setDefaultSectionSize(lpVars_->fontMetrics().height() + 6);
  lpVars_->horizontalHeader()->setSectionsClickable(true);
  lpVars_->horizontalHeader()->setStretchLastSection(true);
  connect(lpVars_->horizontalHeader(), &QHeaderView::sectionClicked, this, &CommonPickVariable::SortByColumn);
}

void CommonPickVariable::PreLoadVariables(CommonVarGatherer& aVarGatherer) {
  platform::ui::BusyScope busy(Program().ui.busy);
  lpVars_->setRowCount(0);
  auto cell = [this](int row, int column, const std::string& text) {
    lpVars_->setItem(row, column, new QTableWidgetItem(QString::fromStdString(text)));
  };

  // The rows, grouped by facility in the set's order.
  aVarGatherer.MoveFirst();
  while (!aVarGatherer.EOF_Facility()) {
    const std::string facility = aVarGatherer.Current_Facility();
    while (!aVarGatherer.EOF_Variable()) {
      const int row = lpVars_->rowCount();
      lpVars_->insertRow(row);
      for (int c = 0; c < kColumnCount; ++c) cell(row, c, "");
      cell(row, kFacilityId, facility);
      cell(row, kVariableId, std::to_string(aVarGatherer.Current_Variable()));
      aVarGatherer.MoveNext_Variable();
    }
    aVarGatherer.MoveNext_Facility();
  }

  // The details, on one connection per facility. A facility is tried once: its other rows
  // would only wait for the same failure again.
  platform::db::Connection cnn;
  std::string current;
  std::string failed;
  bool noSettings = false;
  const std::shared_ptr<HashTable> names = aVarGatherer.FacilityNames();
  for (int row = 0; row < lpVars_->rowCount(); ++row) {
    const std::string facility = lpVars_->item(row, kFacilityId)->text().toStdString();
    const std::string varid = lpVars_->item(row, kVariableId)->text().toStdString();
    if (facility != current) {
      if (noSettings || facility == failed) continue;
      cnn.Close();
      cnn = platform::db::Connection();
      current.clear();
      switch (KrymSchemaOpener::Standard().Open(cnn, facility)) {
        case KrymSchemaOpener::Outcome::Opened:
          current = facility;
          break;
        case KrymSchemaOpener::Outcome::NoSettings:
          // The same settings serve every facility: one message, no further tries.
          noSettings = true;
          if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(KrymSchemaOpener::kNoSettingsMessage, 48);
          continue;
        case KrymSchemaOpener::Outcome::Failed:
          failed = facility;
          continue;
      }
    }
    cell(row, kFacility, names && names->Exists(facility) ? names->item(facility).Text() : "");
    try {
      platform::db::Recordset rs;
      rs.Open(
          "select varnum,name,vartype,units,decplaces,description,scadatag,statistic,scalefactor from vardesc "
          "where varid=" +
              varid,
          cnn);
      if (rs.Eof()) continue;
      const core::Value varnum = rs.Fields("varnum").Value();
      const core::Value vartype = rs.Fields("vartype").Value();
      if (varnum.IsNull() || vartype.IsNull()) continue;
      const std::string code = vartype.Text();
      cell(row, kVarNum, std::to_string(varnum.ToLong()));
      cell(row, kVarName, rs.Fields("name").Value().Text());
      cell(row, kUnits, rs.Fields("units").Value().Text());
      cell(row, kTrackEvery, std::string(VarTypeFunctions::GetVarIntervalName(code)));
      cell(row, kType, std::string(VarTypeFunctions::GetVarKindName(code)));
      cell(row, kDecPl, DecimalPlacesText(rs.Fields("decplaces").Value()));
      cell(row, kDescription, rs.Fields("description").Value().Text());
      cell(row, kScadaTag, rs.Fields("scadatag").Value().Text());
      cell(row, kStatistic, rs.Fields("statistic").Value().Text());
      cell(row, kScaleFactor, ScaleFactorText(rs.Fields("scalefactor").Value()));
    } catch (const std::exception& e) {
      // This row goes without its details; the others still get theirs.
      Log("Unable to read the definition of variable " + varid + " of " + facility + ": " + e.what(), 2);
    }
  }
  cnn.Close();

  preloaded_ = &aVarGatherer;
  facilityNames_ = aVarGatherer.FacilityNames();
  lastRunSettings_ = aVarGatherer.LastRunSettings();
  lpVars_->resizeColumnsToContents();
}

std::unique_ptr<CommonVarGatherer> CommonPickVariable::ResultVarGatherer() const {
  if (!preloaded_) return nullptr;
  std::vector<std::pair<std::string, std::int32_t>> rows;
  try {
    for (int row = 0; row < lpVars_->rowCount(); ++row) {
      if (!lpVars_->selectionModel()->isRowSelected(row, QModelIndex())) continue;
      rows.emplace_back(lpVars_->item(row, kFacilityId)->text().toStdString(),
                        core::Value(lpVars_->item(row, kVariableId)->text().toStdString()).ToLong());
    }
  } catch (const std::exception& e) {
    Log(std::string("Unable to build the picked variable set: ") + e.what(), 2);
    return nullptr;
  }
  std::unique_ptr<CommonVarGatherer> result = SessionDialogs::SelectedVariables(*preloaded_, rows);
  if (!result) return nullptr;
  // The tables as they were when the list was filled, shared with the session's set.
  result->FacilityNames(facilityNames_);
  result->LastRunSettings(lastRunSettings_);
  return result;
}

void CommonPickVariable::ToolbarButtonClick(const std::string& key) {
  const std::string k = core::LCase(key);
  if (k == "wizard") {
    cancelled_ = false;
    done(Accepted);
  } else if (k == "addall") {
    lpVars_->selectAll();
  } else if (k == "removeall") {
    lpVars_->clearSelection();
  } else if (k == "help") {
    CommonGlobals::ShowHelpTopic("12059");
  } else if (k == "cancel") {
    reject();
  }
}

void CommonPickVariable::SortByColumn(int column) {
  if (column < 0 || column >= kColumnCount) return;
  // The clicked column toggles (anything but ascending becomes ascending) and leads; the facility
  // id follows ascending; every other column leaves the sort and starts ascending when clicked.
  const int order = sortOrder_[static_cast<std::size_t>(column)] == 1 ? -1 : 1;
  sortOrder_.fill(0);
  sortOrder_[kFacilityId] = 1;
  sortOrder_[static_cast<std::size_t>(column)] = order;

  const int rows = lpVars_->rowCount();
  auto text = [this](int row, int c) {
    const QTableWidgetItem* item = lpVars_->item(row, c);
    return item ? item->text() : QString();
  };
  std::vector<int> sorted(static_cast<std::size_t>(rows));
  std::iota(sorted.begin(), sorted.end(), 0);
  std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
    const int first = CompareCells(text(a, column), text(b, column)) * order;
    if (first != 0) return first < 0;
    return column != kFacilityId && CompareCells(text(a, kFacilityId), text(b, kFacilityId)) < 0;
  });

  // Move the items into their new rows; the selection goes with them.
  std::vector<std::vector<QTableWidgetItem*>> taken(static_cast<std::size_t>(rows));
  std::vector<bool> selected(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    selected[static_cast<std::size_t>(row)] = lpVars_->selectionModel()->isRowSelected(row, QModelIndex());
    for (int c = 0; c < kColumnCount; ++c) taken[static_cast<std::size_t>(row)].push_back(lpVars_->takeItem(row, c));
  }
  const QSignalBlocker quiet(lpVars_);
  lpVars_->clearSelection();
  for (int row = 0; row < rows; ++row) {
    const auto from = static_cast<std::size_t>(sorted[static_cast<std::size_t>(row)]);
    for (int c = 0; c < kColumnCount; ++c) lpVars_->setItem(row, c, taken[from][static_cast<std::size_t>(c)]);
    if (selected[from])
      lpVars_->selectionModel()->select(lpVars_->model()->index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  lpVars_->horizontalHeader()->setSortIndicatorShown(true);
  lpVars_->horizontalHeader()->setSortIndicator(column, order == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CommonPickVariable::reject() {
  cancelled_ = true;
  QDialog::reject();
}
