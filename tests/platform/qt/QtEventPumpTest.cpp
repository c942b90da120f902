#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <functional>
#include <vector>

#include "platform/os/StopRequest.h"
#include "platform/qt/QtEventPump.h"
#include "support/QtTestApp.h"

namespace {

TEST(QtEventPump, RunsThePendingEventsOnce) {
  QApplication& app = qttest::App();
  int ran = 0;
  QMetaObject::invokeMethod(
      &app,
      [&] {
        ++ran;
        // Posted while the pump runs: waits for the next pump.
        QMetaObject::invokeMethod(
            &app, [&] { ++ran; }, Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
  EXPECT_EQ(ran, 0);
  platform::qt::QtEventPump pump;
  pump.ProcessEvents();
  EXPECT_GE(ran, 1);
  pump.ProcessEvents();
  EXPECT_EQ(ran, 2);
}

class PaintCounter : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
};

class QtEventPumpWait : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    platform::os::ResetStopRequest();
    clock_.start();
  }
  void TearDown() override { platform::os::ResetStopRequest(); }

  QElapsedTimer clock_;
  platform::qt::QtEventPump pump_;
};

// The window keeps working through the whole wait: timers fire when they are due (not at the
// end), a window repaints, and the wait still lasts as long as it was asked to. The checks rest
// on the order of events, not on how fast a busy machine runs them.
TEST_F(QtEventPumpWait, EventsRunWhenTheyArriveAndTheWaitKeepsItsLength) {
  PaintCounter window;
  window.resize(120, 80);
  window.show();
  pump_.ProcessEvents();
  const int paintsBefore = window.paints;

  // A chain of timers, each started by the one before: a wait that ran its events only at its
  // end would run one link at most. The second link asks for a repaint, the third sees it.
  int links = 0;
  int paintsAtThird = -1;
  std::function<void()> link = [&] {
    ++links;
    if (links == 2) window.update();
    if (links == 3) paintsAtThird = window.paints;
    if (links < 3) QTimer::singleShot(20, link);
  };
  QTimer::singleShot(20, link);

  pump_.WaitProcessingEvents(2000);
  const qint64 waited = clock_.elapsed();

  EXPECT_EQ(links, 3) << "timers ran only at the end of the wait";
  EXPECT_GT(paintsAtThird, paintsBefore) << "the window did not repaint during the wait";
  EXPECT_GE(waited, 2000);
}

// A wait a stop ends runs far shorter than it was asked to: it ending at all before its time
// shows the stop ended it.
TEST_F(QtEventPumpWait, AStopRequestEndsTheWaitEarly) {
  constexpr int kLong = 120000;
  QTimer::singleShot(100, [] { platform::os::RequestStop(SIGTERM); });
  pump_.WaitProcessingEvents(kLong);
  EXPECT_LT(clock_.elapsed(), kLong);

  // Asked before the wait: it does not start.
  clock_.restart();
  pump_.WaitProcessingEvents(kLong);
  EXPECT_LT(clock_.elapsed(), kLong);
}

// A click handled inside a wait may itself wait (an import started from the menu while another
// one waits); each wait ends at its own time and the outer one is not stretched by the inner.
// The waits are long beside what a busy machine adds: the inner one ends while the outer one
// still runs (a timer it starts fires within the outer wait), and the outer one ends seconds
// before a wait stretched by the inner one could.
TEST_F(QtEventPumpWait, AWaitInsideAWaitEndsAtItsOwnTime) {
  qint64 innerEnded = -1;
  bool afterInner = false;
  QTimer::singleShot(50, [&] {
    pump_.WaitProcessingEvents(1000);
    innerEnded = clock_.elapsed();
    QTimer::singleShot(20, [&] { afterInner = true; });
  });
  pump_.WaitProcessingEvents(3000);
  const qint64 outerEnded = clock_.elapsed();
  EXPECT_GE(innerEnded, 1050);
  EXPECT_TRUE(afterInner) << "the inner wait ran to the end of the outer one";
  EXPECT_GE(outerEnded, 3000);
  EXPECT_LT(outerEnded, 1050 + 3000) << "the outer wait began again after the inner one";
}

}  // namespace
