#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "core/Clock.h"
#include "core/Date.h"

// The program's text log: one file per start and per calendar day in the log
// folder, each line stamped "hh:mm:ss : text" and ended by CR LF, filtered by a
// verbosity 0..9. In service mode it also keeps the handle file beside the
// executable that names the current log file. It also removes old log files
// (log storage maintenance). File errors never reach the caller.
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
  void WriteLine(const std::string& text);
  void WriteHandleFile(const std::string& logFile);
  bool LSM_IsDue();

  std::string appPath_, exeName_;
  const core::Clock& clock_;
  std::string logPath_, prefix_, postfix_;
  std::int16_t verbosity_ = 0;
  std::int16_t bufferLength_ = 1024;
  bool enabled_ = false;
  bool logHandleAssertion_ = false;
  std::ofstream file_;
  std::string currentFilePath_;
  core::Date logDate_;
  bool logOpen_ = false;
  std::string retentionFolder_;
  std::string retentionFolderOnDisk_;
  std::int16_t keepDays_ = 0;
  core::Date lastMaintenanceHour_;
  bool maintenanceArmed_ = false;
};
