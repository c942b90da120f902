#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>
#include <csignal>
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
// end), a window repaints, and the wait still lasts as long as it was asked to.
TEST_F(QtEventPumpWait, EventsRunWhenTheyArriveAndTheWaitKeepsItsLength) {
  PaintCounter window;
  window.resize(120, 80);
  window.show();
  pump_.ProcessEvents();
  const int paintsBefore = window.paints;

  std::vector<qint64> fired;
  QTimer::singleShot(50, [&] { fired.push_back(clock_.elapsed()); });
  QTimer::singleShot(150, [&] {
    fired.push_back(clock_.elapsed());
    window.update();
  });
  int paintsAtRepaint = -1;
  QTimer::singleShot(300, [&] { paintsAtRepaint = window.paints; });

  pump_.WaitProcessingEvents(500);
  const qint64 waited = clock_.elapsed();

  ASSERT_EQ(fired.size(), 2u);
  EXPECT_LT(fired[0], 300) << "a timer due early in the wait ran only at its end";
  EXPECT_LT(fired[1], 450);
  EXPECT_GT(paintsAtRepaint, paintsBefore) << "the window did not repaint during the wait";
  EXPECT_GE(waited, 500);
  EXPECT_LT(waited, 1500);
}

TEST_F(QtEventPumpWait, AStopRequestEndsTheWaitEarly) {
  QTimer::singleShot(100, [] { platform::os::RequestStop(SIGTERM); });
  pump_.WaitProcessingEvents(10000);
  EXPECT_LT(clock_.elapsed(), 2000);

  // Asked before the wait: it does not start.
  clock_.restart();
  pump_.WaitProcessingEvents(10000);
  EXPECT_LT(clock_.elapsed(), 500);
}

// A click handled inside a wait may itself wait (an import started from the menu while another
// one waits); each wait ends at its own time and the outer one is not stretched by much.
TEST_F(QtEventPumpWait, AWaitInsideAWaitEndsAtItsOwnTime) {
  qint64 innerEnded = -1;
  QTimer::singleShot(50, [&] {
    pump_.WaitProcessingEvents(150);
    innerEnded = clock_.elapsed();
  });
  pump_.WaitProcessingEvents(400);
  const qint64 outerEnded = clock_.elapsed();
  EXPECT_GE(innerEnded, 200);
  EXPECT_LT(innerEnded, 400);
  EXPECT_GE(outerEnded, 400);
  EXPECT_LT(outerEnded, 1500);
}

}  // namespace
