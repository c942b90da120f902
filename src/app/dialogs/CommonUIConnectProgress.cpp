#include "app/dialogs/CommonUIConnectProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "foundation/ProgramContext.h"
#include "platform/db/Connection.h"
#include "platform/qt/QtWindowFit.h"
#include "platform/ui/ActivityList.h"

namespace {

// The lines go to the list directly: they are shown, not logged.
void AddActivityLine(const std::string& line) {
  if (platform::ui::ActivityList* list = Program().ui.activityList) {
    list->AddItem(line);
    list->SelectLast();
  }
}

}  // namespace

CommonUIConnectProgress::CommonUIConnectProgress(QWidget* owner) : QDialog(owner) {
  setObjectName("CommonUIConnectProgress");
  setWindowTitle("Vorn Krym");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  caption_ = new QLabel("Connecting to Vorn Krym...", this);
  caption_->setObjectName("Label1");
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName("ProgressBar1");
  progressBar_->setRange(0, 0);  // busy: the open reports no progress of its own
  progressBar_->setTextVisible(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption_);
  layout->addWidget(progressBar_);
  setMinimumWidth(320);
  platform::qt::FitWidthToTitle(this);
}

void CommonUIConnectProgress::Show(bool modal, void* owner) {
  if (auto* widget = static_cast<QWidget*>(owner)) setParent(widget, windowFlags());
  if (modal) {
    setWindowModality(Qt::ApplicationModal);
    exec();
  } else {
    setWindowModality(Qt::NonModal);
    show();
    raise();
  }
}

void CommonUIConnectProgress::Hide() { hide(); }

void CommonUIConnectProgress::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && Pending())
    QTimer::singleShot(0, this, &CommonUIConnectProgress::Activated);
}

void CommonUIConnectProgress::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window system that never activates the window (no focus, offscreen) still gets its
  // connection: showing counts as the first activation. Queued, so that a modal show has
  // entered its loop before the window hides itself.
  if (Pending()) QTimer::singleShot(0, this, &CommonUIConnectProgress::Activated);
}

void CommonUIConnectProgress::Activated() {
  if (!Pending()) return;
  done_ = true;
  busy_ = true;
  connected_ = OpenConnection(connectionToOpen_, errorText_);
  QApplication::processEvents();
  busy_ = false;
  hide();
}

bool CommonUIConnectProgress::OpenConnection(platform::db::Connection* cnn, std::string& errorText) {
  try {
    if (!cnn) core::Raise(91, "CommonUIConnectProgress.OpenConnection");
    AddActivityLine("Connecting to Vorn Krym server '" + cnn->Property("Data Source") + "' ...");
    // Paint the line and the window before the open blocks.
    QApplication::processEvents();
    cnn->Open();
    AddActivityLine("Connection to Vorn Krym was established.");
    return true;
  } catch (const core::RuntimeError& e) {
    errorText = std::to_string(e.Number()) + " - " + core::WindowText(e.Description());
  } catch (const std::exception& e) {
    errorText = "51 - " + core::WindowText(e.what());
  }
  AddActivityLine("Failed to Connect to Vorn Krym.");
  return false;
}

void CommonUIConnectProgress::closeEvent(QCloseEvent* event) {
  if (busy_ || Pending()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void CommonUIConnectProgress::reject() {
  // Escape must not end the show before the connection has its outcome.
  if (busy_ || Pending()) return;
  QDialog::reject();
}
