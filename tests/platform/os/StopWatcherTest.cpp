// The stop watcher acts on a stop request on its own thread, the request of a real signal
// included, repeats its action while the action asks for it, and ends cleanly.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/os/StopRequest.h"
#include "platform/os/StopSignals.h"
#include "platform/os/StopWatcher.h"

using namespace std::chrono_literals;

namespace {

class StopWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::os::ResetStopRequest(); }
  void TearDown() override { platform::os::ResetStopRequest(); }

  // Waits (a minute at most, for a busy machine) for the action to have run at least n times.
  bool RanAtLeast(int n) {
    const auto until = std::chrono::steady_clock::now() + 60s;
    while (runs_.load() < n && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(10ms);
    return runs_.load() >= n;
  }
  // What must not happen has no moment to wait for: the test watches for it a while. A busy
  // machine makes the watch see less, it never fails a sound watcher.
  static void Watch(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }
  // The action: counts its runs, notes a run without a stop request, and asks to run again
  // until it has run wanted_ times.
  bool Act() {
    if (!platform::os::StopRequested()) ranWithoutRequest_ = true;
    return ++runs_ < wanted_.load();
  }

  std::atomic<int> runs_{0};
  std::atomic<bool> ranWithoutRequest_{false};
  std::atomic<int> wanted_{1};  // runs that answer "more to do", the last of them included
};

}  // namespace

TEST_F(StopWatcherTest, ASignalWakesTheWatcherWhichRepeatsWhileAsked) {
  std::string error;
  ASSERT_TRUE(platform::os::StopSignals::Install(error)) << error;
  wanted_ = 3;
  platform::os::StopWatcher watcher([this] { return Act(); });
  ASSERT_TRUE(watcher.Running());
  Watch(200ms);
  EXPECT_EQ(runs_.load(), 0) << "nothing to do before a stop";

  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_TRUE(RanAtLeast(3));
  Watch(300ms);  // three of its 100 ms repeats
  EXPECT_EQ(runs_.load(), 3) << "it stops repeating once the action has nothing more to do";
  EXPECT_FALSE(ranWithoutRequest_.load()) << "it acts on a stop request only";
  EXPECT_EQ(platform::os::StopSignal(), SIGTERM);
}

TEST_F(StopWatcherTest, TheProgramsOwnRequestWakesItAndAnEarlierRequestCounts) {
  platform::os::RequestStop(0);  // before the watcher exists
  {
    platform::os::StopWatcher watcher([this] { return Act(); });
    EXPECT_TRUE(RanAtLeast(1));
    platform::os::ResetStopRequest();
    platform::os::RequestStop(0);
    EXPECT_TRUE(RanAtLeast(2));
  }
  const int after = runs_.load();
  platform::os::RequestStop(0);
  Watch(200ms);
  EXPECT_EQ(runs_.load(), after) << "a watcher that is gone does nothing";
}
