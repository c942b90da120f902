#include "platform/qt/QtBusyPointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform::qt {

QtBusyPointer::~QtBusyPointer() {
  while (depth_ > 0) SetBusy(false);
}

void QtBusyPointer::SetBusy(bool busy) {
  // Without a GUI application (a console test) there is no pointer to change.
  const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  if (busy) {
    if (gui) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++depth_;
  } else if (depth_ > 0) {
    if (gui) QGuiApplication::restoreOverrideCursor();
    --depth_;
  }
}

}  // namespace platform::qt
