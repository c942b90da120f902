#pragma once

#include <QObject>
#include <memory>
#include <string>

// How the program ends. Every way out (the main window's Exit and close, the scheduler's "end",
// SIGTERM and SIGINT) ends it the same way: the stop is requested first
// (platform::os::RequestStop), so a running import returns after its current database call and
// its waits end at once; then every event loop is told to return. The process ends when the
// stack is back in the entry routine, which releases the program's objects in order, so no file
// is left half-written.
namespace ProgramEnd {

// Asks the program to end as above. Also valid before the main event loop runs (the first
// scheduler tick runs before it): the entry routine then does not start the loop.
void Request();

// Runs the application's event loop until the program is asked to end, and gives the exit
// status. A request made before the loop runs (the first scheduler tick runs before it, so the
// scheduler's "end" or a signal may come then) ends it at once: a loop started after the request
// would never hear it. A signal that came is announced before it returns.
int RunEventLoop();

// Writes, once, the log line that says which signal ended the program ("Service stopped by the
// service host (SIGTERM)." in service mode); does nothing when no signal asked.
void AnnounceSignal();

// Starts hearing SIGTERM and SIGINT on the window thread: each announces itself and ends the
// program as Request does. Hearing stops when the returned object dies; it must not outlive
// the QCoreApplication. Null with the reason in error when the signals cannot be caught.
std::unique_ptr<QObject> WatchStopSignals(std::string& error);

}  // namespace ProgramEnd
