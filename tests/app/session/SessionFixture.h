#pragma once

// What a session test stands on: the program context with its configuration and log, scripted
// dialogs and stand-ins for the activity list, message boxes and the event pump, and, for the
// sessions that reach Krym, databases of the test's own on the test cluster. Interactive mode
// unless ServiceMode() is called.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "app/session/SessionDialogs.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/DefaultKeyTree.h"
#include "import/source/CustomConfiguration.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/ActivityList.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessagePresenter.h"
#include "support/KrymFixture.h"
#include "support/TestDatabase.h"

namespace sessiontest {

// Keeps every line; onLine, when set, runs after each line is added (a step inside a session).
class FakeActivityList : public platform::ui::ActivityList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  void AddItem(const std::string& text) override {
    lines.push_back(text);
    if (onLine) onLine(text);
  }
  void RemoveItem(int index) override { lines.erase(lines.begin() + index); }
  void Clear() override { lines.clear(); }
  std::string Item(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  void SelectLast() override {}
  std::vector<std::string> lines;
  std::function<void(const std::string&)> onLine;
};

class FakeEventPump : public platform::ui::EventPump {
 public:
  void ProcessEvents() override { ++runs; }
  int runs = 0;
};

class FakePresenter : public platform::ui::MessagePresenter {
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

// The program context of a session without databases: configuration with every start-up and
// source key, a log at full verbosity, scripted dialogs and the stand-ins above.
class ProgramFixture : public ::testing::Test {
 protected:
  ProgramFixture() {
    std::random_device rd;
    folder_ =
        std::filesystem::temp_directory_path() / ("k30418-session-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(folder_);
    logger_ = std::make_unique<QALLoggerTXT>(folder_.string(), "k30418");
    logger_->LogPath((folder_ / "log").string());
    logger_->Enabled(true);
    logger_->Verbosity(9);

    DefaultKeyTree::DefineStartupKeys(config_, "k30418", core::SystemClock::Instance().Now());
    CustomConfiguration::DefineSourceDefaults(config_);
    config_.LogHandler(logger_.get());
    config_.path((folder_ / "k30418.xml").string());
    msgBox_.LogHandler(logger_.get());
    msgBox_.Presenter(&presenter);

    ctx_.app.Path = folder_.string();
    ctx_.app.Title = "K30418 Test";
    ctx_.app.HelpFile = (folder_ / "help").string();
    ctx_.config = &config_;
    ctx_.logger = logger_.get();
    ctx_.msgBox = &msgBox_;
    ctx_.ui.activityList = &status;
    ctx_.ui.events = &events;
  }

  ~ProgramFixture() override {
    logger_->closeLog();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  void ServiceMode() {
    ctx_.isNTService = true;
    msgBox_.SilentOperation(true);
  }
  bool Service() const { return ctx_.isNTService; }

  void Set(const std::string& key, const std::string& value) { config_.item(key, value); }
  void UseClock(const core::Clock& clock) { ctx_.clock = &clock; }

  // The texts of the log's lines (after the time stamp), in order.
  std::vector<std::string> Logged() {
    logger_->closeLog();
    std::vector<std::string> out;
    std::ifstream in(logger_->CurrentFilePath());
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out.push_back(line.size() > 11 && line.compare(8, 3, " : ") == 0 ? line.substr(11) : line);
    }
    return out;
  }
  bool WasLogged(const std::string& text) {
    for (const std::string& line : Logged())
      if (line == text) return true;
    return false;
  }
  bool LoggedStartingWith(const std::string& prefix) {
    for (const std::string& line : Logged())
      if (line.rfind(prefix, 0) == 0) return true;
    return false;
  }
  // The lines logged after the last line equal to marker.
  std::vector<std::string> LoggedAfter(const std::string& marker) {
    const std::vector<std::string> all = Logged();
    std::vector<std::string> out;
    for (const std::string& line : all) {
      if (line == marker)
        out.clear();
      else
        out.push_back(line);
    }
    return out;
  }
  void Mark(const std::string& marker) { logger_->WriteLog(marker, 0); }

  // The prompts of the boxes shown (interactive) or written to the log (service mode).
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    if (!Service()) {
      for (const FakePresenter::Box& b : presenter.boxes) out.push_back(b.prompt);
      return out;
    }
    // A silent box is a block of lines; a prompt of several lines runs on until "BUTTONS= ".
    bool inPrompt = false;
    for (const std::string& line : Logged()) {
      if (line.rfind("PROMPT= ", 0) == 0) {
        out.push_back(line.substr(8));
        inPrompt = true;
      } else if (line.rfind("BUTTONS= ", 0) == 0) {
        inPrompt = false;
      } else if (inPrompt) {
        out.back() += "\n" + line;
      }
    }
    return out;
  }

  ProgramContext& Context() { return ctx_; }
  const std::filesystem::path& Folder() const { return folder_; }

