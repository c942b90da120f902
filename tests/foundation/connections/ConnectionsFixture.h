#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/commonglobals/Fakes.h"
#include "foundation/commonglobals/TempFolder.h"
#include "platform/db/Connection.h"
#include "support/TestDatabase.h"

// A program context of the test's own with a real logger (verbosity 0, every
// line straight to the file) and an activity list in memory.
class ConnectionsTest : public ::testing::Test {
 protected:
  ConnectionsTest() : logger_(dir_.Str(), "k30418"), scope_(ctx_) {
    logger_.LogPath(dir_.Str() + "/log");
    logger_.BufferLength(1);
    logger_.Enabled(true);
    logger_.Verbosity(0);
    ctx_.logger = &logger_;
    ctx_.ui.activityList = &list_;
  }

  // The texts of the log lines written so far, time stamps taken off.
  std::vector<std::string> LogLines() {
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

  // A manager for the test cluster's Krym root as the program would be set up
  // for it: SQL Server shape, the psqlODBC driver as provider, the port as the
  // customization. False (and the test failed) without a cluster.
  bool InitForTestKrym(ConnectionManager& cm, int port = 0) {
    testsupport::TestDatabase db;
    if (!testsupport::RequireDatabase(db)) return false;
    return cm.Init(2, "PostgreSQL Unicode", db.host, "Port=" + std::to_string(port ? port : db.port) + ";CommLog=0;Debug=0;", false, 10,
                   30);
  }

  TempFolder dir_;
  QALLoggerTXT logger_;
  FakeActivityList list_;
  ProgramContext ctx_;
  ProgramScope scope_;
};
