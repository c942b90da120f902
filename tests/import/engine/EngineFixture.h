#pragma once

// What an import-engine test stands on: a program context of its own (start-up and source
// keys, a log at verbosity 9 in a folder that is also the program folder with DeraRed.ini,
// message boxes recorded or answered silently, an event pump that can act in the middle of a
// run, waits recorded instead of slept), a Krym root schema of the test's own with its
// facilities, and a DeraRed database of its own. Everything runs against the test cluster.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "foundation/commonglobals/Fakes.h"
#include "import/engine/CommonImport.h"
#include "import/model/CommonVarGatherer.h"
#include "import/model/KrymSchemaOpener.h"
#include "platform/db/Connection.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessagePresenter.h"
#include "support/KrymFixture.h"

namespace enginetest {

class FakePresenter : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string& prompt, int style, const std::string&) override {
    boxes.push_back({prompt, style});
    return 1;
  }
  struct Box {
    std::string prompt;
    int style;
  };
  std::vector<Box> boxes;
};

// Counts its runs and calls onRun (when set) with the number of the run, from 1.
class ScriptedPump : public platform::ui::EventPump {
 public:
  void ProcessEvents() override {
    ++runs;
    if (onRun) onRun(runs);
  }
  int runs = 0;
  std::function<void(int)> onRun;
};

// The program's opener with the root schema moved to the test's own database.
class OwnRootOpener : public KrymSchemaOpener {
 public:
  explicit OwnRootOpener(std::string root) : root_(std::move(root)) {}
  Outcome Open(platform::db::Connection& cnn, const std::string& schema) const override;

 private:
  std::string root_;
};

// A database of the test's own, made from a script of db/ under a random name with the given
// options of CREATE DATABASE, and dropped at the end.
class OwnDatabase {
 public:
  OwnDatabase(const std::string& prefix, const std::string& script, const std::string& options = "");
  ~OwnDatabase();
  OwnDatabase(const OwnDatabase&) = delete;
  OwnDatabase& operator=(const OwnDatabase&) = delete;
  bool Ok() const { return ok_; }
  const std::string& Name() const { return name_; }
  const testsupport::TestDatabase& Cluster() const { return cluster_; }
  void Exec(const std::string& sql);

 private:
  testsupport::TestDatabase cluster_;
  bool ok_ = false;
  std::string name_;
};

// A Krym root schema of the test's own, made from db/krym/postgresql/root.sql.
class OwnRoot : public OwnDatabase {
 public:
  OwnRoot() : OwnDatabase("KE", "/db/krym/postgresql/root.sql") {}
};

// A DeraRed database whose server encoding is SQL_ASCII, as an old installation's may be: it
// keeps whatever bytes it is given, and the server refuses to hand a text that is no UTF-8 to
// the program's UTF-8 connection (SQLSTATE 22021).
class AsciiDeraRed : public OwnDatabase {
 public:
  AsciiDeraRed()
      : OwnDatabase("KA", "/db/derared/postgresql/derared.sql",
                    "ENCODING 'SQL_ASCII' TEMPLATE template0 LC_COLLATE 'C' LC_CTYPE 'C'") {}
};

// One DeraRed transaction row: a visit of a point with up to ten question/answer pairs.
struct Visit {
  std::int32_t id = 0;
  std::int32_t point = 0;
  std::string date = "2024-03-05";                              // the day ("": Null)
  std::string time = "14:35:00";                                // the time of day ("": Null)
  std::vector<std::pair<std::int32_t, std::string>> answers{};  // question id, answer, in slots 1..
  std::string notes{};
  std::string guard = "jdoe";
};

class EngineTest : public ::testing::Test {
 protected:
  static constexpr std::int32_t kCollector = 7;

  EngineTest();
  ~EngineTest() override;
  void SetUp() override;

