#include "app/forms/CommonUI.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QListWidget>
#include <QStatusBar>
#include <QToolBar>

#include "app/forms/IconBinding.h"
#include "app/startup/ProgramObjects.h"
#include "app/startup/QtUiServices.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/QALConfiguration.h"
#include "import/source/CustomConfiguration.h"

namespace {

struct ToolButton {
  const char* caption;
  const char* key;
  const char* toolTip;
};

constexpr ToolButton kToolButtons[] = {
    {"Import All", "wizard", "Imports Data For a Specified Date Range"},
    {"Import For Vars", "selectvar", "Imports Data For a Set of Variables"},
    {"Activity Log View", "setup", ""},
    {"Help", "help", "Displays Interface Documentation and Help"},
    {"About ...", "vkrym", "Displays Information about this interface version"},
    {"Exit", "exit", "Exists Application"},
};

}  // namespace

CommonUI::CommonUI(ProgramObjects& objects, QWidget* parent) : QMainWindow(parent), objects_(objects) {
  lstActivityLog_ = new QListWidget(this);
  lstActivityLog_->setObjectName("lstActivityLog");
  lstActivityLog_->setFont(QFont("Lucida Console"));
  lstActivityLog_->setToolTip("Interactive Activity Log");
  setCentralWidget(lstActivityLog_);
  connect(lstActivityLog_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (auto* item = lstActivityLog_->item(row)) statusBar()->showMessage(item->text());
  });
  statusBar()->setObjectName("StatusBar1");
  BuildToolbar();
  resize(800, 500);

  // From now on status lines reach this window's list.
  objects_.ui->AttachActivityList(lstActivityLog_);
  objects_.context.ui = objects_.ui->Services();
  Load();
}

QString CommonUI::StatusPanelText() const { return statusBar()->currentMessage(); }

void CommonUI::BuildToolbar() {
  myToolBar_ = addToolBar("myToolBar");
  myToolBar_->setObjectName("myToolBar");
  myToolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  myToolBar_->setMovable(false);
  for (const auto& b : kToolButtons) {
    QAction* action = myToolBar_->addAction(b.caption);
    action->setIconText(b.caption);  // as written: Qt would drop the trailing dots
    action->setData(QString(b.key));
    if (*b.toolTip) action->setToolTip(b.toolTip);
    const std::string key = b.key;
    connect(action, &QAction::triggered, this, [this, key] { ToolbarButtonClick(key); });
  }
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
  if (key == "help") {
    CommonGlobals::ShowHelpTopic("12036");
  } else if (key == "exit") {
    ExitProgram();
  }
}

void CommonUI::ExitProgram() { QApplication::exit(0); }

void CommonUI::closeEvent(QCloseEvent* event) {
  event->accept();
  ExitProgram();
}
