#pragma once

#include <string>

struct ProgramObjects;

// The start of the program: builds the program-wide objects, decides the run
// mode, sets up the log, declares and reads the configuration and hands over to
// the window of the mode. The objects are given by the caller and must outlive
// the process's event loop.
namespace ProgramEntryPoint {

// True exactly when the command line, upper-cased, is "NTSERVICE".
bool IsServiceCommandLine(const std::string& commandLine);

// Runs every start-up step up to, not including, the mode start. False when the
// configuration could not be read: the box has been shown (or logged in service
// mode) and the process is to end at once, with
// ExitStatus::kUnusableConfiguration. Also false in service mode when another
// service instance runs in the same program folder (RefusedAsSecondService;
// ExitStatus::kServiceAlreadyRunning).
bool Main(ProgramObjects& objects, const std::string& commandLine);

// True when Main ended because another service instance holds the program
// folder: one log line said so, and the handle file still names that
// instance's log.
bool RefusedAsSecondService(const ProgramObjects& objects);

// Shows the main window (interactive) or the scheduler form (service mode).
void StartInteractiveMode(ProgramObjects& objects);
void StartNTServiceMode(ProgramObjects& objects);

}  // namespace ProgramEntryPoint
