#include "app/mainwindow/CommonUI.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <optional>
#include <vector>

#include "app/tools/CommonDefUpload.h"
#include "app/tools/CommonHelpAbout.h"
#include "app/tools/CommonLastRunViewer.h"
#include "app/tools/CommonTestSource.h"
#include "app/widgets/FixedPitchFont.h"
#include "app/widgets/IconBinding.h"
#include "app/mainwindow/MenuTargets.h"
#include "app/widgets/ToolbarButtons.h"
#include "app/startup/ProgramEnd.h"
#include "app/startup/ProgramObjects.h"
#include "app/startup/QtUiServices.h"
#include "core/RuntimeError.h"
#include "core/Value.h"
#include "features/CommonAINFOnavigator.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/source/CustomConfiguration.h"
#include "platform/db/Connection.h"

namespace {

using Command = CommonUI::Command;

// One row of the menu tree: its depth (0 for the menu bar), caption (null for a separator) and
// control name, and what it does; a row followed by a deeper one opens a submenu.
struct MenuRow {
  int depth;
  const char* caption;
  const char* control;
  std::optional<Command> command = std::nullopt;
  const char* topic = "";
};

const std::vector<MenuRow>& MenuTree() {
  static const std::vector<MenuRow> rows = {
      {0, "&File", "mnuFile"},
      {1, "Import &All", "mnuFileImportAll", Command::ImportAll},
      {1, "Import For Selected &Variables", "mnuFileImportVariables", Command::ImportSelected},
      {1, nullptr, "mnuSper12e"},
      {1, "E&xit", "mnuExit", Command::Exit},
      {0, "&Configuration", "mnuSettings"},
      {1, "&Connection to Vorn Krym", "mnuVornSettings", Command::ConnectionToVornKrym},
      {1, "Co&llector Configuration", "mnuCollector", Command::CollectorConfiguration},
      {1, "&Source Configuration", "mnuSourceSettings", Command::SourceConfiguration},
      {1, "Automated &Import Configuration", "mnuNtConfig", Command::AutomatedImportConfiguration},
      {1, "&Advanced Configuration", "mnuVornOptions", Command::AdvancedConfiguration},
      {1, nullptr, "mnuPlace"},
      {1, "Sa&ve All Configuration", "mnuSaveConfig", Command::SaveAllConfiguration},
      {0, "&Automated Import", "mnuNTmain"},
      {1, "&Activity Log View", "mnuNTActLog", Command::ActivityLogView},
      {1, "&Status And Control", "mnuNTstatus", Command::StatusAndControl},
      {1, "&Last Run Dates", "mnuLastRun", Command::LastRunDates},
      {0, "&Test", "mnuTest"},
      {1, "&Source Read Test", "mnuTestSource", Command::SourceReadTest},
      {1, nullptr, "mnuSep1"},
      {1, "Test Connection to Vorn Krym", "mnuTestVornKrymCnn", Command::TestConnection},
      {1, "Test Import All", "mnuTestImportAll", Command::TestImportAll},
      {1, "Test Import For Selected &Variables", "mnuTestSelectedVars", Command::TestImportSelected},
      {0, "&Utilities", "mnuUtilities"},
      {1, "Upload definition file to Vorn Krym", "mnuUploadDef", Command::UploadDefinition},
      {0, "&Support", "mnuSupport"},
      {1, "&Release Notes", "mnuSupReleaseNotes", Command::ReleaseNotes},
      {1, "Check for &Update Packages", "mnuSupUpdates", Command::UpdatePackages},
      {0, "&Help", "mnuHelp"},
      {1, "&Contents", "mnuContent", Command::HelpTopic, "12036"},
      {1, "Cha&pters", "mnuChapters"},
      {2, "Step-by-step Configuration Instructions", "mnuStepbyStep", Command::HelpTopic, "12069"},
      {2, "Introduction", "mnuChapIntro", Command::HelpTopic, "7J4W4X"},
      {2, "How To's", "mnuHelpHowTo", Command::HelpTopic, "3J3C8Y"},
      {2, "Main Menu", "mnuHelpMain", Command::HelpTopic, "7A6A1P"},
      {2, "Release Notes", "mnuHelpRN"},
      {3, "Interface", "mnuRNinterface", Command::HelpTopic, "12067"},
      {3, "Type", "mnuRNType", Command::HelpTopic, "12068"},
      {3, "Platform", "mnuRNplatform", Command::HelpTopic, "12033"},
      {2, "Interface Specific Topics", "mnuChapInterTopics", Command::HelpTopic, "5X7I8P"},
      {1, nullptr, "mnuHelpsp3"},
      {1, "&About", "mnuAbout", Command::About},
  };
  return rows;
}

constexpr const char* kContentsTopic = "12036";
constexpr const char* kReleaseNotesTopic = "12067";

// The support items open the help pages installed beside the program: this interface has no
// pages of its maker's to point at.
constexpr const char* kReleaseNotesPrompt =
    "After OK you are taken to the release notes of this interface in the help pages installed with this program, "
    "where the latest release notes are kept.\r\n\r\nNo information is sent to or from the maker.";
constexpr const char* kUpdatesPrompt =
    "After OK you are taken to the help pages installed with this program to check for new update packages for "
    "this interface.\r\n\r\nNo information is sent to or from the maker.";

QALmsgBoxHandler* Boxes() { return Program().msgBox; }

}  // namespace