  // Krym: a facility of the test's own, listed in the root schema; its variables are linked to
  // the collector and enabled.
  testsupport::KrymFixture& AddFacility(const std::string& title);
  void AddVariable(testsupport::KrymFixture& f, std::int32_t varid, const std::string& type, int decPlaces = 2,
                   int approval = 1);
  void SetLockDate(testsupport::KrymFixture& f, const std::string& date);
  // "Plant One" with an hourly variable 42 (one decimal) and a daily variable 43 (no decimals),
  // fed by questions 5 and 6 of point 1.
  testsupport::KrymFixture& AddPlantWithTwoVariables();

  // DeraRed. After UseAsciiDeraRed the run reads, and the helpers below write, a DeraRed
  // database in SQL_ASCII instead of deraRed.
  void UseAsciiDeraRed();
  void DeraRedExec(const std::string& sql);
  void AddQuestion(std::int32_t point, std::int32_t question, std::int32_t externalId,
                   std::optional<std::int32_t> logbook = std::nullopt);
  void AddVisit(const Visit& v);

  // The collector's record and variables gathered from the own root, with the facilities'
  // lock dates read (unless told not to), as the session driver hands them to the engine.
  std::unique_ptr<CommonVarGatherer> Gather(bool readLockDates = true);
  // Runs one import of a fresh gathering with a new engine (opener: the own root's, unless
  // one is given).
  bool Run(bool testMode = false, bool readLockDates = true, const KrymSchemaOpener* opener = nullptr);
  // Ends every server connection to the database, the fixtures' own included (so no more Exec
  // on it afterwards).
  void DropConnections(const std::string& database);
  // The facilities in the order the import walks them (gathered as Run gathers).
  std::vector<testsupport::KrymFixture*> WalkOrder();

  // Rows of a query on a facility, each "field|field|...".
  std::vector<std::string> Rows(testsupport::KrymFixture& f, const std::string& sql);
  // "varid|value|text" of every value in a value table, ordered by variable and date.
  std::vector<std::string> Values(testsupport::KrymFixture& f, const std::string& table = "datatbl");

  void WriteIdFile(const std::string& content);
  std::string IdFile() const;
  // The LASTIDIMPORTED value of DeraRed.ini.
  std::int32_t SavedId() const;

  // The texts of the log lines so far, time stamps taken off; how often a line is there.
  std::vector<std::string> LogLines() const;
  int LogCount(const std::string& line) const;
  bool LogHas(const std::string& part) const;
  // The log lines that begin with a text; how many hold a text.
  std::vector<std::string> LinesStartingWith(const std::string& start) const;
  int LinesWith(const std::string& part) const;

  // A trigger on a table of a facility that counts its calls in a sequence (Calls) and raises,
  // with the SQLSTATE given, for the rows the condition picks (NEW is the row).
  void RaiseOn(testsupport::KrymFixture& f, const std::string& table, const std::string& condition,
               const std::string& state);
  int Calls(testsupport::KrymFixture& f, const std::string& table);

  void Set(const std::string& key, const std::string& value) { config_.item(key, value); }
  void ServiceMode() {
    ctx_.isNTService = true;
    msgBox_.SilentOperation(true);
  }

  std::unique_ptr<CommonImport> engine;  // the engine of the last Run
  std::optional<std::int32_t> readWindow;  // the engine's read window, when not its own
  std::vector<std::int32_t> waits;       // every recovery wait, in milliseconds
  // The time the engine's late-commit watch ages by.
  LateCommitWatch::TimePoint now = std::chrono::system_clock::now();
  // Called in a service run between the listing of its range and its first read.
  std::function<void()> afterListing;
  FakeActivityList status;
  FakePresenter presenter;
  ScriptedPump pump;
  OwnRoot root;
  testsupport::KrymFixture deraRed{testsupport::KrymFixture::Kind::DeraRed};
  std::unique_ptr<AsciiDeraRed> asciiDeraRed;  // after UseAsciiDeraRed
  std::vector<std::unique_ptr<testsupport::KrymFixture>> facilities;

 private:
  std::string folder_;
  std::unique_ptr<QALLoggerTXT> logger_;
  QALConfiguration config_;
  QALmsgBoxHandler msgBox_;
  ProgramContext ctx_;
  std::optional<ProgramScope> scope_;
  std::unique_ptr<OwnRootOpener> opener_;
};

}  // namespace enginetest
