#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/Clock.h"
#include "core/Date.h"

// The program's text log: one file per start and per calendar day in the log
// folder, each line stamped "hh:mm:ss : text" and ended by CR LF, filtered by a
// verbosity 0..9. In service mode it also keeps the handle file beside the
// executable that names the current log file. It also removes old log files
// (log storage maintenance). File errors never reach the caller.
//
// What the log cannot take goes to the journal (standard error, which the service manager
// keeps): a log file that cannot be made or written is told there once per cause, with the
// reason, and so is every other failure of the program's own files that a caller reports
// (ReportFileFailure). While any of them lasts, the lines that must reach someone
// (WriteAlert: the run's closing line, the id-save warning, errors) go to the journal too.
// Once the log can be written again, its next line says what it missed. A line is in the log
// whole or not at all: what a full disk cut is taken back.
//
// The handle file is replaced as a whole, never emptied, and as a file of its folder: a symbolic
// link in its place is replaced by the file, and what it pointed at is never written. When it
// cannot be brought up to date (the current log cannot be made, or the handle itself cannot be
// written) it is removed, so that it never names an older log as the current one.
//
// The clock is borrowed and must outlive the logger.
class QALLoggerTXT {
 public:
  // appPath and exeName locate the log folder (appPath/log) and the handle file
  // (appPath/exeName.log_handle).
  QALLoggerTXT(std::string appPath, std::string exeName,
               const core::Clock& clock = core::SystemClock::Instance());
  ~QALLoggerTXT();

  void LogHandleAssertion(bool on);
  void LogPath(const std::string& path);  // stores it and creates the folder
  const std::string& LogPath() const;
  void Prefix(const std::string& s);
  const std::string& Prefix() const;
  void Postfix(const std::string& s);
  const std::string& Postfix() const;
  void Verbosity(std::int16_t v);
  std::int16_t Verbosity() const;
  // Kept as configured; every line reaches the file as it is written whatever
  // the buffer length.
  void BufferLength(std::int16_t n);
  std::int16_t BufferLength() const;
  void Enabled(bool on);
  bool Enabled() const;

  void closeLog();
  void AssertVerbosity();
  void WriteLog(const std::string& what, int verbosityLevel = 0);

  // Where journal lines go; by default standard error, each line as "<exeName>: <line>".
  void Journal(std::function<void(const std::string& line)> sink);
  // One line to the journal, whatever the state of the log (made one bounded line).
  void WriteJournal(const std::string& line) const;
  // A line that must reach someone: written at level 0, and to the journal too while the log
  // or another of the program's own files fails (OwnFilesFailing).
  void WriteAlert(const std::string& what);
  // The journal part of WriteAlert alone, for a caller that has logged the text its own way.
  void JournalWhileFailing(const std::string& what) const;
  // One of the program's own files (file: its path) failed for reason: line goes to the
  // journal, once per cause (not again for the same file and reason until FileRecovered).
  // The caller writes its own log lines.
  void ReportFileFailure(const std::string& file, const std::string& reason, const std::string& line);
  // The file works again: line goes to the journal when its failure had been told.
  void FileRecovered(const std::string& file, const std::string& line);
  // Whether the file's failure has been told and it has not recovered since.
  bool FileFailing(const std::string& file) const { return failedFiles_.count(file) > 0; }
  // True while the log cannot be written or a reported file has not recovered.
  bool OwnFilesFailing() const;
  // Why the log cannot be written, "" while it can.
  std::string LogFailure() const;

  void LSM_Init(std::int16_t keepDays);
  void LSM_Run();

  core::Date GetLastModifiedFileTime(const std::string& path) const;
  std::int32_t GetFileSizeInBytes(const std::string& path) const;
  bool KillFileAndDiscardError(const std::string& path) const;

  // The full path of the open log file, "" when none is open.
  const std::string& CurrentFilePath() const;
  // The handle file beside the executable.
  std::string HandleFilePath() const;

 private:
  void OpenLog();
  // Whether the text reached the file.
  bool WriteLine(const std::string& text);
  // Appends one whole line; on a failure what was written of it is taken back.
  bool AppendLine(const std::string& line, int& error);
  void WriteHandleFile(const std::string& logFile);
  // The handle file cannot name the current log: it goes, once per failure.
  void DropHandleFile(const std::string& why);
  // The log failed (reason) or works again.
  void LogFailed(const std::string& reason);
  bool LogRecovered(const core::Date& now);
  bool LSM_IsDue();

  std::string appPath_, exeName_;
  const core::Clock& clock_;
  std::string logPath_, prefix_, postfix_;
  std::int16_t verbosity_ = 0;
  std::int16_t bufferLength_ = 1024;
  bool enabled_ = false;
  bool logHandleAssertion_ = false;
  int fd_ = -1;
  std::string currentFilePath_;
  core::Date logDate_;
  bool logOpen_ = false;
  std::string retentionFolder_;
  std::string retentionFolderOnDisk_;
  std::int16_t keepDays_ = 0;
  core::Date lastMaintenanceHour_;
  bool maintenanceArmed_ = false;

  std::function<void(const std::string&)> journal_;
  // A time the log could not be written: why, since when, and how many lines it lost.
  struct Outage {
    std::string reason;
    core::Date since;
    std::int64_t missed = 0;
  };
  std::optional<Outage> outage_;
  // The other files whose failure the journal was told, with the reason told.
  std::map<std::string, std::string> failedFiles_;
  bool handleCurrent_ = false;  // the handle file names the open log
  bool handleDropped_ = false;  // removing it was tried since the last log was named
};