CommonUI::CommonUI(ProgramObjects& objects, QWidget* parent) : QMainWindow(parent), objects_(objects) {
  lstActivityLog_ = new QListWidget(this);
  lstActivityLog_->setObjectName("lstActivityLog");
  lstActivityLog_->setFont(FixedPitchFont("Lucida Console"));
  lstActivityLog_->setToolTip("Interactive Activity Log");
  setCentralWidget(lstActivityLog_);
  connect(lstActivityLog_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (auto* item = lstActivityLog_->item(row)) statusBar()->showMessage(item->text());
  });
  statusBar()->setObjectName("StatusBar1");
  BuildMenus();
  BuildToolbar();
  resize(800, 500);

  // From now on status lines reach this window's list.
  objects_.ui->AttachActivityList(lstActivityLog_);
  objects_.context.ui.activityList = objects_.ui->Services().activityList;
  Load();
}

QString CommonUI::StatusPanelText() const { return statusBar()->currentMessage(); }

QAction* CommonUI::MenuItem(const QString& controlName) const {
  for (QAction* action : menuBar()->findChildren<QAction*>())
    if (action->objectName() == controlName) return action;
  return nullptr;
}

void CommonUI::BuildMenus() {
  const std::vector<MenuRow>& rows = MenuTree();
  std::vector<QMenu*> open;  // the menu of each depth above the current row
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MenuRow& row = rows[i];
    open.resize(static_cast<std::size_t>(row.depth));
    const bool opensSubmenu = i + 1 < rows.size() && rows[i + 1].depth > row.depth;
    if (opensSubmenu) {
      QMenu* menu = row.depth == 0 ? menuBar()->addMenu(row.caption) : open.back()->addMenu(row.caption);
      menu->setObjectName(row.control);
      menu->menuAction()->setObjectName(row.control);
      open.push_back(menu);
      continue;
    }
    QAction* action = row.caption ? open.back()->addAction(row.caption) : open.back()->addSeparator();
    action->setObjectName(row.control);
    if (!row.command) continue;
    const Command command = *row.command;
    const std::string topic = row.topic;
    connect(action, &QAction::triggered, this, [this, command, topic] { Run(command, topic); });
  }
}

void CommonUI::BuildToolbar() {
  myToolBar_ = addToolBar("myToolBar");
  myToolBar_->setObjectName("myToolBar");
  myToolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  myToolBar_->setMovable(false);
  ToolbarButtons::Add(myToolBar_,
                      {{"Import All", "wizard", "Imports Data For a Specified Date Range"},
                       {"Import For Vars", "selectvar", "Imports Data For a Set of Variables"},
                       {"Activity Log View", "setup", ""},
                       {"Help", "help", "Displays Interface Documentation and Help"},
                       {"About ...", "vkrym", "Displays Information about this interface version"},
                       {"Exit", "exit", "Exists Application"}},
                      [this](const std::string& key) { ToolbarButtonClick(key); });
}

void CommonUI::Load() {
  objects_.icons->initToolbar(myToolBar_);
  objects_.icons->InitForm(this, "vkrym");
  lstActivityLog_->clear();
  CommonGlobals::ShowStatus("Configuration loaded from " + objects_.config->path(), 0);
  // The designation is only ever written as a number; anything else counts as
  // a designation so that no false warning is shown.
  bool designated = true;
  try {
    designated = core::Value(objects_.config->item("VORNKRYM\\G2_SERVER_INTERFACE_ID")).ToInteger() != 0;
  } catch (...) {
  }
  if (!designated) {
    lstActivityLog_->addItem(
        "WARNING : No designation has been made for this collector instance. Use "
        "'Configuration\\Collector Configuration' to set it.");
    lstActivityLog_->addItem("Go to 'Help\\Chapters\\Step-by-step Configuration Instructions' for configuration help");
  }
  CustomConfiguration::CustomizeMainForm();
}

void CommonUI::ToolbarButtonClick(const std::string& key) {
  if (key == "wizard") {
    Run(Command::ImportAll);
  } else if (key == "selectvar") {
    Run(Command::ImportSelected);
  } else if (key == "setup") {
    Run(Command::ActivityLogView);
  } else if (key == "help") {
    Run(Command::HelpTopic, kContentsTopic);
  } else if (key == "vkrym") {
    Run(Command::About);
  } else if (key == "exit") {
    Run(Command::Exit);
  }
}

