#include "platform/qt/QtEventPump.h"

#include <gtest/gtest.h>

#include <QMetaObject>

#include "support/QtTestApp.h"

namespace {

TEST(QtEventPump, RunsThePendingEventsOnce) {
  QApplication& app = qttest::App();
  int ran = 0;
  QMetaObject::invokeMethod(&app, [&] {
    ++ran;
    // Posted while the pump runs: waits for the next pump.
    QMetaObject::invokeMethod(&app, [&] { ++ran; }, Qt::QueuedConnection);
  }, Qt::QueuedConnection);
  EXPECT_EQ(ran, 0);
  platform::qt::QtEventPump pump;
  pump.ProcessEvents();
  EXPECT_GE(ran, 1);
  pump.ProcessEvents();
  EXPECT_EQ(ran, 2);
}

}  // namespace