  ScriptedDialogs dialogs;
  FakeActivityList status;
  FakeEventPump events;
  FakePresenter presenter;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<QALLoggerTXT> logger_;
  QALConfiguration config_;
  QALmsgBoxHandler msgBox_;
  ProgramContext ctx_;
  ProgramScope scope_{ctx_};
  SessionDialogs::Scope dialogScope_{dialogs};
};

// A session against the test cluster: a Krym facility (listed in the root schema) and a
// DeraRed database of the test's own, the configuration pointing at both, and collector rows
// of its own in the shared root schema under random interface ids, removed again afterwards.
class SessionFixture : public ProgramFixture {
 protected:
  ~SessionFixture() override {
    if (collectors_.empty()) return;
    std::string ids;
    for (std::int32_t id : collectors_) ids += (ids.empty() ? "" : ",") + std::to_string(id);
    facility.ExecRoot("delete from g2_server_run where interface_id in (" + ids + ");" +
                      "delete from g2_server where interface_id in (" + ids + ")");
  }

  void SetUp() override {
    ASSERT_TRUE(facility.Ok());
    ASSERT_TRUE(derared.Ok());
    ASSERT_TRUE(facility.Register("Session Plant"));
    const testsupport::TestDatabase& c = facility.Cluster();
    const std::string port = "Port=" + std::to_string(c.port) + ";CommLog=0;Debug=0;";
    Set("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "2");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "PostgreSQL Unicode");
    Set("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE", c.host);
    Set("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS", port);
    Set("VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT", "10");
    Set("K30418\\SourceProvider", "PostgreSQL Unicode");
    Set("K30418\\SourceDS", c.host);
    Set("K30418\\SourceDB", derared.Name());
    Set("K30418\\SourceUserID", testsupport::TestDatabase::KrymUser());
    Set("K30418\\SourcePassword", testsupport::TestDatabase::KrymPassword());
    Set("K30418\\SourceCustomization", port);
    Set("K30418\\SourceDBType", "2");
    // Only this test's facility: the root schema is shared with tests that come and go, and a
    // facility dropped while it is gathered would count as one that could not be read.
    Set("OPTIONS\\NOIU\\LIMITFACILITY", facility.Name());
    // Recovery that gives up fast: a test that fails must not wait long per attempt.
    Set("SOURCE\\RECOVERY\\SECONDS", "1");
    Set("TARGET\\RECOVERY\\SECONDS", "1");
  }

  // A collector row of this test's own, enabled and designated in the configuration. Tests
  // change it with Collector().
  std::int32_t AddCollector(const std::string& name = "Rounds") {
    std::random_device rd;
    const std::int32_t id = static_cast<std::int32_t>(100000 + rd() % 2000000000u);
    collectors_.push_back(id);
    EXPECT_TRUE(facility.ExecRoot(
        "insert into g2_server (interface_id, name, description, enabled, override_audituser, collector_dateadjust, "
        "collector_qaltimezoneid, lu_id, audituser) values (" +
        std::to_string(id) + ", '" + name + "', 'Operator rounds', -1, '', 0, 0, 30418, 'ANNA')"));
    Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", std::to_string(id));
    return id;
  }
  // Sets columns of the collector row: Collector(id, "enabled = 0").
  void Collector(std::int32_t id, const std::string& assignments) {
    EXPECT_TRUE(
        facility.ExecRoot("update g2_server set " + assignments + " where interface_id = " + std::to_string(id)));
  }

  // A variable of the facility linked to the collector (enabled for it).
  void Link(std::int32_t collector, std::int32_t varid, const std::string& vartype = "H") {
    EXPECT_TRUE(
        facility.Exec("insert into vardesc (varid, varnum, name, vartype, units, decplaces, g2_interface_id, "
                      "g2_enabled) values (" +
                      std::to_string(varid) + ", " + std::to_string(varid) + ", 'Var " + std::to_string(varid) +
                      "', '" + vartype + "', 'bar', 2, " + std::to_string(collector) + ", -1)"));
  }

  // One value of a query on the facility's database or the root schema ("" when no row).
  std::string FacilityValue(const std::string& sql) { return ValueOf(facility.OleDbString(), sql); }
  std::string RootValue(const std::string& sql) { return ValueOf(facility.RootOleDbString(), sql); }

  testsupport::KrymFixture facility{testsupport::KrymFixture::Kind::Facility};
  testsupport::KrymFixture derared{testsupport::KrymFixture::Kind::DeraRed};

 private:
  static std::string ValueOf(const std::string& connectionString, const std::string& sql) {
    platform::db::Connection cnn;
    cnn.Open(connectionString);
    platform::db::Recordset rs;
    rs.Open(sql, cnn);
    return rs.Eof() ? std::string() : rs.Fields(0).Value().Text();
  }

  std::vector<std::int32_t> collectors_;
};

}  // namespace sessiontest
