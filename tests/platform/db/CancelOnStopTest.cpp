// A stop ends the database call in flight: a statement that waits on a lock another session
// holds is cancelled from the stop watcher's thread within moments, and a statement begun
// after the stop runs with a short timeout.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ScratchDatabase.h"
#include "platform/db/Connection.h"
#include "platform/db/DbException.h"
#include "platform/db/InFlightCalls.h"
#include "platform/os/StopRequest.h"
#include "platform/os/StopWatcher.h"

using namespace platform::db;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class CancelOnStop : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::os::ResetStopRequest();
    ASSERT_TRUE(db_.Valid());
    db_.Connection().Execute("CREATE TABLE waits (id integer)");
    db_.Connection().CommandTimeout(60);
    // The other session keeps the table locked until the test ends.
    holder_.Open(db_.OleDb());
    holder_.Execute("BEGIN; LOCK TABLE waits IN ACCESS EXCLUSIVE MODE");
  }
  void TearDown() override {
    holder_.Close();
    platform::os::ResetStopRequest();
  }

  // Runs a statement on the locked table; the time it took and the SQLSTATE it failed with.
  std::pair<Clock::duration, std::string> RunBlocked() {
    const auto start = Clock::now();
    std::string state = "none";
    try {
      db_.Connection().Execute("INSERT INTO waits VALUES (1)");
    } catch (const DbException& e) {
      state = e.Errors().front().SqlState();
    }
    return {Clock::now() - start, state};
  }

  dbtest::ScratchDatabase db_;
  Connection holder_;
  platform::os::StopWatcher watcher_{&InFlightCalls::CancelRunning};
};

}  // namespace

TEST_F(CancelOnStop, AStopCancelsTheCallThatWaitsOnALock) {
  ASSERT_TRUE(watcher_.Running());
  std::thread stopper([] {
    std::this_thread::sleep_for(700ms);
    platform::os::RequestStop(0);
  });
  const auto [took, state] = RunBlocked();
  stopper.join();
  EXPECT_EQ(state, "57014") << "PostgreSQL's query_canceled";
  EXPECT_GE(took, 600ms);
  EXPECT_LT(took, 3s);
  EXPECT_FALSE(InFlightCalls::CancelRunning()) << "the call left the registry";
}

TEST_F(CancelOnStop, ACallBegunAfterTheStopRunsWithAShortTimeout) {
  platform::os::RequestStop(0);
  // A short call still runs to its end.
  Recordset rs = db_.Connection().Execute("SELECT 42");
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields(0).Value().ToLong(), 42);

  const auto [took, state] = RunBlocked();
  EXPECT_NE(state, "none") << "the blocked call must end with an error";
  EXPECT_GE(took, std::chrono::seconds(InFlightCalls::kSecondsAfterStop) - 500ms);
  EXPECT_LT(took, std::chrono::seconds(InFlightCalls::kSecondsAfterStop) + 3s);
}

TEST_F(CancelOnStop, WithoutAStopACallWaitsForItsTimeout) {
  db_.Connection().CommandTimeout(2);
  const auto [took, state] = RunBlocked();
  EXPECT_NE(state, "none");
  EXPECT_GE(took, 1500ms) << "nothing cancelled the call early";
}
