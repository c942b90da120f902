#include "app/startup/ProgramEnd.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include "app/startup/ExitStatus.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/os/StopRequest.h"
#include "platform/os/StopSignals.h"

namespace ProgramEnd {

namespace {

bool gAnnounced = false;

}  // namespace

void Request() {
  // A signal that asked first stays the recorded reason.
  if (!platform::os::StopRequested()) platform::os::RequestStop(0);
  QCoreApplication::exit(ExitStatus::kEnded);
}

int RunEventLoop() {
  const int status = platform::os::StopRequested() ? ExitStatus::kEnded : QCoreApplication::exec();
  AnnounceSignal();  // a signal whose watcher had no chance to run before the end
  return status;
}

void AnnounceSignal() {
  const int signalNumber = platform::os::StopSignal();
  if (signalNumber == 0 || gAnnounced) return;
  gAnnounced = true;
  const ProgramContext& program = Program();
  if (!program.logger) return;
  const std::string name = platform::os::StopSignals::SignalName(signalNumber);
  program.logger->WriteLog(program.isNTService ? "Service stopped by the service host (" + name + ")."
                                               : "Program ended by the system (" + name + ").",
                           0);
}

std::unique_ptr<QObject> WatchStopSignals(std::string& error) {
  if (!platform::os::StopSignals::Install(error)) return nullptr;
  auto notifier = std::make_unique<QSocketNotifier>(platform::os::StopSignals::WakeDescriptor(), QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
    platform::os::StopSignals::DrainWakeups();
    AnnounceSignal();
    Request();
  });
  return notifier;
}

}  // namespace ProgramEnd
