#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "core/Clock.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/DefaultKeyTree.h"
#include "support/TestDatabase.h"

namespace modeltest {

// The number of the core::RuntimeError that f raises; 0 when it raises none.
inline int ErrorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const core::RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

// The program objects the variable model reaches through Program(): the configuration with
// the start-up keys, an enabled log (verbosity 9) in a folder of its own, message boxes
// answered silently into that log, a stopped clock. Interactive mode until told otherwise.
// PointAt directs the Krym connection settings at the test cluster.
class ModelProgram {
 public:
  explicit ModelProgram(core::Date now = core::Date::FromParts(2024, 7, 1, 12, 0, 0))
      : clock(now), logger_(Folder(), "k30418", clock) {
    DefaultKeyTree::DefineStartupKeys(config, "k30418", now);
    logger_.LogPath(folder_ + "/log");
    logger_.Verbosity(9);
    logger_.Enabled(true);
    logger_.WriteLog("test start", 0);
    config.LogHandler(&logger_);
    msgBox.LogHandler(&logger_);
    msgBox.SilentOperation(true);
    ctx.config = &config;
    ctx.logger = &logger_;
    ctx.msgBox = &msgBox;
    ctx.clock = &clock;
    ctx.app.Path = folder_;
    scope_.emplace(ctx);
  }
  ~ModelProgram() {
    scope_.reset();
    logger_.closeLog();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  ModelProgram(const ModelProgram&) = delete;
  ModelProgram& operator=(const ModelProgram&) = delete;

  void PointAt(const testsupport::TestDatabase& db) {
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", db.host);
    config.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", "Port=" + std::to_string(db.port) + ";CommLog=0;Debug=0;");
  }

  // Everything logged so far (every line reaches the file as it is written).
  std::string Log() const {
    std::ifstream in(logger_.CurrentFilePath(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // How often text stands in the log.
  int LogCount(const std::string& text) const {
    const std::string log = Log();
    int n = 0;
    for (std::size_t p = log.find(text); p != std::string::npos; p = log.find(text, p + 1)) ++n;
    return n;
  }

  core::ManualClock clock;
  QALConfiguration config;
  QALmsgBoxHandler msgBox;
  ProgramContext ctx;

 private:
  const std::string& Folder() {
    std::string templ = (std::filesystem::temp_directory_path() / "k30418-model-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
    folder_ = templ;
    return folder_;
  }

  std::string folder_;
  QALLoggerTXT logger_;
  std::optional<ProgramScope> scope_;
};

}  // namespace modeltest
