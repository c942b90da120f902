#pragma once

#include <cstdint>
#include <string>
#include <utility>

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

  class Reader;

  std::int32_t Attempts() const { return attempts_; }
  std::int32_t WaitMilliseconds() const { return waitMs_; }
  // The SECONDS setting as stored, for the waiting status line.
  const std::string& SecondsText() const { return secondsText_; }

 private:
  std::int32_t attempts_ = 0;
  std::int32_t waitMs_ = 0;
  std::string secondsText_;
};

// The settings of one side as Read gives them, read again only when the program's
// configuration is another one or has changed since (its revision tells both), so that a
// loop started for every value does not convert the same texts each time. A failed read is
// not kept: it fails again at the next call, as Read does.
class RecoverySettings::Reader {
 public:
  explicit Reader(std::string side) : side_(std::move(side)) {}
  const RecoverySettings& Get();

 private:
  std::string side_;
  std::uint64_t revision_ = 0;  // of the configuration settings_ were read from; 0: none
  RecoverySettings settings_;
};
