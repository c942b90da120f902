#pragma once

#include "platform/ui/EventPump.h"

namespace platform::qt {

// Lets the events of the Qt event loop run: once, or for the length of a wait. Owns nothing; use
// it on the window thread while a QCoreApplication exists.
class QtEventPump : public platform::ui::EventPump {
 public:
  void ProcessEvents() override;
  // Runs a local event loop for the whole wait, so windows repaint, move and answer clicks
  // throughout; a click may start other work inside the wait, as it could between two waits.
  // Returns at the end of the wait, or early once the program has been asked to end.
  void WaitProcessingEvents(std::int32_t milliseconds) override;
};

}  // namespace platform::qt
