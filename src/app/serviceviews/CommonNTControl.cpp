#include "app/serviceviews/CommonNTControl.h"

#include <QGroupBox>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/widgets/IconBinding.h"
#include "app/widgets/ToolbarButtons.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALmsgBoxHandler.h"

namespace {

std::string Setting(const char* key) {
  QALConfiguration* config = Program().config;
  return config ? config->item(key) : std::string();
}

}  // namespace

CommonNTControl::CommonNTControl(const IconBinding* icons, QWidget* owner) : QDialog(owner) {
  setObjectName("CommonNTControl");
  setWindowTitle("NT Service Status and Control");
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  BuildToolbar();
  layout->addWidget(myToolBar_);

  auto* frame = new QGroupBox("Status", this);
  auto* frameLayout = new QVBoxLayout(frame);
  UIsvcLabel_ = new QLabel("Stopped", frame);
  UIsvcLabel_->setObjectName("UIsvcLabel");
  UIsvcLabel_->setAlignment(Qt::AlignCenter);
  UIsvcLabel_->setMinimumHeight(40);
  QFont big = UIsvcLabel_->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  UIsvcLabel_->setFont(big);
  frameLayout->addWidget(UIsvcLabel_);
  auto* note = new QLabel("You must be a Windows Administrator in order to start or stop services", frame);
  note->setWordWrap(true);
  frameLayout->addWidget(note);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(9, 6, 9, 6);
  body->addWidget(frame);
  layout->addLayout(body, 1);

  SB_ = new QStatusBar(this);
  SB_->setObjectName("SB");
  SB_->setSizeGripEnabled(false);
  namePanel_ = new QLabel(SB_);
  namePanel_->setObjectName("name");
  namePanel_->setToolTip("Name of the Service currently monitored");
  SB_->addWidget(namePanel_, 1);
  layout->addWidget(SB_);
  resize(420, 220);

  labelAdapter_ = std::make_unique<WatcherLabel>(UIsvcLabel_);
  Load(icons);
}

CommonNTControl::~CommonNTControl() = default;

void CommonNTControl::ShowModal(const IconBinding* icons, QWidget* owner) {
  CommonNTControl view(icons, owner);
  view.exec();
}

void CommonNTControl::BuildToolbar() {
  myToolBar_ = new QToolBar("myToolBar", this);
  myToolBar_->setObjectName("myToolBar");
  myToolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolbarButtons::Add(myToolBar_,
                      {{"Start Service", "add", "Attempts to start service"},
                       {"Stop Service", "stop", "Attempts to stop service"},
                       {"Help", "help", "Displays Help Article"},
                       {"Close", "Close", "Closes this form"}},
                      [this](const std::string& key) { ToolbarButtonClick(key); });
}

std::int32_t CommonNTControl::RefreshSeconds(const std::string& text) {
  // Held to the range before the whole-number conversion, so a huge number is 99, not an overflow.
  return CommonGlobals::ClampedNumber(text, 1, 99, 99);
}

void CommonNTControl::Load(const IconBinding* icons) {
  if (icons) icons->initToolbar(myToolBar_);
  watcher_ = std::make_unique<QALntSvcWatcher>();
  if (watcher_->Init(reinterpret_cast<std::intptr_t>(this))) {
    std::string error;
    if (!watcher_->InitServiceControl(Setting("OPTIONS\\INSTANCE_SERVICE_NAME"), labelAdapter_.get(), error)) {
      if (QALmsgBoxHandler* box = Program().msgBox)
        box->QalMsgBox("Failed to Initialize Service Control for the following reason : \r\n" + error, 0);
    } else {
      namePanel_->setText(QString::fromStdString(watcher_->NTserviceNAME()));
    }
  }
  // Without a service the watcher leaves its status timer off.
  watcher_->EnableStatusAutoRefresh(RefreshSeconds(Setting("OPTIONS\\REFRESH_STATUS_SECONDS")));
}

void CommonNTControl::ToolbarButtonClick(const std::string& key) {
  const std::string k = core::LCase(key);
  if (k == "add" || k == "stop") {
    // A request that cannot be made or is refused says why; the label shows the state either way.
    const bool start = k == "add";
    std::string error;
    if (!(start ? watcher_->StartNTservice(error) : watcher_->StopNTservice(error))) {
      if (QALmsgBoxHandler* box = Program().msgBox)
        box->QalMsgBox(std::string("Failed to ") + (start ? "start" : "stop") +
                           " the service for the following reason : \r\n" + error,
                       0);
    }
  } else if (k == "help") {
    CommonGlobals::ShowHelpTopic("12047");
  } else if (k == "close") {
    reject();  // hides the view, which ends its modal show
  }
}
