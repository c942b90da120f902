#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace qttest {

// The one QApplication of the test program (offscreen platform under ctest).
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "k30418-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);  // lives until exit
  return *app;
}

// Runs the event loop until done() holds or the time is up; true when it holds. The default
// time is generous for a busy machine: the wait ends as soon as done() holds.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QApplication::processEvents();
    QThread::msleep(1);
  }
  return true;
}

}  // namespace qttest
