#pragma once

// The interactive program as the shell's windows see it, for one test: started by the real
// start-up in a folder of its own (configuration file, log, help pages copied beside it), with
// message boxes and the desktop replaced by recorders, and the Krym target settings aimed at
// the test cluster on request. Modal windows are reached with OnModal.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/mainwindow/CommonUI.h"
#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/ui/MessagePresenter.h"
#include "platform/ui/ShellOpener.h"
#include "support/KrymFixture.h"
#include "support/QtTestApp.h"
#include "support/RecordingShell.h"
#include "support/TestDatabase.h"
#include "support/WindowChecks.h"

namespace shelltest {

namespace fs = std::filesystem;

// Keeps every box; answers from a script, OK once the script is used up.
class RecordingPresenter : public platform::ui::MessagePresenter {
 public:
  struct Box {
    std::string prompt;
    int style;
    std::string title;
  };
  int Show(const std::string& prompt, int style, const std::string& title) override {
    boxes.push_back({prompt, style, title});
    if (answers.empty()) return 1;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<std::string> Prompts() const {
    std::vector<std::string> out;
    for (const Box& b : boxes) out.push_back(b.prompt);
    return out;
  }
  std::vector<Box> boxes;
  std::deque<int> answers;
};

// A desktop that records what it is asked to open.
using testsupport::RecordingShell;

class ShellProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    std::random_device rd;
    folder_ = fs::temp_directory_path() / ("k30418-shell-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(folder_);
    fs::copy(fs::path(K30418_SOURCE_DIR) / "help", folder_ / "help");

    objects_ = std::make_unique<ProgramObjects>();
    objects_->context.app.Path = folder_.string();
    scope_ = std::make_unique<ProgramScope>(objects_->context);
    ASSERT_TRUE(ProgramEntryPoint::Main(*objects_, ""));
    objects_->msgBox->Presenter(&presenter);
    objects_->context.ui.shell = &shell;
  }

  void TearDown() override {
    // Windows go before the objects they borrow (child windows with the main window).
    objects_->mainWindow.reset();
    if (objects_->logger) objects_->logger->closeLog();
    scope_.reset();
    objects_.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  // Shows the main window as start-up does; the desktop and boxes stay the recorders.
  CommonUI& OpenMainWindow() {
    ProgramEntryPoint::StartInteractiveMode(*objects_);
    objects_->context.ui.shell = &shell;
    return *objects_->mainWindow;
  }

  // The Krym target settings of the test cluster; port 0 means the cluster's own port.
  bool PointAtTestKrym(int port = 0) {
    testsupport::TestDatabase db;
    if (!testsupport::RequireDatabase(db)) return false;
    Set("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", db.host);
    Set("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=" + std::to_string(port ? port : db.port) + ";CommLog=0;Debug=0;");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT", "10");
    return true;
  }

  // The DeraRed source settings of a database of the test's own on the test cluster.
  void PointSourceAt(const testsupport::KrymFixture& derared) {
    for (const auto& [key, value] : derared.SourceSettings()) Set("K30418\\" + key, value);
  }

  void Set(const std::string& key, const std::string& value) { objects_->config->item(key, value); }

  // Runs act on the next modal window once it shows, then hides that window, while start()
  // (which shows it) runs. Fails the test when no modal window came.
  void OnModal(const std::function<void()>& start, const std::function<void(QWidget*)>& act) {
    bool seen = false;
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [&seen, &act, poll] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || seen) return;
      seen = true;
      poll->stop();
      act(modal);
      modal->hide();
    });
    poll->start();
    start();
    poll->stop();
    delete poll;
    EXPECT_TRUE(seen) << "no modal window was shown";
  }

  // The log's line texts (after the time stamp), in order.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::ifstream in(objects_->logger->CurrentFilePath());
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::size_t sep = line.find(" : ");
      lines.push_back(sep == std::string::npos ? line : line.substr(sep + 3));
    }
    return lines;
  }

  // The window at the size it opens with, holding what the test put in it: no text cut off,
  // every toolbar button and image button with the icon set's image.
  void ExpectWhole(QWidget& w, const std::vector<std::string>& imageButtons = {}) {
    windowchecks::ExpectWhole(w, *objects_->iconImages, imageButtons);
  }

  std::string HelpPage(const std::string& topic) const { return (folder_ / "help" / (topic + ".html")).string(); }

  RecordingPresenter presenter;
  RecordingShell shell;
  fs::path folder_;
  std::unique_ptr<ProgramObjects> objects_;
  std::unique_ptr<ProgramScope> scope_;
};

}  // namespace shelltest
