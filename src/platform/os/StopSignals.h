#pragma once

#include <string>

namespace platform::os {

// SIGTERM and SIGINT as a request to end the program. The handler only does what is safe inside
// a signal handler: it records the signal as the stop request (StopRequest.h) and writes one
// byte to a pipe whose read end the window thread watches, so the main loop hears of it at once.
// Everything else (the log line, the orderly end) is done by that watcher, never in the handler.
//
// Process-wide by nature; the pipe lives until the process ends.
namespace StopSignals {

// Sets up the pipe and the handlers; calling it again does nothing. False with the reason in
// error when the pipe or a handler could not be set up (the signals then end the process as
// they would without us).
bool Install(std::string& error);
// The pipe's read end, readable once a signal came; -1 before Install.
int WakeDescriptor();
// Empties the pipe, so the watcher hears only the signals that come after.
void DrainWakeups();
// "SIGTERM", "SIGINT", or "signal <n>".
std::string SignalName(int signalNumber);

}  // namespace StopSignals

}  // namespace platform::os
