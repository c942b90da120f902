// The run's one DeraRed connection: every read of a run of several facilities and variables,
// notes included, goes through one server session, and a session the server ends between two
// variables or in the middle of a read costs no answer and writes none twice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "foundation/ProgramContext.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace enginetest {
namespace {

using ::testing::ElementsAre;

// Passes every line on to the test's activity list and calls onLine with it first.
class HookedList : public FakeActivityList {
 public:
  explicit HookedList(FakeActivityList& target) : target_(target) {}
  void AddItem(const std::string& text) override {
    if (onLine) onLine(text);
    target_.AddItem(text);
  }
  std::function<void(const std::string&)> onLine;

 private:
  FakeActivityList& target_;
};

class SourceConnectionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure()) return;
    one = &AddPlantWithTwoVariables();
    two = &AddFacility("Plant Two");
    AddVariable(*two, 44, "H", 1);
    AddQuestion(2, 7, 44);
    AddQuestion(3, 0, 0);  // a point without a variable: its visits carry notes only
    AddVisit({.id = 101, .point = 1, .time = "08:10:00", .answers = {{5, "1"}, {6, "10"}}});
    AddVisit({.id = 102, .point = 2, .time = "08:20:00", .answers = {{7, "4"}}});
    AddVisit({.id = 103, .point = 1, .time = "09:10:00", .answers = {{5, "2"}}});
    AddVisit({.id = 104, .point = 3, .time = "09:30:00", .notes = "Gate open"});
    Set("K30418\\AddNotesToLogbook", "TRUE");
    Set("K30418\\LogbookId", "1");
    server.Open(deraRed.RootOleDbString());
    fixtureOwn = Sessions();
    Program().ui.activityList = &hooked;
  }
  void TearDown() override { server.Close(); }

  // The server sessions on the DeraRed database, each as its process and start time (a
  // process number alone may come back for a later session).
  std::set<std::string> Sessions() {
    platform::db::Recordset rs;
    // Client sessions only: autovacuum workers visit the database at their own pace.
    rs.Open("select pid || '@' || backend_start from pg_stat_activity where datname = '" + deraRed.Name() +
                "' and backend_type = 'client backend' and pid <> pg_backend_pid()",
            server);
    std::set<std::string> out;
    for (; !rs.Eof(); rs.MoveNext()) out.insert(rs.Fields(0).Value().Text());
    return out;
  }
  std::set<std::string> ReaderSessions() {
    std::set<std::string> out;
    for (const std::string& s : Sessions())
      if (!fixtureOwn.count(s)) out.insert(s);
    return out;
  }

  // Every value the run must write, once each, and the notes it must add.
  void ExpectEverythingWrittenOnce() {
    EXPECT_THAT(Values(*one, "dataddh"), ElementsAre("42|1|1", "42|2|2"));
    EXPECT_THAT(Values(*one), ElementsAre("43|10|10"));
    EXPECT_THAT(Values(*two, "dataddh"), ElementsAre("44|4|4"));
    for (testsupport::KrymFixture* f : {one, two})
      EXPECT_THAT(Rows(*f, "select comment from logbookentries"), ElementsAre("Gate open"));
    EXPECT_EQ(engine->Statistics().LogicalWrites(), 4);
    EXPECT_EQ(engine->Statistics().PhysicalWrites(), 4);
    if (Program().isNTService) {
      EXPECT_EQ(SavedId(), 104);
    }
  }

  testsupport::KrymFixture* one = nullptr;
  testsupport::KrymFixture* two = nullptr;
  platform::db::Connection server;
  std::set<std::string> fixtureOwn;
  HookedList hooked{status};
};

TEST_F(SourceConnectionTest, EveryReadOfARunGoesThroughOneSession) {
  ServiceMode();
  std::set<std::string> seen;
  // Events run once in every read, between connecting and the query.
  pump.onRun = [&](int) {
    for (const std::string& s : ReaderSessions()) seen.insert(s);
  };

  ASSERT_TRUE(Run());

  EXPECT_EQ(pump.runs, 5) << "three variables and the notes of two facilities";
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), 0);
  ExpectEverythingWrittenOnce();
  engine.reset();
  // The server may take a while to end the backend on a loaded machine.
  for (int i = 0; i < 3000 && !ReaderSessions().empty(); ++i) usleep(20000);
  EXPECT_TRUE(ReaderSessions().empty()) << "the session ends with the run's engine";
}

// The server ends the session at a given moment of the run. Between variables the next
// variable's reader, whose first statement meets the dead session, opens a new one as a reader
// of its own always did: no failure is counted. In the middle of a read of the reader that
// has used the session, the recovery counts the failure, waits, drops the connection and reads
// again.
TEST_F(SourceConnectionTest, ASessionEndedByTheServerCostsNoAnswer) {
  // Interactive, so that the status lines reach the activity list where the test waits for them.
  struct Case {
    const char* name;
    const char* line;  // the session ends as this status line is shown for the nth time
    int nth;
    int pumpRun;  // or at this run of events (0: none)
    int failures;
  };
  const std::vector<Case> cases = {
      {"between the variables of a facility", "Loading data records from source for VarId 43  ...", 1, 0, 0},
      {"between facilities", "Processing facility '", 2, 0, 0},
      {"inside the first read", nullptr, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (testsupport::KrymFixture* f : {one, two}) {
      f->Exec("delete from datatbl; delete from dataddh; delete from logbookentries");
    }
    WriteIdFile("LASTIDIMPORTED=0\r\n");
    waits.clear();
    pump.runs = 0;
    int ended = 0;
    auto end = [&] {
      for (const std::string& session : ReaderSessions()) {
        server.Execute("select pg_terminate_backend(" + session.substr(0, session.find('@')) + ")");
        ++ended;
      }
    };
    int shown = 0;
    hooked.onLine = [&](const std::string& line) {
      if (c.line && line.rfind(c.line, 0) == 0 && ++shown == c.nth) end();
    };
    pump.onRun = [&](int run) {
      if (run == c.pumpRun) end();
    };

    ASSERT_TRUE(Run());

    EXPECT_EQ(ended, 1);
    EXPECT_EQ(engine->Statistics().SourceConnectionFailures(), c.failures);
    EXPECT_EQ(waits.size(), static_cast<std::size_t>(c.failures));
    ExpectEverythingWrittenOnce();
  }
}

}  // namespace
}  // namespace enginetest
