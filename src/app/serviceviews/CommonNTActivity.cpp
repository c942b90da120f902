#include "app/serviceviews/CommonNTActivity.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>

#include "app/widgets/FixedPitchFont.h"
#include "app/widgets/IconBinding.h"
#include "app/widgets/ToolbarButtons.h"
#include "core/RuntimeError.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/ui/ShellOpener.h"

namespace {

std::string Setting(const char* key) {
  QALConfiguration* config = Program().config;
  return config ? config->item(key) : std::string();
}

// A refresh setting as a 32-bit whole number. The advanced options form only ever stores whole
// numbers; a hand-edited text that is none falls back to the key's default, and says so.
std::int32_t RefreshSetting(const char* key, std::int32_t fallback) {
  const std::string text = Setting(key);
  try {
    return core::Value(text).ToLong();
  } catch (const core::RuntimeError&) {
    CommonGlobals::ShowStatus(
        "Invalid value '" + text + "' for '" + key + "'. Will use " + std::to_string(fallback) + ".", 0);
    return fallback;
  }
}

void Say(const std::string& prompt) {
  if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(prompt, 0);
}

}  // namespace

// The log view as the watcher's text box. The log's lines end in CR LF; the view shows lines.
class CommonNTActivity::LogBox : public QALntSvcWatcher::TextBox {
 public:
  explicit LogBox(QPlainTextEdit* view) : view_(view) {}
  void Text(const std::string& text) override {
    view_->setPlainText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  }

 private:
  QPlainTextEdit* view_;
};

CommonNTActivity::CommonNTActivity(const IconBinding* icons, QWidget* owner) : QMainWindow(owner, Qt::Window) {
  setObjectName("CommonNTActivity");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("NT Service Activity View");

  UI_logview_ = new QPlainTextEdit(this);
  UI_logview_->setObjectName("UI_logview");
  UI_logview_->setReadOnly(true);
  UI_logview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  UI_logview_->setFont(FixedPitchFont("Lucida Console"));
  // The main window's layout puts the box between the toolbar and the status bar at any size.
  setCentralWidget(UI_logview_);

  HiddenStatus_ = new QLabel("Hidden Label", this);
  HiddenStatus_->setObjectName("HiddenStatus");
  HiddenStatus_->setVisible(false);

  BuildToolbar();
  BuildStatusBar();
  resize(720, 420);

  statusAdapter_ = std::make_unique<WatcherLabel>(HiddenStatus_, [this](const QString& caption) {
    statusPanel_->setText(caption);  // the hidden label's changes show in the second panel
  });
  logAdapter_ = std::make_unique<LogBox>(UI_logview_);
  Load(icons);
}

CommonNTActivity::~CommonNTActivity() = default;

CommonNTActivity* CommonNTActivity::Open(const IconBinding* icons, QWidget* owner) {
  auto* view = new CommonNTActivity(icons, owner);
  view->show();
  return view;
}

void CommonNTActivity::BuildToolbar() {
  myToolBar_ = addToolBar("myToolBar");
  myToolBar_->setObjectName("myToolBar");
  myToolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  myToolBar_->setMovable(false);
  ToolbarButtons::Add(myToolBar_,
                      {{"Refresh", "refresh", "Manually refreshes log file view"},
                       {"View Full Log", "order", "Opens full Log File"},
                       {"Help", "help", "Displays Help Article"},
                       {"Close", "close", "Closes this form"}},
                      [this](const std::string& key) { ToolbarButtonClick(key); });
}

void CommonNTActivity::BuildStatusBar() {
  QStatusBar* sb = statusBar();
  sb->setObjectName("SB");
  namePanel_ = new QLabel(sb);
  namePanel_->setObjectName("name");
  namePanel_->setToolTip("Name of the Service currently monitored");
  statusPanel_ = new QLabel(sb);
  statusPanel_->setObjectName("status");
  statusPanel_->setToolTip("Status of Service currently monitored");
  sb->addWidget(namePanel_, 1);
  sb->addWidget(statusPanel_, 1);
}

void CommonNTActivity::Load(const IconBinding* icons) {
  if (icons) {
    icons->initToolbar(myToolBar_);
    icons->InitForm(this, "vkrym");
  }
  const std::string serviceName = Setting("OPTIONS\\INSTANCE_SERVICE_NAME");
  setWindowTitle(QString::fromStdString("NT Service Activity View for '" + serviceName + "'"));

  watcher_ = std::make_unique<QALntSvcWatcher>();
  if (!watcher_->Init(reinterpret_cast<std::intptr_t>(this))) return;
  std::string error;
  if (!watcher_->InitServiceControl(serviceName, statusAdapter_.get(), error)) {
    Say("Failed to Initialize Service Control for the following reason : \r\n" + error);
    return;
  }
  namePanel_->setText(QString::fromStdString(watcher_->NTserviceNAME()));
  if (!watcher_->InitLogView(logAdapter_.get(), error)) {
    Say("Failed to Initialize Log View for the following reason : \r\n" + error);
    return;
  }
  // Only the log timer runs here: the state in the status bar is the one found while loading.
  watcher_->EnableLogAutoRefresh(RefreshSetting("OPTIONS\\REFRESH_LOG_SECONDS", 2),
                                 RefreshSetting("OPTIONS\\REFRESH_LOGSIZE", 4096));
}

void CommonNTActivity::ToolbarButtonClick(const std::string& key) {
  if (key == "refresh") {
    if (watcher_) watcher_->RefreshLog();
  } else if (key == "order") {
    const std::string path = watcher_ ? watcher_->LastLogFilePath() : std::string();
    platform::ui::ShellOpener* shell = Program().ui.shell;
    if (!path.empty() && shell) shell->OpenUrl(path);
  } else if (key == "help") {
    CommonGlobals::ShowHelpTopic("12049");
  } else if (key == "close") {
    close();
  }
}

void CommonNTActivity::closeEvent(QCloseEvent* event) {
  watcher_.reset();  // stops the log timer now, not when the window is finally deleted
  event->accept();
}
