#include "app/tools/CommonLastRunViewer.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <exception>

#include "app/widgets/IconBinding.h"
#include "app/widgets/ToolbarButtons.h"
#include "core/OutsideText.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/model/CommonVarGatherer.h"
#include "platform/db/Connection.h"
#include "platform/ui/BusyPointer.h"

namespace {

// Dates show as they are typed and as the program's other windows show them.
constexpr const char* kDateFormat = "mm/dd/yyyy HH:nn:ss";

constexpr const char* kHeaders[] = {"Facility", "Facility ID", "Last Run Date", "Audit User", "Workstation",
                                    "Netuser",  "IP",          "Local Path"};

void ShowBox(const std::string& prompt, int style) {
  if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(prompt, style);
}

std::string ErrorText(const std::exception& e) {
  if (const auto* numbered = dynamic_cast<const core::RuntimeError*>(&e))
    return std::to_string(numbered->Number()) + " - " + core::WindowText(numbered->Description());
  return "0 - " + core::WindowText(e.what());
}

// A manager filled from the configuration; false when the settings do not make one.
bool InitManager(ConnectionManager& cm) {
  try {
    return CommonGlobals::InitVornKrymConnectionManager(cm);
  } catch (const std::exception& e) {
    if (QALLoggerTXT* logger = Program().logger)
      logger->WriteLog("The Krym connection settings cannot be read: " + ErrorText(e), 0);
    return false;
  }
}

void NotSaved(const std::string& facility, const std::string& why) {
  if (QALLoggerTXT* logger = Program().logger)
    logger->WriteLog("Last run date of facility " + facility + " not saved: " + why, 0);
}

}  // namespace

CommonLastRunViewer::CommonLastRunViewer(const IconBinding* icons, QWidget* owner) : QDialog(owner) {
  setObjectName("CommonLastRunViewer");
  setWindowTitle("Last Run Dates");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  BuildToolbar();
  layout->addWidget(myToolBar_);

  fpSpread_ = new QTableWidget(0, static_cast<int>(std::size(kHeaders)), this);
  fpSpread_->setObjectName("fpSpread");
  QStringList headers;
  for (const char* h : kHeaders) headers << h;
  fpSpread_->setHorizontalHeaderLabels(headers);
  fpSpread_->horizontalHeader()->setStretchLastSection(true);
  fpSpread_->setAlternatingRowColors(true);
  fpSpread_->setWordWrap(false);
  // The grid sits below the toolbar and follows the window's size.
  auto* body = new QVBoxLayout;
  body->setContentsMargins(6, 0, 6, 6);
  body->addWidget(fpSpread_);
  layout->addLayout(body, 1);
  WidenDateColumn();
  resize(900, 360);

  if (icons) icons->initToolbar(myToolBar_);
  LoadLastRunGrid();
}

void CommonLastRunViewer::ShowModal(const IconBinding* icons, QWidget* owner) {
  CommonLastRunViewer viewer(icons, owner);
  viewer.exec();
}

void CommonLastRunViewer::BuildToolbar() {
  myToolBar_ = new QToolBar("myToolBar", this);
  myToolBar_->setObjectName("myToolBar");
  myToolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolbarButtons::Add(myToolBar_,
                      {{"Save Changes", "save", "Save last run dates to database"},
                       {"Help", "help", "Displays Help Article"},
                       {"Close", "Close", "Closes this form"}},
                      [this](const std::string& key) { ToolbarButtonClick(key); });
}

void CommonLastRunViewer::ToolbarButtonClick(const std::string& key) {
  const std::string k = core::LCase(key);
  if (k == "save") {
    if (SaveLastRunDates())
      ShowBox("Saved successfully", 64);
    else
      ShowBox("Unable to save last run dates", 48);
  } else if (k == "help") {
    if (!ShowHelp()) ShowBox("Unable to display help", 48);
  } else if (k == "close") {
    hide();
  }
}

void CommonLastRunViewer::WidenDateColumn() {
  // Wide enough for a whole date, typed or read, with the cell's and its editor's margins.
  const int margin = fpSpread_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, fpSpread_) + 1;
  const int needed = fpSpread_->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 4 * margin + 8;
  const int column = kLastRunDate - 1;
  if (fpSpread_->columnWidth(column) < needed) fpSpread_->setColumnWidth(column, needed);
}