void CommonUI::Run(Command command, const std::string& topic) {
  switch (command) {
    case Command::ImportAll:
      MenuTargets::ImportAllVariables(false);
      break;
    case Command::ImportSelected:
      MenuTargets::ImportSelectedVariables(false);
      break;
    case Command::Exit:
      ExitProgram();
      break;
    case Command::ConnectionToVornKrym:
      MenuTargets::ShowConnectionToVornKrym(objects_, this);
      break;
    case Command::CollectorConfiguration:
      MenuTargets::ShowCollectorConfiguration(objects_, this);
      break;
    case Command::SourceConfiguration:
      MenuTargets::ShowSourceConfiguration(objects_, this);
      break;
    case Command::AutomatedImportConfiguration:
      MenuTargets::ShowAutomatedImportConfiguration(objects_, this);
      break;
    case Command::AdvancedConfiguration:
      MenuTargets::ShowAdvancedConfiguration(objects_, this);
      break;
    case Command::SaveAllConfiguration:
      SaveAllConfiguration();
      break;
    case Command::ActivityLogView:
      MenuTargets::OpenActivityLogView(objects_, this);
      break;
    case Command::StatusAndControl:
      MenuTargets::ShowStatusAndControl(objects_, this);
      break;
    case Command::LastRunDates:
      CommonLastRunViewer::ShowModal(objects_.icons.get(), this);
      break;
    case Command::SourceReadTest:
      // The map loads nothing in this program; the call stays so that a map that does reaches the test.
      if (objects_.aInfoNavigator) objects_.aInfoNavigator->LoadMap();
      CommonTestSource::ShowModal(this);
      break;
    case Command::TestConnection:
      TestVornKrymConnection();
      break;
    case Command::TestImportAll:
      MenuTargets::ImportAllVariables(true);
      break;
    case Command::TestImportSelected:
      MenuTargets::ImportSelectedVariables(true);
      break;
    case Command::UploadDefinition:
      UploadDefinition();
      break;
    case Command::ReleaseNotes:
      OpenSupportPage(true);
      break;
    case Command::UpdatePackages:
      OpenSupportPage(false);
      break;
    case Command::HelpTopic:
      CommonGlobals::ShowHelpTopic(topic);
      break;
    case Command::About:
      CommonHelpAbout::ShowModal(objects_.icons.get(), this);
      break;
  }
}

void CommonUI::TestVornKrymConnection() {
  ConnectionManager cm;
  bool initialised = false;
  try {
    initialised = CommonGlobals::InitVornKrymConnectionManager(cm);
  } catch (const core::RuntimeError& e) {
    // A type or timeout that is not a number makes no manager either.
    objects_.logger->WriteLog("The Krym connection settings cannot be read: " + std::string(e.what()), 0);
  }
  if (!initialised) {
    Boxes()->QalMsgBox("Unable to init Vorn Krym Connection Manager", 48);
    return;
  }
  platform::db::Connection cnn;
  cm.ConfigCnn4QALROOT(cnn);
  std::string error;
  if (!CommonGlobals::ConnectVornKrym(cnn, error, false)) {
    Boxes()->QalMsgBox("Error :\r\n" + error, 48, "Failed to connect to Vorn Krym");
    return;
  }
  cnn.Close();
}

void CommonUI::SaveAllConfiguration() {
  if (CommonGlobals::SaveConfiguration())
    Boxes()->QalMsgBox("Saved successfully", 64);
  else
    Boxes()->QalMsgBox("Unable to save configuration", 48);
}

void CommonUI::UploadDefinition() {
  bool uploaded = false;
  {
    CommonDefUpload upload([this](const std::string& title, const std::string& filter, const std::string& folder) {
      return ChooseDefinitionFile(title, filter, folder);
    });
    uploaded = upload.UploadCurrentDefinition();
  }  // the upload and its connection go before the outcome is told
  if (!uploaded) {
    Boxes()->QalMsgBox("Failed to upload", 0);
    CommonGlobals::ShowStatus("Upload Failed.", 0);
  }
}

std::string CommonUI::ChooseDefinitionFile(const std::string& title, const std::string& filter,
                                           const std::string& folder) {
  // The filter comes as "caption|pattern"; the dialog wants "caption (pattern)".
  const QString text = QString::fromStdString(filter);
  const int bar = text.indexOf('|');
  const QString dialogFilter = bar < 0 ? text : text.left(bar).trimmed() + " (" + text.mid(bar + 1).trimmed() + ")";
  const QString chosen =
      QFileDialog::getOpenFileName(this, QString::fromStdString(title), QString::fromStdString(folder), dialogFilter);
  return chosen.toStdString();
}

void CommonUI::OpenSupportPage(bool releaseNotes) {
  const int answer = Boxes()->QalMsgBox(releaseNotes ? kReleaseNotesPrompt : kUpdatesPrompt, 1 + 32,
                                        releaseNotes ? "Online Release Notes" : "Check New Update Packages");
  if (answer == 2) return;  // Cancel
  // The updates page is named after the product.
  CommonGlobals::ShowHelpTopic(releaseNotes ? kReleaseNotesTopic : objects_.context.app.ProductName);
}

// Exit closes the window, and closing it ends the program: an import that is running (Exit can
// be chosen while it waits) returns after its current database call, and the process ends as
// soon as it has.
void CommonUI::ExitProgram() { close(); }

void CommonUI::closeEvent(QCloseEvent* event) {
  event->accept();
  ProgramEnd::Request();
}
