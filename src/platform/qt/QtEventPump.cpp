#include "platform/qt/QtEventPump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include "platform/os/StopRequest.h"

namespace platform::qt {

namespace {

// How often a wait looks at the stop request. Ending the program also quits every event loop,
// so this only matters for a request that came without that (a signal caught inside a database
// call, before the main loop saw it).
constexpr int kStopPollMs = 50;

}  // namespace

void QtEventPump::ProcessEvents() {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::processEvents();
}

void QtEventPump::WaitProcessingEvents(std::int32_t milliseconds) {
  if (QCoreApplication::instance() == nullptr || platform::os::StopRequested() || milliseconds <= 0) {
    EventPump::WaitProcessingEvents(milliseconds);
    return;
  }
  const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
  QEventLoop loop;
  QTimer end;
  end.setSingleShot(true);
  end.setTimerType(Qt::PreciseTimer);
  QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&loop] {
    if (platform::os::StopRequested()) loop.quit();
  });
  end.start(milliseconds);
  poll.start(kStopPollMs);
  loop.exec();
  // A loop that could not run (the application was told to quit and has not yet returned to its
  // own loop) or that another quit ended early: the rest of the wait in slices, as before.
  if (!platform::os::StopRequested() && !deadline.hasExpired())
    EventPump::WaitProcessingEvents(static_cast<std::int32_t>(deadline.remainingTime()));
}

}  // namespace platform::qt
