#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "core/Clock.h"

namespace core {
namespace {

// Sets TZ for the scope and restores what was there.
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZoneScope() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

double SecondsBetween(Date a, Date b) { return std::fabs(b.Serial() - a.Serial()) * 86400.0; }

TEST(SystemClock, NowIsLocalTime) {
  Date utc, east;
  {
    TimeZoneScope tz("UTC0");
    utc = SystemClock::Instance().Now();
  }
  {
    TimeZoneScope tz("XYZ-3");  // three hours east of UTC, no daylight saving
    east = SystemClock::Instance().Now();
  }
  const double diffHours = (east.Serial() - utc.Serial()) * 24.0;
  EXPECT_NEAR(diffHours, 3.0, 0.01);

  TimeZoneScope tz("UTC0");
  // The reading lies between the system's whole seconds read before and after it, however long
  // a busy machine takes between the three.
  auto utcNow = [] {
    const std::time_t t = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&t, &parts);
    return Date::FromParts(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                           parts.tm_sec);
  };
  const Date before = utcNow();
  const Date now = SystemClock::Instance().Now();
  const Date after = utcNow();
  const double slack = 0.01 / 86400;  // the coarse clock std::time reads may lag by a tick
  EXPECT_GE(now.Serial(), before.Serial() - slack) << SecondsBetween(now, before);
  EXPECT_LT(now.Serial(), after.Serial() + 1.0 / 86400 + slack) << SecondsBetween(now, after);
}

TEST(SystemClock, KeepsMilliseconds) {
  // Over a few readings at least one should fall off a whole second.
  // Readings until one falls off a whole second (fifty in a row may all fall in one millisecond).
  bool sawFraction = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!sawFraction && std::chrono::steady_clock::now() < until)
    sawFraction = SystemClock::Instance().Now().Split().millisecond != 0;
  EXPECT_TRUE(sawFraction);
}

TEST(ManualClock, StandsStillUntilMoved) {
  ManualClock clock(Date::FromParts(2026, 12, 8, 23, 59, 30));
  EXPECT_EQ(clock.Now(), Date::FromParts(2026, 12, 8, 23, 59, 30));
  clock.AdvanceSeconds(45);
  EXPECT_EQ(clock.Now().Split().day, 9);
  EXPECT_EQ(clock.Now().Split().second, 15);
  clock.Set(Date(1));
  EXPECT_EQ(clock.Now(), Date(1));
}

}  // namespace
}  // namespace core
