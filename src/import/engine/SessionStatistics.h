#pragma once

#include <cstdint>
#include <string>

#include "core/Date.h"

class CommonTypeVarRec;

// The counters of one import run and the lines that report them: one "Wrote Data" line per
// accepted write, the approval line per refused write, and the block of session statistics
// at the end. Times are seconds since midnight on the program's clock, so a read or a run
// across midnight counts as the shortest time (0.00001 s) rather than a negative one.
//
// One instance per run; nothing resets the counters in between. Status lines go through
// CommonGlobals::ShowStatus.
class SessionStatistics {
 public:
  // Seconds since midnight now, on Program().clock.
  static double SecondsSinceMidnight();

  // The start of the run, for the elapsed time.
  void SessionStart(double seconds) { sessionStart_ = seconds; }

  void AddReadStatistics(double startSeconds, double endSeconds, std::int32_t records);
  void CountSourceConnectionFailure() { ++sourceFailures_; }
  void CountTargetConnectionFailure() { ++targetFailures_; }

  // Counts one write outcome, each flag on its own, and shows its lines.
  void LogWriteOutcome(core::Date stamp, const CommonTypeVarRec& record, const std::string& text, bool logical,
                       bool physical, bool skipped);
  // "Wrote Data 03/05/2024 14:00  PLANT1:42<TAB>name<TAB>text units"
  static std::string WriteLine(core::Date stamp, const CommonTypeVarRec& record, const std::string& text);

  // "Session Statistics :" and its nine lines; takes the elapsed time up to now.
  void LogSessionStatistics();

  std::int32_t LogicalWrites() const { return logicalWrites_; }
  std::int32_t PhysicalWrites() const { return physicalWrites_; }
  std::int32_t SkippedWrites() const { return skippedWrites_; }
  std::int32_t SourceConnectionFailures() const { return sourceFailures_; }
  std::int32_t TargetConnectionFailures() const { return targetFailures_; }
  double ReadSeconds() const { return readSeconds_; }
  std::int32_t ReadRecords() const { return readRecords_; }
  double ElapsedSeconds() const { return elapsedSeconds_; }

 private:
  std::int32_t logicalWrites_ = 0;
  std::int32_t physicalWrites_ = 0;
  std::int32_t skippedWrites_ = 0;
  std::int32_t sourceFailures_ = 0;
  std::int32_t targetFailures_ = 0;
  double readSeconds_ = 0;
  std::int32_t readRecords_ = 0;
  double sessionStart_ = 0;
  double elapsedSeconds_ = 0;
};
