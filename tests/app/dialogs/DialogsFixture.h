#pragma once

// What a dialog test stands on: the program context with a configuration, a log and recorded
// message boxes (those of the message handler apart from the plain ones shown directly), help
// pages that record their opening, an activity list that keeps its lines, the program's icons,
// and, for the tests that reach Krym, the configuration pointed at the test cluster.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/widgets/IconBinding.h"
#include "core/Clock.h"
#include "foundation/IconManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/DefaultKeyTree.h"
#include "platform/os/ScopedTimeZone.h"
#include "platform/qt/QtIconImages.h"
#include "platform/ui/ActivityList.h"
#include "platform/ui/MessagePresenter.h"
#include "platform/ui/ShellOpener.h"
#include "support/QtTestApp.h"
#include "support/TestDatabase.h"
#include "support/WindowChecks.h"

namespace dialogtest {

struct Box {
  std::string prompt;
  int style;
  std::string title;
};

class RecordingPresenter : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string& prompt, int style, const std::string& title) override {
    boxes.push_back({prompt, style, title});
    return 1;
  }
  std::vector<std::string> Prompts() const {
    std::vector<std::string> out;
    for (const Box& b : boxes) out.push_back(b.prompt);
    return out;
  }
  std::vector<Box> boxes;
};

class RecordingShell : public platform::ui::ShellOpener {
 public:
  bool OpenUrl(const std::string& target) override {
    opened.push_back(std::filesystem::path(target).filename().string());
    return true;
  }
  std::vector<std::string> opened;  // page file names: "12057.html"
};

class RecordingActivityList : public platform::ui::ActivityList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  void AddItem(const std::string& text) override { lines.push_back(text); }
  void RemoveItem(int index) override { lines.erase(lines.begin() + index); }
  void Clear() override { lines.clear(); }
  std::string Item(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  void SelectLast() override {}
  std::vector<std::string> lines;
};

// The application exists before any widget or image of the fixture is made.
struct AppReady {
  AppReady() { qttest::App(); }
};

class DialogsTest : public AppReady, public ::testing::Test {
 protected:
  DialogsTest() {
    std::random_device rd;
    folder_ =
        std::filesystem::temp_directory_path() / ("k30418-dialogs-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(folder_ / "help");
    for (const char* topic : {"12055", "12056", "12057", "12058", "12059"})
      std::ofstream(folder_ / "help" / (std::string(topic) + ".html")) << "<html></html>";

    logger_ = std::make_unique<QALLoggerTXT>(folder_.string(), "k30418");
    logger_->LogPath((folder_ / "log").string());
    logger_->Enabled(true);
    logger_->Verbosity(9);
    DefaultKeyTree::DefineStartupKeys(config, "k30418", core::SystemClock::Instance().Now());
    config.LogHandler(logger_.get());
    config.path((folder_ / "k30418.xml").string());
    msgBox_.LogHandler(logger_.get());
    msgBox_.Presenter(&boxes);

    ctx_.app.Path = folder_.string();
    ctx_.app.Title = "K30418 Test";
    ctx_.app.HelpFile = (folder_ / "help").string();
    ctx_.config = &config;
    ctx_.logger = logger_.get();
    ctx_.msgBox = &msgBox_;
    ctx_.ui.messages = &plainBoxes;
    ctx_.ui.shell = &shell;
    ctx_.ui.activityList = &activity;
    ctx_.clock = &clock;
    icons = std::make_unique<IconBinding>(iconManager_, iconImages_);
  }

  ~DialogsTest() override {
    logger_->closeLog();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // The Krym connection settings of the configuration, pointed at the test cluster.
  bool UseTestKrym() {
    if (!testsupport::RequireDatabase(cluster)) return false;
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", cluster.host);
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=" + std::to_string(cluster.port) + ";CommLog=0;Debug=0;");
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT", "10");
    return true;
  }

  ProgramContext& Context() { return ctx_; }
  bool LoggedContaining(const std::string& part) {
    logger_->closeLog();
    std::ifstream in(logger_->CurrentFilePath());
    std::string line;
    while (std::getline(in, line))
      if (line.find(part) != std::string::npos) return true;
    return false;
  }

  // The dialog at the size it opens with, holding what the test put in it: no text cut off,
  // every toolbar button and image button with the icon set's image.
  void ExpectWhole(QWidget& w, const std::vector<std::string>& imageButtons = {}) const {
    windowchecks::ExpectWhole(w, iconImages_, imageButtons);
  }

  // The helpers below serve tests without this fixture too.
 public:
  // Runs act on the first modal dialog of type D to show, once it is up (a modal show blocks
  // its caller). The dialog must be ended by act, or the test hangs until its time-out.
  template <class D>
  static void WhenShown(std::function<void(D&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
      auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
      if (!dialog || !dialog->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      act(*dialog);
    });
    timer->start();
  }

  // A close through the window frame.
  static void CloseThroughFrame(QWidget& w) { w.close(); }

  QALConfiguration config;
  core::ManualClock clock{core::Date::FromParts(2024, 3, 15, 14, 37, 52)};
  RecordingPresenter boxes;       // through the message handler
  RecordingPresenter plainBoxes;  // shown directly
  RecordingShell shell;
  RecordingActivityList activity;
  testsupport::TestDatabase cluster;
  std::unique_ptr<IconBinding> icons;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<QALLoggerTXT> logger_;
  QALmsgBoxHandler msgBox_;
  IconManager iconManager_;
  platform::qt::QtIconImages iconImages_;
  ProgramContext ctx_;
  ProgramScope scope_{ctx_};
};

}  // namespace dialogtest
