#include "platform/qt/QtTimerService.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <QThread>
#include <memory>

#include "platform/qt/QtEventPump.h"
#include "support/QtTestApp.h"

namespace {

using platform::ui::Timer;

class QtTimers : public ::testing::Test {
 protected:
  void SetUp() override { qttest::App(); }
  // Lets events run for a while and returns nothing; ticks happen meanwhile.
  static void Idle(int ms) { qttest::RunUntil([] { return false; }, ms); }
  platform::qt::QtTimerService service;
};

TEST_F(QtTimers, TicksEveryIntervalUntilStopped) {
  int ticks = 0;
  std::unique_ptr<Timer> timer = service.CreateTimer([&] { ++ticks; });
  EXPECT_FALSE(timer->Active());
  timer->Start(5);
  EXPECT_TRUE(timer->Active());
  EXPECT_TRUE(qttest::RunUntil([&] { return ticks >= 3; }));

  timer->Stop();
  EXPECT_FALSE(timer->Active());
  const int atStop = ticks;
  Idle(50);
  EXPECT_EQ(ticks, atStop);
}

TEST_F(QtTimers, AnIntervalBelowOneMillisecondNeverTicks) {
  int ticks = 0;
  std::unique_ptr<Timer> timer = service.CreateTimer([&] { ++ticks; });
  timer->Start(5);
  timer->Start(0);  // also stops a running timer
  EXPECT_FALSE(timer->Active());
  Idle(30);
  EXPECT_EQ(ticks, 0);
}

TEST_F(QtTimers, TwoTimersTickIndependently) {
  int fast = 0, slow = 0;
  std::unique_ptr<Timer> a = service.CreateTimer([&] { ++fast; });
  std::unique_ptr<Timer> b = service.CreateTimer([&] { ++slow; });
  a->Start(2);
  b->Start(5000);
  EXPECT_TRUE(qttest::RunUntil([&] { return fast >= 5; }));
  EXPECT_EQ(slow, 0);
  b.reset();
  EXPECT_TRUE(qttest::RunUntil([&] { return fast >= 8; }));
}

TEST_F(QtTimers, CallbackMayDestroyItsTimer) {
  int ticks = 0;
  std::unique_ptr<Timer> timer;
  timer = service.CreateTimer([&] {
    ++ticks;
    timer.reset();
  });
  timer->Start(2);
  EXPECT_TRUE(qttest::RunUntil([&] { return timer == nullptr; }));
  Idle(30);
  EXPECT_EQ(ticks, 1);
}

TEST_F(QtTimers, CallbackThatLetsEventsRunMayLoseItsTimerToAnotherTick) {
  platform::qt::QtEventPump pump;
  int depth = 0, deepest = 0, waitTicks = 0, killerTicks = 0;
  std::unique_ptr<Timer> waiting, killer;
  waiting = service.CreateTimer([&] {
    ++waitTicks;
    deepest = std::max(deepest, ++depth);
    // An import waiting between retries: sleep, then let pending events run,
    // until another handler has closed the owner of this timer (a minute at most).
    QElapsedTimer since;
    since.start();
    while (waiting && since.elapsed() < 60000) {
      QThread::msleep(2);
      pump.ProcessEvents();
    }
    --depth;
  });
  killer = service.CreateTimer([&] {
    ++killerTicks;
    if (depth > 0) waiting.reset();
  });
  waiting->Start(2);
  killer->Start(3);
  EXPECT_TRUE(qttest::RunUntil([&] { return waiting == nullptr; }));
  // Qt does not let a timer tick again inside its own callback.
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(waitTicks, 1);
  killer.reset();
  Idle(30);
  EXPECT_EQ(waitTicks, 1);
}

}  // namespace
