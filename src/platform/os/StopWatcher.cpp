#include "platform/os/StopWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <utility>

#include "platform/os/StopRequest.h"

namespace platform::os {

namespace {

constexpr int kRepeatMilliseconds = 100;

// Waits up to milliseconds (-1: without end) for the pipe to become readable, then empties it.
void WaitAndDrain(int fd, int milliseconds) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, milliseconds) <= 0) return;
  char buffer[64];
  while (::read(fd, buffer, sizeof buffer) > 0) {
  }
}

// The pipe lives until the process ends: a signal handler may write to it at any moment, also
// while a watcher goes, and must never meet a closed (or reused) descriptor.
struct WakePipe {
  int readEnd = -1;
  int writeEnd = -1;
  WakePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    readEnd = ends[0];
    writeEnd = ends[1];
    WakeOnStop(writeEnd);
  }
};

const WakePipe& ThePipe() {
  static const WakePipe pipe;
  return pipe;
}

}  // namespace

StopWatcher::StopWatcher(std::function<bool()> action) : action_(std::move(action)) {
  readEnd_ = ThePipe().readEnd;
  writeEnd_ = ThePipe().writeEnd;
  if (readEnd_ >= 0) thread_ = std::thread([this] { Watch(); });
}

StopWatcher::~StopWatcher() {
  if (!thread_.joinable()) return;
  quit_.store(true);
  const char byte = 0;
  (void)!::write(writeEnd_, &byte, 1);
  thread_.join();
}

void StopWatcher::Watch() {
  while (!quit_.load()) {
    // The flag decides, not what woke the thread: a request made before it ran counts too.
    while (!quit_.load() && StopRequested() && action_()) WaitAndDrain(readEnd_, kRepeatMilliseconds);
    if (!quit_.load()) WaitAndDrain(readEnd_, -1);
  }
}

}  // namespace platform::os
