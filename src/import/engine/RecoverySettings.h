#pragma once

#include <cstdint>
#include <string>

// How often a read or a write is tried and how long to wait between tries: the
// <SIDE>\RECOVERY\ATTEMPTS and <SIDE>\RECOVERY\SECONDS settings of the source ("SOURCE")
// or the target ("TARGET"), read from the program's configuration when a recovery loop
// starts. ATTEMPTS is the number of tries in all, not of retries.
class RecoverySettings {
 public:
  // Raises core::RuntimeError 13 when a setting is not a number and 6 when it, or the wait
  // in milliseconds, does not fit 32 bits, the description naming the setting and its value;
  // 91 when there is no configuration.
  static RecoverySettings Read(const std::string& side);

  std::int32_t Attempts() const { return attempts_; }
  std::int32_t WaitMilliseconds() const { return waitMs_; }
  // The SECONDS setting as stored, for the waiting status line.
  const std::string& SecondsText() const { return secondsText_; }

 private:
  std::int32_t attempts_ = 0;
  std::int32_t waitMs_ = 0;
  std::string secondsText_;
};
