#include "platform/ui/EventPump.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/os/StopRequest.h"

namespace platform::ui {

void EventPump::WaitProcessingEvents(std::int32_t milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(std::max<std::int32_t>(milliseconds, 0));
  for (;;) {
    ProcessEvents();
    if (platform::os::StopRequested()) return;
    const auto now = Clock::now();
    if (now >= end) return;
    std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(20)));
  }
}

}  // namespace platform::ui
