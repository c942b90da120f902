// What the main window's commands do for real: the connection test against the test Krym,
// Save All Configuration, help pages and the support items, and the windows and sessions the
// menus and toolbar open.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QListWidget>

#include "ShellProgram.h"
#include "app/tools/CommonHelpAbout.h"
#include "app/tools/CommonLastRunViewer.h"
#include "app/serviceviews/CommonNTActivity.h"
#include "app/serviceviews/CommonNTControl.h"
#include "app/tools/CommonTestSource.h"

namespace {

class MainWindowActions : public shelltest::ShellProgram {
 protected:
  std::vector<std::string> ListLines(const CommonUI& w) const {
    std::vector<std::string> lines;
    for (int i = 0; i < w.lstActivityLog()->count(); ++i)
      lines.push_back(w.lstActivityLog()->item(i)->text().toStdString());
    return lines;
  }
  static std::function<bool(QWidget*)> IsA(const char* className) {
    return [className](QWidget* m) { return std::string(m->metaObject()->className()) == className; };
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

}  // namespace

TEST_F(MainWindowActions, TheConnectionTestShowsABoxOnlyWhenItFails) {
  CommonUI& w = OpenMainWindow();
  ASSERT_TRUE(PointAtTestKrym());
  w.MenuItem("mnuTestVornKrymCnn")->trigger();
  EXPECT_TRUE(presenter.boxes.empty()) << presenter.Prompts().front();
  EXPECT_TRUE(Has(ListLines(w), "Connection to Vorn Krym was established."));

  ASSERT_TRUE(PointAtTestKrym(1));  // nobody listens there
  w.MenuItem("mnuTestVornKrymCnn")->trigger();
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt.rfind("Error :\r\n", 0), 0u) << presenter.boxes[0].prompt;
  EXPECT_GT(presenter.boxes[0].prompt.size(), std::string("Error :\r\n").size()) << "the connect error's text";
  // The driver's message keeps its own line break (it writes "Connection refused", a break and
  // an indented "Is the server running ..."): the box shows the second line as a line.
  EXPECT_NE(presenter.boxes[0].prompt.find("Connection refused\nIs the server running"), std::string::npos)
      << presenter.boxes[0].prompt;
  EXPECT_EQ(presenter.boxes[0].style, 48);
  EXPECT_EQ(presenter.boxes[0].title, "Failed to connect to Vorn Krym");
  EXPECT_TRUE(Has(ListLines(w), "Failed to Connect to Vorn Krym."));

  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", ""}, {"VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "two"}}) {
    ASSERT_TRUE(PointAtTestKrym());
    Set(key, value);
    presenter.boxes.clear();
    w.MenuItem("mnuTestVornKrymCnn")->trigger();
    ASSERT_EQ(presenter.boxes.size(), 1u) << key;
    EXPECT_EQ(presenter.boxes[0].prompt, "Unable to init Vorn Krym Connection Manager") << key;
    EXPECT_EQ(presenter.boxes[0].style, 48) << key;
  }
}

TEST_F(MainWindowActions, SaveAllConfigurationSaysWhetherTheFileWasWritten) {
  CommonUI& w = OpenMainWindow();
  Set("OPTIONS\\LOG_VERBOSITY", "3");
  w.MenuItem("mnuSaveConfig")->trigger();
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Saved successfully");
  EXPECT_EQ(presenter.boxes[0].style, 64);
  EXPECT_EQ(presenter.boxes[0].title, objects_->context.app.Title) << "no title of its own";
  std::ifstream in(folder_ / "k30418.xml");
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_NE(ss.str().find("LOG_VERBOSITY"), std::string::npos);

  objects_->config->path((folder_ / "missing" / "k30418.xml").string());
  Set("OPTIONS\\LOG_VERBOSITY", "4");
  presenter.boxes.clear();
  w.MenuItem("mnuSaveConfig")->trigger();
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Unable to save configuration");
  EXPECT_EQ(presenter.boxes[0].style, 48);
}

TEST_F(MainWindowActions, HelpItemsAndTheHelpButtonOpenTheirPages) {
  CommonUI& w = OpenMainWindow();
  windowchecks::Press(w, "help");
  w.MenuItem("mnuChapIntro")->trigger();
  w.MenuItem("mnuRNplatform")->trigger();
  EXPECT_EQ(shell.opened, (std::vector<std::string>{HelpPage("12036"), HelpPage("7J4W4X"), HelpPage("12033")}));
}

TEST_F(MainWindowActions, SupportItemsAskFirstAndOpenTheLocalPagesOnlyAfterOK) {
  CommonUI& w = OpenMainWindow();
  presenter.answers = {2, 2};  // Cancel both
  w.MenuItem("mnuSupReleaseNotes")->trigger();
  w.MenuItem("mnuSupUpdates")->trigger();
  EXPECT_TRUE(shell.opened.empty());
  ASSERT_EQ(presenter.boxes.size(), 2u);
  EXPECT_EQ(presenter.boxes[0].title, "Online Release Notes");
  EXPECT_EQ(presenter.boxes[1].title, "Check New Update Packages");
  for (const auto& box : presenter.boxes) {
    EXPECT_EQ(box.style, 33) << "OK and Cancel with the question icon";
    const std::string note = "\r\n\r\nNo information is sent to or from the maker.";
    EXPECT_EQ(box.prompt.substr(box.prompt.size() - note.size()), note) << box.prompt;
  }
  EXPECT_NE(presenter.boxes[1].prompt.find("to check for new update packages for this interface"), std::string::npos);

  // OK: the release notes, and the page named after the product.
  w.MenuItem("mnuSupReleaseNotes")->trigger();
  w.MenuItem("mnuSupUpdates")->trigger();
  EXPECT_EQ(shell.opened, (std::vector<std::string>{HelpPage("12067"), HelpPage("30418")}));
}

