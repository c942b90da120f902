// The time-zone facts read from the C library's zone data, for zones east and west of
// Greenwich, north and south, with and without daylight time.
#include <gtest/gtest.h>

#include <vector>

#include "platform/os/ScopedTimeZone.h"
#include "platform/os/TimeZoneInfo.h"

using platform::os::TimeZoneInfo;
using State = TimeZoneInfo::State;

namespace {

std::time_t Utc(int y, int mo, int d, int h = 12) {
  std::tm tm{};
  tm.tm_year = y - 1900, tm.tm_mon = mo - 1, tm.tm_mday = d, tm.tm_hour = h;
  return timegm(&tm);
}

std::vector<int> Parts(const TimeZoneInfo::ChangeDate& c) {
  return {c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second};
}

struct ZoneCase {
  const char* tz;
  std::time_t at;
  State result;
  int bias, daylightBias;
  std::vector<int> daylightDate, standardDate;  // local time just before each change
  const char* standardName;
  const char* daylightName;
};

TEST(TimeZoneInfo, BiasesAndChangeDatesOfTheZone) {
  const std::vector<int> none = {0, 0, 0, 0, 0, 0};
  // clang-format off
  const ZoneCase cases[] = {
      {"Europe/Berlin", Utc(2026, 7, 1), State::Daylight, -60, -60, {2026, 3, 29, 2, 0, 0},
       {2026, 10, 25, 3, 0, 0}, "CET", "CEST"},
      {"Europe/Berlin", Utc(2026, 1, 15), State::Standard, -60, -60, {2026, 3, 29, 2, 0, 0},
       {2026, 10, 25, 3, 0, 0}, "CET", "CEST"},
      {"America/New_York", Utc(2026, 7, 1), State::Daylight, 300, -60, {2026, 3, 8, 2, 0, 0},
       {2026, 11, 1, 2, 0, 0}, "EST", "EDT"},
      // Southern summer: daylight time at New Year, standard from April to October.
      {"Australia/Sydney", Utc(2026, 1, 15), State::Daylight, -600, -60, {2026, 10, 4, 2, 0, 0},
       {2026, 4, 5, 3, 0, 0}, "AEST", "AEDT"},
      {"UTC", Utc(2026, 7, 1), State::Unknown, 0, 0, none, none, "UTC", "UTC"},
      {"Asia/Kolkata", Utc(2026, 7, 1), State::Unknown, -330, 0, none, none, "IST", "IST"},
      // A zone written as a rule rather than a zone file.
      {"XST-1XDT,M3.5.0,M10.5.0/3", Utc(2026, 7, 1), State::Daylight, -60, -60, {2026, 3, 29, 2, 0, 0},
       {2026, 10, 25, 3, 0, 0}, "XST", "XDT"},
  };
  // clang-format on
  for (const ZoneCase& c : cases) {
    SCOPED_TRACE(c.tz);
    testsupport::ScopedTimeZone zone(c.tz);
    TimeZoneInfo info = TimeZoneInfo::At(c.at);
    EXPECT_EQ(info.Result, c.result);
    EXPECT_EQ(info.Bias, c.bias);
    EXPECT_EQ(info.StandardBias, 0);
    EXPECT_EQ(info.DaylightBias, c.daylightBias);
    EXPECT_EQ(Parts(info.DaylightDate), c.daylightDate);
    EXPECT_EQ(Parts(info.StandardDate), c.standardDate);
    EXPECT_EQ(info.StandardName, c.standardName);
    EXPECT_EQ(info.DaylightName, c.daylightName);
  }
}

// Whatever the zone data calls standard and daylight (Dublin's winter time is its "daylight"
// time in some builds of the data), bias plus daylight bias is the offset in force.
TEST(TimeZoneInfo, BiasesAddUpToTheOffsetInForce) {
  struct Case {
    const char* tz;
    std::time_t at;
    int minutesEast;
  } cases[] = {
      {"Europe/Dublin", Utc(2026, 1, 15), 0},        {"Europe/Dublin", Utc(2026, 7, 1), 60},
      {"Europe/Berlin", Utc(2026, 3, 29, 0), 60},    {"Europe/Berlin", Utc(2026, 3, 29, 1), 120},
      {"America/Sao_Paulo", Utc(2026, 1, 15), -180}, {"Pacific/Chatham", Utc(2026, 1, 15), 825},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tz);
    testsupport::ScopedTimeZone zone(c.tz);
    TimeZoneInfo info = TimeZoneInfo::At(c.at);
    int bias = info.Bias + (info.Result == State::Daylight ? info.DaylightBias : 0);
    EXPECT_EQ(-bias, c.minutesEast);
  }
}

TEST(TimeZoneInfo, NamesTheSystemZone) {
  {
    testsupport::ScopedTimeZone zone(":Europe/Berlin");
    EXPECT_EQ(TimeZoneInfo::Current().ZoneId, "Europe/Berlin");
  }
  {
    testsupport::ScopedTimeZone zone("/usr/share/zoneinfo/America/New_York");
    TimeZoneInfo info = TimeZoneInfo::Current();
    EXPECT_EQ(info.ZoneId, "America/New_York");
    EXPECT_NE(info.Result, State::Invalid);
  }
}

}  // namespace