std::string CommonLastRunViewer::Cell(int row, int column) const {
  const QTableWidgetItem* item = fpSpread_->item(row - 1, column - 1);
  return item ? item->text().toStdString() : std::string();
}

void CommonLastRunViewer::SetCell(int row, int column, const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  // Only the last-run date is read back, so it is the only cell the user may edit.
  if (column != kLastRunDate) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  fpSpread_->setItem(row - 1, column - 1, item);
}

void CommonLastRunViewer::LoadLastRunGrid() {
  platform::ui::BusyScope busy(Program().ui.busy);
  try {
    // Settings that make no manager leave the grid empty without a word; settings that cannot
    // even be read are an error of the load like any other.
    ConnectionManager cm;
    if (!CommonGlobals::InitVornKrymConnectionManager(cm)) {
      fpSpread_->setRowCount(0);
      return;
    }
    platform::db::Connection cnn;
    cm.ConfigCnn4QALROOT(cnn);
    cnn.Open();

    const std::int16_t collector = core::Value(Program().config->item("VORNKRYM\\G2_SERVER_INTERFACE_ID")).ToInteger();
    lastRun_.InterfaceID(collector);

    CommonVarGatherer gatherer;
    if (!gatherer.ReadVornKrym(collector, cnn)) {
      fpSpread_->setRowCount(0);
    } else {
      gatherer.MoveFirst();
      fpSpread_->setRowCount(gatherer.TotalFacility());
      const std::shared_ptr<HashTable> names = gatherer.FacilityNames();
      for (int row = 1; !gatherer.EOF_Facility(); ++row, gatherer.MoveNext_Facility()) {
        const std::string facility = gatherer.Current_Facility();
        SetCell(row, kFacility, names && names->Exists(facility) ? names->item(facility).Text() : std::string());
        SetCell(row, kFacilityId, facility);
        core::Date lastRun;
        const bool read = lastRun_.ReadLastRunInfo(facility, cnn, &lastRun);
        SetCell(row, kLastRunDate, read ? core::Format(lastRun, kDateFormat) : "");
        SetCell(row, kAuditUser, read ? lastRun_.AUDITUSER() : "");
        SetCell(row, kWorkstation, read ? lastRun_.WorkStation() : "");
        SetCell(row, kNetuser, read ? lastRun_.NetUser() : "");
        SetCell(row, kIP, read ? lastRun_.IP() : "");
        SetCell(row, kLocalPath, read ? lastRun_.LocalPath() : "");
      }
      fpSpread_->resizeColumnsToContents();
      WidenDateColumn();
      if (fpSpread_->rowCount() > 0) fpSpread_->setCurrentCell(0, kLastRunDate - 1);
    }
    cnn.Close();
  } catch (const std::exception& e) {
    fpSpread_->setRowCount(0);
    ShowBox("Unable to read last run dates from Vorn Krym\r\n" + ErrorText(e), 48);
  }
}

bool CommonLastRunViewer::SaveLastRunDates() {
  bool result = true;
  const int rows = fpSpread_->rowCount();
  if (rows == 0) return false;
  ConnectionManager cm;
  if (!InitManager(cm)) return false;
  try {
    platform::db::Connection cnn;
    cm.ConfigCnn4QALROOT(cnn);
    cnn.Open();
    for (int row = 1; row <= rows; ++row) {
      const std::string text = Cell(row, kLastRunDate);
      const std::string facility = Cell(row, kFacilityId);
      if (text.empty()) continue;
      // The box at the end names no row: the log says which one was not saved, and why.
      const std::optional<core::Date> date = core::ParseDate(text);
      if (!date) {
        NotSaved(facility, "\"" + text + "\" is not a date");
        result = false;
      } else if (!lastRun_.SetLastRunDate(facility, *date, cnn)) {
        NotSaved(facility, "\"" + text + "\" could not be written");
        result = false;
      }
    }
    cnn.Close();
  } catch (const std::exception& e) {
    // Nothing that follows the failure was saved, so the save is not reported as a success.
    if (QALLoggerTXT* logger = Program().logger) logger->WriteLog("Unable to save last run dates: " + ErrorText(e), 0);
    result = false;
  }
  return result;
}

bool CommonLastRunViewer::ShowHelp() {
  try {
    CommonGlobals::ShowHelpTopic("12213");
    return true;
  } catch (const std::exception&) {
    return false;
  }
}
