#pragma once

#include "core/Date.h"

namespace core {

// The source of the local time. Classes that act on the time of day take one so
// that tests can set the clock (midnight roll-over, schedules).
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Date Now() const = 0;  // local time, to the millisecond
};

class SystemClock : public Clock {
 public:
  Date Now() const override;
  static const SystemClock& Instance();
};

// A clock that stands still until it is set or advanced; for tests.
class ManualClock : public Clock {
 public:
  explicit ManualClock(Date start = Date()) : now_(start) {}
  Date Now() const override { return now_; }
  void Set(Date d) { now_ = d; }
  void AdvanceSeconds(double s) { now_ = Date(now_.Serial() + s / 86400.0); }

 private:
  Date now_;
};

}  // namespace core
