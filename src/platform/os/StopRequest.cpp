#include "platform/os/StopRequest.h"

#include <atomic>

namespace platform::os {

namespace {

// -1: nobody asked; 0: the program; > 0: that signal. A lock-free atomic is safe to store from
// a signal handler.
std::atomic<int> gStop{-1};
static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

void RequestStop(int signalNumber) { gStop.store(signalNumber < 0 ? 0 : signalNumber); }
bool StopRequested() { return gStop.load() >= 0; }
int StopSignal() {
  const int s = gStop.load();
  return s > 0 ? s : 0;
}
void ResetStopRequest() { gStop.store(-1); }

}  // namespace platform::os
