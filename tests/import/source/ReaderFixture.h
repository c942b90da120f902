#pragma once

// What a reader test stands on: a DeraRed database of the test's own on the test
// cluster, the program context with a configuration whose source section points at
// it, a log at full verbosity, and scripted stand-ins for the activity list, the
// message boxes, the busy pointer and the event pump.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/source/CustomConfiguration.h"
#include "import/source/CustomSource.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/ActivityList.h"
#include "platform/ui/BusyPointer.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessagePresenter.h"
#include "support/KrymFixture.h"

namespace readertest {

class FakeActivityList : public platform::ui::ActivityList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  void AddItem(const std::string& text) override { lines.push_back(text); }
  void RemoveItem(int index) override { lines.erase(lines.begin() + index); }
  void Clear() override { lines.clear(); }
  std::string Item(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  void SelectLast() override {}
  std::vector<std::string> lines;
};

// Counts the pointer changes and remembers whether the pointer is busy now.
class FakeBusyPointer : public platform::ui::BusyPointer {
 public:
  void SetBusy(bool on) override {
    (on ? shown : restored)++;
    busy = on;
  }
  bool busy = false;
  int shown = 0;
  int restored = 0;
};

class FakeEventPump : public platform::ui::EventPump {
 public:
  void ProcessEvents() override { ++runs; }
  int runs = 0;
};

// Records each box with whether the busy pointer was showing at that moment.
class FakePresenter : public platform::ui::MessagePresenter {
 public:
  explicit FakePresenter(const FakeBusyPointer& pointer) : pointer_(pointer) {}
  int Show(const std::string& prompt, int style, const std::string& title) override {
    boxes.push_back({prompt, style, title, pointer_.busy});
    return 1;
  }
  struct Box {
    std::string prompt;
    int style;
    std::string title;
    bool busyWhileShown;
  };
  std::vector<Box> boxes;

 private:
  const FakeBusyPointer& pointer_;
};

class ReaderFixture : public ::testing::Test {
 protected:
  ReaderFixture() {
    std::random_device rd;
    folder_ = std::filesystem::temp_directory_path() / ("k30418-source-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(folder_);
    logger_ = std::make_unique<QALLoggerTXT>(folder_.string(), "k30418");
    logger_->LogPath((folder_ / "log").string());
    logger_->Enabled(true);
    logger_->Verbosity(9);

    CustomConfiguration::DefineSourceDefaults(config_);
    msgBox_.LogHandler(logger_.get());
    msgBox_.Presenter(&presenter);

    ctx_.app.Title = "K30418 Test";
    ctx_.config = &config_;
    ctx_.logger = logger_.get();
    ctx_.msgBox = &msgBox_;
    ctx_.ui.activityList = &status;
    ctx_.ui.busy = &busy;
    ctx_.ui.events = &events;
  }

  ~ReaderFixture() override {
    logger_->closeLog();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  void SetUp() override {
    ASSERT_TRUE(db.Ok());
    UseTestDatabase();
  }

  // Source settings that reach the test database.
  void UseTestDatabase() {
    for (const auto& [key, value] : db.SourceSettings()) Set(key, value);
  }

  void Set(const std::string& key, const std::string& value) { config_.item("K30418\\" + key, value); }

  // Point 10 asks two questions that feed Krym variables 12 and 15, point 20 one
  // that feeds 30; point 11 carries only notes, for logbook 8 (asked twice, so that
  // the notes query must fold its rows). Transactions, with what the queries take
  // of them:
  //   2  point 10  answers 12, 15        6  point 10  answers 12, 15
  //   3  point 20  answer 30             7  point 11  empty note (skipped)
  //   4  point 10  missed (skipped)      8  point 11  no note (skipped)
  //   5  point 11  note at 23:30         9  point 11  note, missed (skipped)
  //                                      10 point 11  note
  void SeedRounds() {
    ASSERT_TRUE(db.Exec(
        "insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, external_id, "
        "external_id_logbook) values (1, 10, 100, 1, 12, 7), (1, 10, 101, 2, 15, 7), (1, 20, 200, 1, 30, 7), "
        "(1, 11, 0, 1, 0, 8), (1, 11, 1, 2, 0, 8);"
        "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Guard, Notes, "
        "Missed_Point, Question_ID1, Answer1, Question_ID2, Answer2) values "
        "(2, 1, 10, '2024-03-04', '1899-12-30 09:05:07', 'JOE', '', 'N', 100, '1.5', 101, 'A'),"
        "(3, 1, 20, '2024-03-05', '1899-12-30 10:00:00', 'JOE', '', 'N', 200, '7', null, null),"
        "(4, 1, 10, '2024-03-05', '1899-12-30 11:00:00', 'ANN', '', 'Y', 100, '9', 101, 'B'),"
        "(5, 1, 11, '2024-03-05', '1899-12-30 23:30:00', 'ANN', 'Pump leaks', 'N', null, null, null, null),"
        "(6, 1, 10, '2024-03-06', '1899-12-30 08:00:00', 'ANN', '', 'N', 101, 'C', 100, '2'),"
        "(7, 1, 11, '2024-03-06', '1899-12-30 12:00:00', 'JOE', '', 'N', null, null, null, null),"
        "(8, 1, 11, '2024-03-06', '1899-12-30 13:00:00', 'JOE', null, 'N', null, null, null, null),"
        "(9, 1, 11, '2024-03-07', '1899-12-30 07:00:00', 'JOE', 'Valve stuck', 'Y', null, null, null, null),"
        "(10, 1, 11, '2024-03-07', '1899-12-30 08:00:00', 'ANN', 'Gauge cracked', 'N', null, null, null, null)"));
  }

  // Points the reader at the answers of a transaction range and ids and reads
  // them; the result is the reader's error flag.
  static bool ReadAnswers(CustomSource& source, std::int32_t start, std::int32_t end = -1,
                          const std::string& ids = "ALL") {
    source.StartTransId(start);
    source.EndTransId(end);
    source.QueryType(0);
    source.CurrentVarId(ids);
    bool error = true;
    source.ReadLIMSdata(error);
    return error;
  }

  // The status lines shown so far that begin with prefix.
  std::vector<std::string> StatusLines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : status.lines)
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }

