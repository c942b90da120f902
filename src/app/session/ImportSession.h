#pragma once

// The import sessions that the windows and the scheduler start: all variables
// of the designated collector, or a selection the operator picks. A session
// reports its own progress and failures through the status line and the log.
namespace CommonGlobals {

bool ImportAllVariables(bool testMode);
bool ImportSelectedVariables(bool testMode);

}  // namespace CommonGlobals
