#include <gtest/gtest.h>

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
  const std::time_t t = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&t, &parts);
  const Date expected = Date::FromParts(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                                        parts.tm_min, parts.tm_sec);
  EXPECT_LT(SecondsBetween(SystemClock::Instance().Now(), expected), 2.0);
}

TEST(SystemClock, KeepsMilliseconds) {
  // Over a few readings at least one should fall off a whole second.
  bool sawFraction = false;
  for (int i = 0; i < 50 && !sawFraction; ++i) {
    sawFraction = SystemClock::Instance().Now().Split().millisecond != 0;
  }
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
