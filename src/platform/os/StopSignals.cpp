#include "platform/os/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/os/StopRequest.h"

namespace platform::os::StopSignals {

namespace {

std::atomic<int> gReadEnd{-1};
std::atomic<int> gWriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void OnStopSignal(int signalNumber) {
  const int savedErrno = errno;
  RequestStop(signalNumber);
  const int fd = gWriteEnd.load();
  if (fd >= 0) {
    const char byte = 1;
    // A full pipe already says "a signal came"; nothing is lost by dropping this byte.
    (void)!::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

bool Install(std::string& error) {
  if (gReadEnd.load() >= 0) return true;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("cannot make the signal pipe: ") + std::strerror(errno);
    return false;
  }
  gReadEnd.store(ends[0]);
  gWriteEnd.store(ends[1]);

  struct sigaction action {};
  action.sa_handler = &OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls go on: the database driver's reads and writes must not fail on a
  // signal. Long work looks at the stop request after each call instead.
  action.sa_flags = SA_RESTART;
  for (int signalNumber : {SIGTERM, SIGINT}) {
    if (::sigaction(signalNumber, &action, nullptr) != 0) {
      error = "cannot handle " + SignalName(signalNumber) + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

int WakeDescriptor() { return gReadEnd.load(); }

void DrainWakeups() {
  const int fd = gReadEnd.load();
  if (fd < 0) return;
  char buffer[64];
  while (::read(fd, buffer, sizeof buffer) > 0) {
  }
}

std::string SignalName(int signalNumber) {
  switch (signalNumber) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    default:
      return "signal " + std::to_string(signalNumber);
  }
}

}  // namespace platform::os::StopSignals
