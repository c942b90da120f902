#pragma once

#include <QMainWindow>
#include <string>

class QListWidget;
class QToolBar;
class QAction;
struct ProgramObjects;

// The window of the interactive mode: the activity list that every status line reaches, the
// menu bar and toolbar from which every import, test, configuration form and viewer is reached,
// and the status bar. It lives as long as the process; closing it ends the process without
// asking or saving. The window only dispatches: each command calls the routine or opens the
// window that does the work. Child windows are shown modal over it, except the service activity
// view, which is modeless. The program objects are borrowed and outlive the window.
class CommonUI : public QMainWindow {
  Q_OBJECT

 public:
  // What a menu item or toolbar button does.
  enum class Command {
    ImportAll,
    ImportSelected,
    Exit,
    ConnectionToVornKrym,
    CollectorConfiguration,
    SourceConfiguration,
    AutomatedImportConfiguration,
    AdvancedConfiguration,
    SaveAllConfiguration,
    ActivityLogView,
    StatusAndControl,
    LastRunDates,
    SourceReadTest,
    TestConnection,
    TestImportAll,
    TestImportSelected,
    UploadDefinition,
    ReleaseNotes,
    UpdatePackages,
    HelpTopic,
    About,
  };

  explicit CommonUI(ProgramObjects& objects, QWidget* parent = nullptr);

  QListWidget* lstActivityLog() const { return lstActivityLog_; }
  QToolBar* myToolBar() const { return myToolBar_; }
  // The text of the first status-bar panel.
  QString StatusPanelText() const;
  // A menu item, or the entry of a menu or submenu, by its control name ("mnuFileImportAll",
  // "mnuChapters"); null when there is none.
  QAction* MenuItem(const QString& controlName) const;

  // Runs the toolbar action of a key, compared as it stands ("exit" ends the process; any other
  // case of it does nothing).
  void ToolbarButtonClick(const std::string& key);

  // Does what a menu item or toolbar button means; topic names the help page of HelpTopic.
  virtual void Run(Command command, const std::string& topic = "");

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  void Load();
  void ExitProgram();
  void TestVornKrymConnection();
  void SaveAllConfiguration();
  void UploadDefinition();
  void OpenSupportPage(bool releaseNotes);
  std::string ChooseDefinitionFile(const std::string& title, const std::string& filter, const std::string& folder);

  ProgramObjects& objects_;
  QListWidget* lstActivityLog_ = nullptr;
  QToolBar* myToolBar_ = nullptr;
};
