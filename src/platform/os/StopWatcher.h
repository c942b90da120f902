#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace platform::os {

// A thread of its own that acts on a stop request (StopRequest.h) while the window thread
// cannot: that thread may be blocked in a database call, which only a cancel sent from another
// thread ends early. Every RequestStop, a signal handler's included, wakes it through a pipe
// (writing to a pipe is safe in a signal handler); it then runs the action, and runs it again
// every 100 ms for as long as the action answers true (there is still a call to end).
//
// One watcher at a time (they share the process's one wake-up pipe). The action must be safe to
// run on this thread. The destructor ends and joins the thread; the action is not running once
// it has returned.
class StopWatcher {
 public:
  // Starts the thread. Without a pipe (no descriptors left) there is no thread, and a stop
  // waits for the blocked call as it would without the watcher.
  explicit StopWatcher(std::function<bool()> action);
  ~StopWatcher();
  StopWatcher(const StopWatcher&) = delete;
  StopWatcher& operator=(const StopWatcher&) = delete;

  bool Running() const { return thread_.joinable(); }

 private:
  void Watch();

  std::function<bool()> action_;
  int readEnd_ = -1;
  int writeEnd_ = -1;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

}  // namespace platform::os
