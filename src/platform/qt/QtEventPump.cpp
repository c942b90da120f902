#include "platform/qt/QtEventPump.h"

#include <QCoreApplication>

namespace platform::qt {

void QtEventPump::ProcessEvents() {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::processEvents();
}

}  // namespace platform::qt
