// The main window's menu tree with its captions and control names, what each item and toolbar
// key runs, and Exit ending the event loop.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

#include "ShellProgram.h"

namespace {

using shelltest::ShellProgram;
using Command = CommonUI::Command;

// A main window that records the commands its menus and toolbar run instead of running them.
class RecordingUI : public CommonUI {
 public:
  using CommonUI::CommonUI;
  void Run(Command command, const std::string& topic) override { runs.push_back({command, topic}); }
  struct Ran {
    Command command;
    std::string topic;
    bool operator==(const Ran&) const = default;
  };
  std::vector<Ran> runs;
};

struct Row {
  int depth;
  std::string caption;  // "-" for a separator
  std::string control;
  bool operator==(const Row&) const = default;
};

void Walk(QMenu* menu, int depth, std::vector<Row>& rows) {
  for (QAction* a : menu->actions()) {
    rows.push_back({depth, a->isSeparator() ? "-" : a->text().toStdString(), a->objectName().toStdString()});
    if (a->menu()) Walk(a->menu(), depth + 1, rows);
  }
}

std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << std::string(static_cast<std::size_t>(r.depth) * 2, ' ') << r.caption << " [" << r.control << "]";
}

class MainWindowMenus : public ShellProgram {};

}  // namespace

TEST_F(MainWindowMenus, TheTreeHasEveryMenuAndItemWithItsCaptionAndControlName) {
  CommonUI& w = OpenMainWindow();
  const std::vector<Row> expected = {
      {0, "&File", "mnuFile"},
      {1, "Import &All", "mnuFileImportAll"},
      {1, "Import For Selected &Variables", "mnuFileImportVariables"},
      {1, "-", "mnuSper12e"},
      {1, "E&xit", "mnuExit"},
      {0, "&Configuration", "mnuSettings"},
      {1, "&Connection to Vorn Krym", "mnuVornSettings"},
      {1, "Co&llector Configuration", "mnuCollector"},
      {1, "&Source Configuration", "mnuSourceSettings"},
      {1, "Automated &Import Configuration", "mnuNtConfig"},
      {1, "&Advanced Configuration", "mnuVornOptions"},
      {1, "-", "mnuPlace"},
      {1, "Sa&ve All Configuration", "mnuSaveConfig"},
      {0, "&Automated Import", "mnuNTmain"},
      {1, "&Activity Log View", "mnuNTActLog"},
      {1, "&Status And Control", "mnuNTstatus"},
      {1, "&Last Run Dates", "mnuLastRun"},
      {0, "&Test", "mnuTest"},
      {1, "&Source Read Test", "mnuTestSource"},
      {1, "-", "mnuSep1"},
      {1, "Test Connection to Vorn Krym", "mnuTestVornKrymCnn"},
      {1, "Test Import All", "mnuTestImportAll"},
      {1, "Test Import For Selected &Variables", "mnuTestSelectedVars"},
      {0, "&Utilities", "mnuUtilities"},
      {1, "Upload definition file to Vorn Krym", "mnuUploadDef"},
      {0, "&Support", "mnuSupport"},
      {1, "&Release Notes", "mnuSupReleaseNotes"},
      {1, "Check for &Update Packages", "mnuSupUpdates"},
      {0, "&Help", "mnuHelp"},
      {1, "&Contents", "mnuContent"},
      {1, "Cha&pters", "mnuChapters"},
      {2, "Step-by-step Configuration Instructions", "mnuStepbyStep"},
      {2, "Introduction", "mnuChapIntro"},
      {2, "How To's", "mnuHelpHowTo"},
      {2, "Main Menu", "mnuHelpMain"},
      {2, "Release Notes", "mnuHelpRN"},
      {3, "Interface", "mnuRNinterface"},
      {3, "Type", "mnuRNType"},
      {3, "Platform", "mnuRNplatform"},
      {2, "Interface Specific Topics", "mnuChapInterTopics"},
      {1, "-", "mnuHelpsp3"},
      {1, "&About", "mnuAbout"},
  };
  std::vector<Row> actual;
  for (QAction* top : w.menuBar()->actions()) {
    actual.push_back({0, top->text().toStdString(), top->objectName().toStdString()});
    if (top->menu()) Walk(top->menu(), 1, actual);
  }
  EXPECT_EQ(actual, expected);
}

