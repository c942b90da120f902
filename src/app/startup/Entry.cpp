#include "app/startup/Entry.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/startup/ExitStatus.h"
#include "app/startup/PlatformNotices.h"
#include "app/startup/ProgramEnd.h"
#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"
#include "platform/db/InFlightCalls.h"
#include "platform/os/StopWatcher.h"

namespace {

std::string CommandLineOf(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

bool HasDisplay() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace

int RunProgram(int argc, char** argv) {
  const std::string commandLine = CommandLineOf(argc, argv);
  // An unattended service has no screen: its scheduler form lives off-screen.
  if (ProgramEntryPoint::IsServiceCommandLine(commandLine) && !HasDisplay()) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  PlatformNotices::Quieten();
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  std::string signalError;
  const std::unique_ptr<QObject> stopSignals = ProgramEnd::WatchStopSignals(signalError);
  if (!stopSignals) std::fprintf(stderr, "k30418: %s\n", signalError.c_str());
  // A stop also ends the database call the window thread may be blocked in. It outlives the
  // program's objects, so every call has ended before it goes.
  const platform::os::StopWatcher cancelOnStop(&platform::db::InFlightCalls::CancelRunning);

  ProgramObjects objects;
  ProgramScope scope(objects.context);
  if (!ProgramEntryPoint::Main(objects, commandLine))
    return ProgramEntryPoint::RefusedAsSecondService(objects) ? ExitStatus::kServiceAlreadyRunning
                                                              : ExitStatus::kUnusableConfiguration;

  if (objects.context.isNTService)
    ProgramEntryPoint::StartNTServiceMode(objects);
  else
    ProgramEntryPoint::StartInteractiveMode(objects);
  return ProgramEnd::RunEventLoop();
}