  // Everything written to the log so far.
  std::string LogText() {
    logger_->closeLog();
    std::ifstream in(logger_->CurrentFilePath());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  // The busy pointer went back to the default as often as it was shown.
  void ExpectPointerRestored() const {
    EXPECT_FALSE(busy.busy);
    EXPECT_EQ(busy.shown, busy.restored);
  }

  FakeActivityList status;
  FakeBusyPointer busy;
  FakeEventPump events;
  FakePresenter presenter{busy};
  testsupport::KrymFixture db{testsupport::KrymFixture::Kind::DeraRed};

 private:
  std::filesystem::path folder_;
  std::unique_ptr<QALLoggerTXT> logger_;
  QALConfiguration config_;
  QALmsgBoxHandler msgBox_;
  ProgramContext ctx_;
  ProgramScope scope_{ctx_};
};

// The reader's server sessions, seen from the server itself: every session on the test
// database except those that were open when Start was called (the fixture's own).
class ServerSessions {
 public:
  void Start(const testsupport::KrymFixture& db) {
    db_ = &db;
    root_.Open(db.RootOleDbString());
    own_ = All();
  }
  ~ServerSessions() { root_.Close(); }

  std::set<long> Current() {
    std::set<long> out;
    for (long pid : All())
      if (!own_.count(pid)) out.insert(pid);
    return out;
  }
  // The server drops a closed session from its list soon, not always at once: the sessions
  // once there are as many as expected, or after a minute (a loaded machine can be slow to
  // end a backend; the wait ends as soon as the count is right).
  std::set<long> Settled(std::size_t expected) {
    std::set<long> s = Current();
    for (int i = 0; i < 3000 && s.size() != expected; ++i) {
      usleep(20000);
      s = Current();
    }
    return s;
  }
  // Ends every reader session from the server's side and waits until they are gone.
  void EndAll() {
    for (long pid : Current()) root_.Execute("select pg_terminate_backend(" + std::to_string(pid) + ")");
    ASSERT_TRUE(Settled(0).empty());
  }

 private:
  std::set<long> All() {
    platform::db::Recordset rs;
    // Client sessions only: the server's own autovacuum workers visit every database now and
    // then, the test's one too, and come and go at their own pace.
    rs.Open("select pid from pg_stat_activity where datname = '" + db_->Name() +
                "' and backend_type = 'client backend' and pid <> pg_backend_pid()",
            root_);
    std::set<long> pids;
    for (; !rs.Eof(); rs.MoveNext()) pids.insert(rs.Fields("pid").Value().ToLong());
    return pids;
  }

  const testsupport::KrymFixture* db_ = nullptr;
  platform::db::Connection root_;
  std::set<long> own_;
};

}  // namespace readertest
