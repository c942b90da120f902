#pragma once

namespace platform::ui {

// Lets pending window events run once (timers, clicks, repaints).
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void ProcessEvents() = 0;
};

}  // namespace platform::ui
