#pragma once

#include <memory>
#include <string>

class CommonVarGatherer;

// The import sessions that the windows and the scheduler start: all variables of the designated
// collector, or a selection the operator picks. A session lives inside one call of an entry
// point: it opens the Krym root schema, checks the user and the interface version (interactive
// only), reads the collector and the variables linked to it with their facilities' lock dates,
// fixes the import's date range and runs the import engine. It reports its own progress and
// failures through the status line, the log and message boxes; a failed step ends the session
// without an import. The operator dialogs are reached through SessionDialogs.
//
// The gatherer and the connections a session makes are its own and go when it ends. Everything
// runs on the main thread; the message pumps inside a session (after the lock dates, in the
// engine's recovery waits) can start a nested session, which nothing prevents.
namespace CommonGlobals {

// A whole session over every linked variable. True when the import ran to its end; false when
// a preparation step failed, nothing was linked, the operator cancelled, or the import ended in
// error (each reported on its way).
bool ImportAllVariables(bool testMode);
// As ImportAllVariables, over the variables the operator picks; interactive mode only (in
// service mode it writes one status line and returns false).
bool ImportSelectedVariables(bool testMode);

// The preparation of a session, up to and including the facilities' lock dates. Null when a
// step failed (reported); the root connection it opened is closed either way.
std::unique_ptr<CommonVarGatherer> PrepareImportSession();

// Chooses the import's start and end (the configured defaults in service mode, the date range
// dialog in interactive mode) and stores them as DefaultStart and DefaultEnd of the gatherer's
// last-run settings. False only when the operator cancelled.
bool SelectImportDateRange(CommonVarGatherer& gatherer);
// The same for a collector with indirect time handling: the range in UTC.
bool SelectImportDateRangeUTC(CommonVarGatherer& gatherer);

// Loads the additional-information map and runs the import engine once over the gatherer,
// with the status lines before and after. Returns the engine's result.
bool RunImport(CommonVarGatherer& gatherer, bool testMode);

// Warns (status line and box) when the designated collector links to another version of the
// interface than this program's. Never stops a session; its own failures are logged only.
void ValidateInterfaceVersion();
// The warning itself, for a collector's lu_version: nothing when it is empty or equal to the
// running version.
void CheckInterfaceVersion(const std::string& luVersion);

// The running version: major, minor and revision joined with "." ("1.0.8").
std::string RunningInterfaceVersion();

}  // namespace CommonGlobals
