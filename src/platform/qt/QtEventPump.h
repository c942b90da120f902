#pragma once

#include "platform/ui/EventPump.h"

namespace platform::qt {

// Lets the pending events of the Qt event loop run once. Owns nothing; use it on
// the window thread while a QCoreApplication exists.
class QtEventPump : public platform::ui::EventPump {
 public:
  void ProcessEvents() override;
};

}  // namespace platform::qt
