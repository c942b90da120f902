#pragma once

#include <functional>
#include <memory>

#include "platform/ui/TimerService.h"

namespace platform::qt {

// Window timers as QTimers of the thread that creates them (the window thread):
// ticks are events of its event loop, so a tick runs only when that loop runs or
// when pending events are let run. A callback may let events run; other timers
// then tick inside it, but Qt never starts a timer's callback again while it is
// still running. A timer may be stopped or destroyed from inside any callback,
// its own included. Timers must not outlive the QCoreApplication.
class QtTimerService : public platform::ui::TimerService {
 public:
  std::unique_ptr<platform::ui::Timer> CreateTimer(std::function<void()> onTick) override;
};

}  // namespace platform::qt
