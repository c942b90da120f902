// A stop ends the database call in flight: a statement that waits on a lock another session
// holds is cancelled from the stop watcher's thread, and a statement begun after the stop runs
// with a short timeout. The blocked statements have no timeout of their own, and the lock is
// held until they have ended, so a statement that ends with an error was ended by the stop.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ScratchDatabase.h"
#include "platform/db/Connection.h"
#include "platform/db/DbException.h"
#include "platform/db/InFlightCalls.h"
#include "platform/db/Recordset.h"
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
    db_.Connection().CommandTimeout(0);  // no limit: only the stop ends a blocked statement
    // The other session keeps the table locked until the blocked statement has ended.
    holder_.Open(db_.OleDb());
    holder_.Execute("BEGIN; LOCK TABLE waits IN ACCESS EXCLUSIVE MODE");
    onlooker_.Open(db_.OleDb());
  }
  void TearDown() override {
    holder_.Close();
    platform::os::ResetStopRequest();
  }

  struct Outcome {
    Clock::duration took;
    std::string state;  // the SQLSTATE the statement failed with, "none" when it did not fail
  };
  // Runs a statement on the locked table. Another thread calls onceWaiting, if given, when the
  // server shows the statement waiting on the lock. Should the statement still run after a
  // generous time, that thread lets the lock go, and the statement ends without an error
  // instead of hanging the test.
  Outcome RunBlocked(const std::function<void()>& onceWaiting = {}) {
    std::mutex m;
    std::condition_variable cv;
    bool ended = false;
    std::thread other([&] {
      const auto until = Clock::now() + 120s;
      auto over = [&] {
        std::lock_guard<std::mutex> lock(m);
        return ended || Clock::now() >= until;
      };
      if (onceWaiting) {
        while (!over() && !Waiting()) std::this_thread::sleep_for(20ms);
        if (!over()) onceWaiting();
      }
      std::unique_lock<std::mutex> lock(m);
      if (!cv.wait_until(lock, until, [&] { return ended; })) holder_.Execute("ROLLBACK");
    });
    const auto start = Clock::now();
    std::string state = "none";
    try {
      db_.Connection().Execute("INSERT INTO waits VALUES (1)");
    } catch (const DbException& e) {
      state = e.Errors().front().SqlState();
    }
    const Outcome outcome{Clock::now() - start, state};
    {
      std::lock_guard<std::mutex> lock(m);
      ended = true;
    }
    cv.notify_one();
    other.join();
    return outcome;
  }
  // Whether a statement of the scratch database waits on a lock now.
  bool Waiting() {
    Recordset rs = onlooker_.Execute(
        "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND wait_event_type = 'Lock'");
    return !rs.Eof() && rs.Fields(0).Value().ToLong() > 0;
  }

  dbtest::ScratchDatabase db_;
  Connection holder_;
  Connection onlooker_;
  platform::os::StopWatcher watcher_{&InFlightCalls::CancelRunning};
};

}  // namespace

TEST_F(CancelOnStop, AStopCancelsTheCallThatWaitsOnALock) {
  ASSERT_TRUE(watcher_.Running());
  bool stopped = false;
  const Outcome out = RunBlocked([&] {
    stopped = true;
    platform::os::RequestStop(0);
  });
  ASSERT_TRUE(stopped) << "the statement did not wait on the lock";
  EXPECT_EQ(out.state, "57014") << "PostgreSQL's query_canceled";
  EXPECT_FALSE(InFlightCalls::CancelRunning()) << "the call left the registry";
}

TEST_F(CancelOnStop, ACallBegunAfterTheStopRunsWithAShortTimeout) {
  platform::os::RequestStop(0);
  // A short call still runs to its end.
  Recordset rs = db_.Connection().Execute("SELECT 42");
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields(0).Value().ToLong(), 42);

  const Outcome out = RunBlocked();
  EXPECT_NE(out.state, "none") << "the blocked call must end with an error";
  EXPECT_GE(out.took, std::chrono::seconds(InFlightCalls::kSecondsAfterStop) - 500ms) << "it ran for its timeout";
}

TEST_F(CancelOnStop, WithoutAStopACallWaitsForItsTimeout) {
  db_.Connection().CommandTimeout(2);
  const Outcome out = RunBlocked();
  EXPECT_NE(out.state, "none");
  EXPECT_GE(out.took, 1500ms) << "nothing cancelled the call early";
}