TEST_F(MainWindowActions, ChildWindowsOpenModalOverTheMainWindow) {
  CommonUI& w = OpenMainWindow();
  const struct {
    const char* what;
    std::function<void()> open;
    std::function<bool(QWidget*)> isIt;
  } cases[] = {
      {"About from the toolbar", [&w] { windowchecks::Press(w, "vkrym"); },
       [](QWidget* m) {
         auto* about = qobject_cast<CommonHelpAbout*>(m);
         return about && about->Cell(7, 4) == "30418";
       }},
      {"About from the menu", [&w] { w.MenuItem("mnuAbout")->trigger(); },
       [](QWidget* m) { return qobject_cast<CommonHelpAbout*>(m) != nullptr; }},
      {"Last Run Dates", [&w] { w.MenuItem("mnuLastRun")->trigger(); },
       [](QWidget* m) { return qobject_cast<CommonLastRunViewer*>(m) != nullptr; }},
      {"Source Read Test", [&w] { w.MenuItem("mnuTestSource")->trigger(); },
       [](QWidget* m) { return qobject_cast<CommonTestSource*>(m) != nullptr; }},
      {"Status And Control", [&w] { w.MenuItem("mnuNTstatus")->trigger(); },
       [](QWidget* m) { return qobject_cast<CommonNTControl*>(m) != nullptr; }},
      {"Connection to Vorn Krym", [&w] { w.MenuItem("mnuVornSettings")->trigger(); }, IsA("CommonConfigVornKrym")},
      {"Collector Configuration", [&w] { w.MenuItem("mnuCollector")->trigger(); }, IsA("CommonConfigCollector")},
      {"Source Configuration", [&w] { w.MenuItem("mnuSourceSettings")->trigger(); }, IsA("CustomConfig")},
      {"Automated Import Configuration", [&w] { w.MenuItem("mnuNtConfig")->trigger(); }, IsA("CommonConfigNTSvc")},
      {"Advanced Configuration", [&w] { w.MenuItem("mnuVornOptions")->trigger(); }, IsA("CommonConfigAdvanced")},
  };
  for (const auto& c : cases) {
    bool right = false;
    QWidget* parent = nullptr;
    OnModal(c.open, [&](QWidget* modal) {
      right = c.isIt(modal);
      parent = modal->parentWidget();
    });
    EXPECT_TRUE(right) << c.what;
    EXPECT_EQ(parent, &w) << c.what;
  }
}

TEST_F(MainWindowActions, TheActivityLogViewOpensModelessAndMayBeOpenSeveralTimes) {
  CommonUI& w = OpenMainWindow();
  windowchecks::Press(w, "setup");
  w.MenuItem("mnuNTActLog")->trigger();
  const auto views = w.findChildren<CommonNTActivity*>();
  EXPECT_EQ(views.size(), 2);
  for (CommonNTActivity* v : views) EXPECT_TRUE(v->isVisible() && !v->isModal());
  for (CommonNTActivity* v : views) v->close();
}

TEST_F(MainWindowActions, ImportsFromTheMenusAndToolbarReachTheSession) {
  CommonUI& w = OpenMainWindow();
  Set("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "");  // the session stops at its first step
  const std::function<void()> ways[] = {
      [&w] { windowchecks::Press(w, "wizard"); },
      [&w] { windowchecks::Press(w, "selectvar"); },
      [&w] { w.MenuItem("mnuFileImportAll")->trigger(); },
      [&w] { w.MenuItem("mnuTestImportAll")->trigger(); },
      [&w] { w.MenuItem("mnuTestSelectedVars")->trigger(); },
  };
  for (const auto& way : ways) {
    presenter.boxes.clear();
    way();
    EXPECT_EQ(presenter.Prompts(), std::vector<std::string>{"Unable to init Vorn Krym Connection Manager"});
  }
}

TEST_F(MainWindowActions, AnUploadWithoutAChosenPackageIsReportedAsFailed) {
  CommonUI& w = OpenMainWindow();
  ASSERT_TRUE(PointAtTestKrym());
  QString title;
  OnModal([&w] { w.MenuItem("mnuUploadDef")->trigger(); },
          [&title](QWidget* modal) {
            title = modal->windowTitle();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
          });
  EXPECT_EQ(title.toStdString(), "Please Locate your new Definition File.");
  EXPECT_EQ(presenter.Prompts(), std::vector<std::string>{"Failed to upload"});
  EXPECT_EQ(presenter.boxes.back().style, 0);
  EXPECT_EQ(ListLines(w).back(), "Upload Failed.");
}
