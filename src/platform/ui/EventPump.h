#pragma once

#include <cstdint>

namespace platform::ui {

// Lets pending window events run (timers, clicks, repaints).
class EventPump {
 public:
  virtual ~EventPump() = default;
  // Runs the pending events once.
  virtual void ProcessEvents() = 0;
  // Waits the given time while events keep running, so windows repaint and answer during the
  // wait; returns early once the program has been asked to end (platform::os::StopRequested).
  // This default runs the events in short slices; an implementation may wait on its own loop.
  virtual void WaitProcessingEvents(std::int32_t milliseconds);
};

}  // namespace platform::ui
