#pragma once

#include <functional>
#include <memory>

namespace platform::ui {

// A repeating window timer: calls its callback on the window thread every
// interval until it is destroyed or stopped.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void Start(int intervalMs) = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;
};

class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) = 0;
};

}  // namespace platform::ui