TEST_F(MainWindowMenus, EachItemRunsItsCommand) {
  RecordingUI w(*objects_);
  const struct {
    const char* control;
    Command command;
    const char* topic;
  } cases[] = {
      {"mnuFileImportAll", Command::ImportAll, ""},
      {"mnuFileImportVariables", Command::ImportSelected, ""},
      {"mnuExit", Command::Exit, ""},
      {"mnuVornSettings", Command::ConnectionToVornKrym, ""},
      {"mnuCollector", Command::CollectorConfiguration, ""},
      {"mnuSourceSettings", Command::SourceConfiguration, ""},
      {"mnuNtConfig", Command::AutomatedImportConfiguration, ""},
      {"mnuVornOptions", Command::AdvancedConfiguration, ""},
      {"mnuSaveConfig", Command::SaveAllConfiguration, ""},
      {"mnuNTActLog", Command::ActivityLogView, ""},
      {"mnuNTstatus", Command::StatusAndControl, ""},
      {"mnuLastRun", Command::LastRunDates, ""},
      {"mnuTestSource", Command::SourceReadTest, ""},
      {"mnuTestVornKrymCnn", Command::TestConnection, ""},
      {"mnuTestImportAll", Command::TestImportAll, ""},
      {"mnuTestSelectedVars", Command::TestImportSelected, ""},
      {"mnuUploadDef", Command::UploadDefinition, ""},
      {"mnuSupReleaseNotes", Command::ReleaseNotes, ""},
      {"mnuSupUpdates", Command::UpdatePackages, ""},
      {"mnuContent", Command::HelpTopic, "12036"},
      {"mnuStepbyStep", Command::HelpTopic, "12069"},
      {"mnuChapIntro", Command::HelpTopic, "7J4W4X"},
      {"mnuHelpHowTo", Command::HelpTopic, "3J3C8Y"},
      {"mnuHelpMain", Command::HelpTopic, "7A6A1P"},
      {"mnuRNinterface", Command::HelpTopic, "12067"},
      {"mnuRNType", Command::HelpTopic, "12068"},
      {"mnuRNplatform", Command::HelpTopic, "12033"},
      {"mnuChapInterTopics", Command::HelpTopic, "5X7I8P"},
      {"mnuAbout", Command::About, ""},
  };
  for (const auto& c : cases) {
    QAction* item = w.MenuItem(c.control);
    ASSERT_NE(item, nullptr) << c.control;
    w.runs.clear();
    item->trigger();
    EXPECT_EQ(w.runs, (std::vector<RecordingUI::Ran>{{c.command, c.topic}})) << c.control;
  }
  // Menus, submenus and separators run nothing.
  for (const char* control : {"mnuFile", "mnuChapters", "mnuHelpRN", "mnuSper12e", "mnuHelpsp3"}) {
    w.runs.clear();
    w.MenuItem(control)->trigger();
    EXPECT_TRUE(w.runs.empty()) << control;
  }
}

TEST_F(MainWindowMenus, ToolbarKeysRunTheCommandsOfTheirMenuItemsAndOnlyAsTheyStand) {
  RecordingUI w(*objects_);
  const struct {
    const char* key;
    std::vector<RecordingUI::Ran> runs;
  } cases[] = {
      {"wizard", {{Command::ImportAll, ""}}},
      {"selectvar", {{Command::ImportSelected, ""}}},
      {"setup", {{Command::ActivityLogView, ""}}},
      {"help", {{Command::HelpTopic, "12036"}}},
      {"vkrym", {{Command::About, ""}}},
      {"exit", {{Command::Exit, ""}}},
      {"Exit", {}},
      {"WIZARD", {}},
      {"close", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    w.runs.clear();
    w.ToolbarButtonClick(c.key);
    EXPECT_EQ(w.runs, c.runs) << c.key;
  }
  // A click on a button hands its key over.
  w.runs.clear();
  for (QAction* a : w.myToolBar()->actions()) a->trigger();
  ASSERT_EQ(w.runs.size(), 6u);
  EXPECT_EQ(w.runs.back().command, Command::Exit);
}

TEST_F(MainWindowMenus, ExitAndClosingTheWindowEndTheEventLoop) {
  CommonUI& w = OpenMainWindow();
  const std::function<void()> ways[] = {
      [&w] { w.MenuItem("mnuExit")->trigger(); },
      [&w] { windowchecks::Press(w, "exit"); },
      [&w] { w.close(); },
  };
  for (const auto& way : ways) {
    w.show();
    QTimer::singleShot(0, way);
    QTimer guard;  // a way that does not end the loop fails instead of hanging
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(7); });
    guard.start(60000);  // generous for a busy machine: a sound way ends the loop at once
    EXPECT_EQ(QApplication::exec(), 0);
  }
  // "Exit" in another case is no key: the loop goes on until the guard ends it.
  w.show();
  QTimer::singleShot(0, [&w] { w.ToolbarButtonClick("Exit"); });
  QTimer::singleShot(200, [] { QApplication::exit(7); });
  EXPECT_EQ(QApplication::exec(), 7);
}
