#include "platform/os/StopRequest.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform::os {

namespace {

// -1: nobody asked; 0: the program; > 0: that signal. A lock-free atomic is safe to store from
// a signal handler.
std::atomic<int> gStop{-1};
std::atomic<int> gWake{-1};
static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

void RequestStop(int signalNumber) {
  gStop.store(signalNumber < 0 ? 0 : signalNumber);
  // The flag is set first: whoever wakes finds it set.
  const int fd = gWake.load();
  if (fd >= 0) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost by dropping this byte.
    (void)!::write(fd, &byte, 1);
    errno = savedErrno;
  }
}
bool StopRequested() { return gStop.load() >= 0; }
int StopSignal() {
  const int s = gStop.load();
  return s > 0 ? s : 0;
}
void ResetStopRequest() { gStop.store(-1); }
void WakeOnStop(int descriptor) { gWake.store(descriptor); }

}  // namespace platform::os
