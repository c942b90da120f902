#include "app/startup/Entry.h"

#include <QApplication>
#include <cstdlib>
#include <string>

#include "app/startup/ConfigurationStart.h"
#include "app/startup/ProgramEntryPoint.h"
#include "app/startup/ProgramObjects.h"

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
  if (ProgramEntryPoint::IsServiceCommandLine(commandLine) && !HasDisplay())
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  ProgramObjects objects;
  ProgramScope scope(objects.context);
  if (!ProgramEntryPoint::Main(objects, commandLine)) return ConfigurationStart::kUnusableConfigurationExitStatus;

  if (objects.context.isNTService)
    ProgramEntryPoint::StartNTServiceMode(objects);
  else
    ProgramEntryPoint::StartInteractiveMode(objects);
  return app.exec();
}
