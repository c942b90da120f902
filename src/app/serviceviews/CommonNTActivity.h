#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "app/widgets/WatcherLabel.h"

class IconBinding;
class QLabel;
class QPlainTextEdit;
class QToolBar;

// The service activity view: the tail of the service's current log file, newest line first,
// refreshed by the watcher's log timer, and the service's name and state in the status bar. It
// is modeless, may be open several times, and deletes itself when closed. It owns its watcher;
// the icon binding is borrowed and must outlive the window.
class CommonNTActivity : public QMainWindow {
  Q_OBJECT

 public:
  explicit CommonNTActivity(const IconBinding* icons, QWidget* owner = nullptr);
  ~CommonNTActivity() override;

  // Opens a new view, shown modeless over owner; it lives until it is closed.
  static CommonNTActivity* Open(const IconBinding* icons, QWidget* owner);

  // Runs the toolbar action of a key, compared exactly ("Close" is no key here).
  void ToolbarButtonClick(const std::string& key);

  QPlainTextEdit* UI_logview() const { return UI_logview_; }
  QToolBar* myToolBar() const { return myToolBar_; }
  QLabel* HiddenStatus() const { return HiddenStatus_; }
  QLabel* NamePanel() const { return namePanel_; }
  QLabel* StatusPanel() const { return statusPanel_; }
  // Null once the window has closed, and when loading stopped before it was made.
  const QALntSvcWatcher* Watcher() const { return watcher_.get(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class LogBox;

  void BuildToolbar();
  void BuildStatusBar();
  void Load(const IconBinding* icons);

  QPlainTextEdit* UI_logview_ = nullptr;
  QToolBar* myToolBar_ = nullptr;
  QLabel* HiddenStatus_ = nullptr;
  QLabel* namePanel_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  // The watcher borrows these two, so it is declared after them and goes first.
  std::unique_ptr<WatcherLabel> statusAdapter_;
  std::unique_ptr<LogBox> logAdapter_;
  std::unique_ptr<QALntSvcWatcher> watcher_;
};
