#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "foundation/commonglobals/Fakes.h"
#include "foundation/commonglobals/TempFolder.h"
#include "platform/ui/MessagePresenter.h"
#include "support/TestDatabase.h"

// A message presenter that keeps every box it is asked to show and answers OK.
class RecordingPresenter : public platform::ui::MessagePresenter {
 public:
  struct Box {
    std::string prompt;
    int style;
    std::string title;
  };
  int Show(const std::string& prompt, int style, const std::string& title) override {
    boxes.push_back({prompt, style, title});
    return 1;
  }
  std::vector<Box> boxes;
};

// The program as the Krym writers and file stores see it, for one test: an interactive
// program whose folder is a temporary folder of its own, a real logger there (every level, each
// line straight to its file), an activity list and a message presenter that record what they
// get, a settable clock, and the Krym target settings. PointAtTestKrym aims those settings at
// the test cluster, the way an installation points them at its server.
class KrymProgram {
 public:
  KrymProgram() : logger_(dir_.Str(), "k30418", clock_), scope_(ctx_) {
    logger_.LogPath(dir_.Str() + "/log");
    logger_.BufferLength(1);
    logger_.Enabled(true);
    logger_.Verbosity(9);
    msgBox_.LogHandler(&logger_);
    msgBox_.Presenter(&presenter_);
    config_.DefineTree("VORNKRYM", "");
    config_.DefineTree(kType, "2");
    config_.DefineTree(kProvider, "SQLNCLI");
    config_.DefineTree(kDataSource, "type_in_name_of_your_datasource");
    config_.DefineTree(kCustomizations, "");
    config_.DefineTree(kTimeout, "15");
    config_.DefineTree(kCommandTimeout, "30");
    ctx_.app.Path = dir_.Str();
    ctx_.logger = &logger_;
    ctx_.msgBox = &msgBox_;
    ctx_.config = &config_;
    ctx_.clock = &clock_;
    ctx_.ui.activityList = &list_;
  }

  // The target settings of the test cluster (SQL Server shape over psqlODBC); a port of its own
  // makes a server that is not there. False, with the test failed, without a cluster.
  bool PointAtTestKrym(int port = 0) {
    testsupport::TestDatabase db;
    if (!testsupport::RequireDatabase(db)) return false;
    config_.item(kType, "2");
    config_.item(kProvider, "PostgreSQL Unicode");
    config_.item(kDataSource, db.host);
    config_.item(kCustomizations, "Port=" + std::to_string(port ? port : db.port) + ";CommLog=0;Debug=0;");
    config_.item(kTimeout, "10");
    config_.item(kCommandTimeout, "30");
    return true;
  }

  // The log's lines so far, time stamps taken off.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    if (logger_.CurrentFilePath().empty()) return lines;
    std::istringstream in(TempFolder::Read(logger_.CurrentFilePath()));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::size_t sep = line.find(" : ");
      lines.push_back(sep == std::string::npos ? line : line.substr(sep + 3));
    }
    return lines;
  }
  bool Logged(const std::string& line) const {
    for (const std::string& l : LogLines())
      if (l == line) return true;
    return false;
  }
  bool LoggedStartingWith(const std::string& start) const {
    for (const std::string& l : LogLines())
      if (l.rfind(start, 0) == 0) return true;
    return false;
  }

  static constexpr const char* kType = "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE";
  static constexpr const char* kProvider = "VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER";
  static constexpr const char* kDataSource = "VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE";
  static constexpr const char* kCustomizations = "VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS";
  static constexpr const char* kTimeout = "VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT";
  static constexpr const char* kCommandTimeout = "VORNKRYM\\VORNKRYM_CONNECTION_COMMAND_TIMEOUT";

  const TempFolder& Folder() const { return dir_; }
  QALConfiguration& Config() { return config_; }
  ProgramContext& Context() { return ctx_; }
  core::ManualClock& Clock() { return clock_; }
  FakeActivityList& Activity() { return list_; }
  RecordingPresenter& Presenter() { return presenter_; }

 private:
  TempFolder dir_;
  core::ManualClock clock_{core::Date::FromParts(2024, 3, 10, 9, 30, 0)};
  QALLoggerTXT logger_;
  FakeActivityList list_;
  RecordingPresenter presenter_;
  QALmsgBoxHandler msgBox_;
  QALConfiguration config_;
  ProgramContext ctx_;
  ProgramScope scope_;
};
