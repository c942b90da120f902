#pragma once

#include <string>

class QALConfiguration;
class QALLoggerTXT;
class QALmsgBoxHandler;

// The configuration's part of start-up: clearing what an interrupted save left
// behind, reading the file, and applying the log settings it holds. The objects
// are borrowed from the caller for the length of each call.
namespace ConfigurationStart {

// Removes, from the program folder, the temporaries of saves that never finished:
// <exeName>.xml.XXXXXX of the configuration's save and <exeName>.log_handle.XXXXXX of the
// handle file's that no save holds any more,
// and TempJunk<pid>.txt of the last-id file's rewrite whose process is gone. Only
// regular files of exactly those names; one log line for each (level 0).
void RemoveSaveLeftovers(const std::string& folder, const std::string& exeName, QALLoggerTXT& log);

// Reads the configuration file. When it cannot be used: the box "Unable to read
// configuration at <path>" titled "Unable to start <title>", with the reason below
// it when a person sees it (in service mode the box is only logged, beside the
// store's line with the reason), and false: the process is to end at once, with
// nothing saved (ExitStatus::kUnusableConfiguration).
bool Read(QALConfiguration& config, QALmsgBoxHandler& msgBox, const std::string& title);

// Log verbosity (0..9) and retention (7..1000 days), clamped, written back to the
// configuration and applied; old logs are removed.
void ApplyLogSettings(QALLoggerTXT& log);

}  // namespace ConfigurationStart
