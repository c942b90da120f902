#pragma once

// The statuses the process ends with, in one place: the service unit and scripts that start the
// program tell the outcomes apart by them.
namespace ExitStatus {

// Ended as asked: Exit, closing the main window, the scheduler's "end", SIGTERM or SIGINT.
inline constexpr int kEnded = 0;
// Start-up could not complete (the reason is in the log).
inline constexpr int kStartFailed = 1;
// A service-mode start found another service instance running in the same installation folder
// and ended without doing anything. Like EX_TEMPFAIL: trying again later may succeed.
inline constexpr int kServiceAlreadyRunning = 75;

}  // namespace ExitStatus
