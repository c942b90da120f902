#pragma once

#include <QMainWindow>
#include <string>

class QListWidget;
class QToolBar;
class QAction;
struct ProgramObjects;

// The window of the interactive mode: the activity list that every status line
// reaches, the toolbar and the status bar. It lives as long as the process;
// closing it ends the process without asking or saving. The window only
// dispatches: each action calls the routine that does the work.
class CommonUI : public QMainWindow {
  Q_OBJECT

 public:
  explicit CommonUI(ProgramObjects& objects, QWidget* parent = nullptr);

  QListWidget* lstActivityLog() const { return lstActivityLog_; }
  QToolBar* myToolBar() const { return myToolBar_; }
  // The text of the first status-bar panel.
  QString StatusPanelText() const;

  // Runs the toolbar action of a key, compared as it stands ("exit" ends the
  // process; any other case of it does nothing).
  void ToolbarButtonClick(const std::string& key);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildToolbar();
  void Load();
  void ExitProgram();

  ProgramObjects& objects_;
  QListWidget* lstActivityLog_ = nullptr;
  QToolBar* myToolBar_ = nullptr;
};
