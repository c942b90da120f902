#pragma once

#include <sysexits.h>

// The statuses the process ends with, in one place: the service unit and scripts that start the
// program tell the outcomes apart by them.
namespace ExitStatus {

// Ended as asked: Exit, closing the main window, the scheduler's "end", SIGTERM or SIGINT.
inline constexpr int kEnded = 0;
// The configuration file cannot be used (not XML, another shape, a data part that does not
// decrypt, or a missing file that cannot be created): EX_CONFIG. Starting again cannot mend it,
// so the service unit lists this status in RestartPreventExitStatus=.
inline constexpr int kUnusableConfiguration = EX_CONFIG;
// A service-mode start found another service instance running in the same installation folder
// and ended without doing anything (EX_TEMPFAIL): a later start succeeds once that one has ended.
inline constexpr int kServiceAlreadyRunning = EX_TEMPFAIL;

}  // namespace ExitStatus
