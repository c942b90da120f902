#pragma once

#include <QDialog>
#include <string>

#include "platform/ui/ConnectionProgress.h"

class QLabel;
class QProgressBar;

// The progress window inside which a Krym connection opens: a busy bar and "Connecting to Vorn
// Krym...", so that the operator sees activity while the open blocks the window thread. Shown
// modal with ConnectOnActivate set, it opens ConnectionToOpen on its first activation (never
// twice), reports through the main window's activity list and hides itself, which ends the modal
// show; the caller then reads Connected and ErrorText. Shown modeless it is only a splash.
//
// The connection is borrowed and must outlive the window. While its own open is pending or
// running the window cannot be closed through its frame, so the caller always gets an outcome.
class CommonUIConnectProgress : public QDialog, public platform::ui::ConnectionProgressWindow {
  Q_OBJECT

 public:
  explicit CommonUIConnectProgress(QWidget* owner = nullptr);

  void ConnectionToOpen(platform::db::Connection* cnn) override { connectionToOpen_ = cnn; }
  platform::db::Connection* ConnectionToOpen() const override { return connectionToOpen_; }
  void ConnectOnActivate(bool on) override { connectOnActivate_ = on; }
  bool ConnectOnActivate() const override { return connectOnActivate_; }
  bool Connected() const override { return connected_; }
  std::string ErrorText() const override { return errorText_; }

  // owner is a QWidget* (null keeps the owner given at construction).
  void Show(bool modal, void* owner = nullptr) override;
  void Hide() override;

  // Opens cnn with status lines in the activity list; on failure errorText is "number - description".
  bool OpenConnection(platform::db::Connection* cnn, std::string& errorText);

  QProgressBar* progressBar() const { return progressBar_; }
  QLabel* caption() const { return caption_; }

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 public slots:
  void reject() override;

 private:
  void Activated();
  bool Pending() const { return connectOnActivate_ && !done_; }

  platform::db::Connection* connectionToOpen_ = nullptr;
  bool connectOnActivate_ = false;
  bool connected_ = false;
  std::string errorText_;
  bool done_ = false;
  bool busy_ = false;
  QProgressBar* progressBar_ = nullptr;
  QLabel* caption_ = nullptr;
};
