#pragma once

namespace platform::os {

// Whether the process has been asked to end: by the service host (SIGTERM, SIGINT) or by the
// program itself (the main window's Exit). Long work (an import) looks at it after each database
// call and ends in order; waits return early when it is set. It is process-wide by nature: a
// signal handler sets it, so it lives outside the program context. Setting it is
// async-signal-safe.
void RequestStop(int signalNumber = 0);  // 0: the program asked itself
bool StopRequested();
int StopSignal();  // the signal that asked, 0 when the program asked or nobody did
// Clears the request (tests, and a program that carries on after a refused exit).
void ResetStopRequest();
// A descriptor (a pipe's write end) that each RequestStop writes one byte to, so that a thread
// waiting on the pipe hears of the request at once; -1 for none. For StopWatcher.
void WakeOnStop(int descriptor);

}  // namespace platform::os
