// The main window as start-up shows it: activity list, designation warnings, toolbar.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QToolBar>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/mainwindow/CommonUI.h"
#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "support/QtTestApp.h"
#include "support/WindowChecks.h"

namespace fs = std::filesystem;

namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    folder_ = fs::temp_directory_path() / ("k30418-ui-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    scope_.reset();
    objects_.reset();
    fs::remove_all(folder_);
  }

  // Starts the interactive program with the given designation stored.
  CommonUI& Open(const std::string& designation) {
    {
      ProgramObjects first;
      first.context.app.Path = folder_.string();
      ProgramScope s(first.context);
      EXPECT_TRUE(ProgramEntryPoint::Main(first, ""));
      first.config->item("VORNKRYM\\G2_SERVER_INTERFACE_ID", designation);
      EXPECT_TRUE(first.config->SaveConfig());
    }
    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    EXPECT_TRUE(ProgramEntryPoint::Main(*objects_, ""));
    ProgramEntryPoint::StartInteractiveMode(*objects_);
    return *objects_->mainWindow;
  }

  static std::vector<std::string> Lines(const CommonUI& w) {
    std::vector<std::string> lines;
    for (int i = 0; i < w.lstActivityLog()->count(); ++i)
      lines.push_back(w.lstActivityLog()->item(i)->text().toStdString());
    return lines;
  }

  fs::path folder_;
  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
};

}  // namespace

TEST_F(MainWindow, UndesignatedInstanceShowsTheTwoWarningsAfterTheConfigurationLine) {
  CommonUI& w = Open("0");
  EXPECT_EQ(w.windowTitle().toStdString(),
            "K30418 Vorn Krym Direct Server-Side Interface to FlexSystems DeraRED v1.0.8 - Interactive Mode");
  auto lines = Lines(w);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Configuration loaded from " + (folder_ / "k30418.xml").string());
  EXPECT_EQ(lines[1],
            "WARNING : No designation has been made for this collector instance. Use 'Configuration\\Collector "
            "Configuration' to set it.");
  EXPECT_EQ(lines[2], "Go to 'Help\\Chapters\\Step-by-step Configuration Instructions' for configuration help");

  // The warnings go to the list only, the configuration line to the log too.
  const std::string logFile = objects_->logger->CurrentFilePath();
  objects_->logger->closeLog();
  std::ifstream in(logFile);
  ASSERT_TRUE(in) << "no log at '" << logFile << "'";
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find(lines[0]), std::string::npos) << log;
  EXPECT_EQ(log.find("WARNING : No designation"), std::string::npos) << log;
  EXPECT_EQ(log.find("Step-by-step Configuration Instructions"), std::string::npos) << log;
}

TEST_F(MainWindow, DesignatedInstanceShowsOnlyTheConfigurationLine) {
  CommonUI& w = Open("5");
  EXPECT_EQ(Lines(w).size(), 1u);
}

TEST_F(MainWindow, ClickingALineCopiesItIntoTheStatusBar) {
  CommonUI& w = Open("0");
  w.lstActivityLog()->setCurrentRow(2);
  EXPECT_EQ(w.StatusPanelText().toStdString(), Lines(w)[2]);
}

TEST_F(MainWindow, ToolbarHasItsSixKeysWithImagesAndKeysMatchAsTheyStand) {
  CommonUI& w = Open("5");
  const char* keys[] = {"wizard", "selectvar", "setup", "help", "vkrym", "exit"};
  auto actions = w.myToolBar()->actions();
  ASSERT_EQ(actions.size(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(actions[i]->data().toString().toStdString(), keys[i]);
    EXPECT_FALSE(actions[i]->icon().isNull()) << keys[i];
  }
  // "Activity Log View" has no tool tip: its button shows none, not its caption.
  windowchecks::ExpectToolbar(*w.myToolBar(),
                              {{"Import All", "wizard", "Imports Data For a Specified Date Range"},
                               {"Import For Vars", "selectvar", "Imports Data For a Set of Variables"},
                               {"Activity Log View", "setup", ""},
                               {"Help", "help", "Displays Interface Documentation and Help"},
                               {"About ...", "vkrym", "Displays Information about this interface version"},
                               {"Exit", "exit", "Exists Application"}});
  // "Exit" in another case is no key of this toolbar: nothing happens.
  w.ToolbarButtonClick("Exit");  // the handler itself: no button carries this key
  EXPECT_TRUE(w.isVisible());
}
