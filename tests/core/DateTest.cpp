#include <gtest/gtest.h>

#include <cmath>

#include "core/Date.h"
#include "core/RuntimeError.h"

namespace core {
namespace {

struct PartsCase {
  double serial;
  Date::Parts parts;
};

void ExpectParts(const Date::Parts& got, const Date::Parts& want) {
  EXPECT_EQ(got.year, want.year);
  EXPECT_EQ(got.month, want.month);
  EXPECT_EQ(got.day, want.day);
  EXPECT_EQ(got.hour, want.hour);
  EXPECT_EQ(got.minute, want.minute);
  EXPECT_EQ(got.second, want.second);
  EXPECT_EQ(got.millisecond, want.millisecond);
}

TEST(Date, SerialsAndTheirParts) {
  const PartsCase cases[] = {
      {0, {1899, 12, 30, 0, 0, 0, 0}},
      {1, {1899, 12, 31, 0, 0, 0, 0}},
      {2, {1900, 1, 1, 0, 0, 0, 0}},
      {60, {1900, 2, 28, 0, 0, 0, 0}},
      {61, {1900, 3, 1, 0, 0, 0, 0}},  // 1900 was no leap year
      {36526, {2000, 1, 1, 0, 0, 0, 0}},
      {36585, {2000, 2, 29, 0, 0, 0, 0}},
      {46364.5, {2026, 12, 8, 12, 0, 0, 0}},
      {-1, {1899, 12, 29, 0, 0, 0, 0}},
      {-1.25, {1899, 12, 29, 6, 0, 0, 0}},  // before 1899 the fraction still counts forward
      {-1.75, {1899, 12, 29, 18, 0, 0, 0}},
      {-0.5, {1899, 12, 30, 12, 0, 0, 0}},
      {-693593, {1, 1, 1, 0, 0, 0, 0}},
      {-657434, {100, 1, 1, 0, 0, 0, 0}},
      {2958465, {9999, 12, 31, 0, 0, 0, 0}},
  };
  for (const PartsCase& c : cases) {
    SCOPED_TRACE(c.serial);
    ExpectParts(Date(c.serial).Split(), c.parts);
  }
}

TEST(Date, BuildAndSplitRoundTrip) {
  const Date::Parts cases[] = {
      {2026, 12, 8, 13, 5, 9, 0},   {2026, 12, 8, 13, 5, 9, 123}, {2026, 12, 8, 23, 59, 59, 999},
      {1899, 12, 29, 6, 0, 0, 0},   {1850, 7, 4, 18, 30, 15, 250}, {1600, 2, 29, 0, 0, 0, 1},
      {100, 1, 1, 0, 0, 0, 0},      {9999, 12, 31, 23, 59, 59, 999}, {2024, 2, 29, 12, 0, 0, 500},
  };
  for (const Date::Parts& p : cases) {
    SCOPED_TRACE(testing::Message() << p.year << "-" << p.month << "-" << p.day << " " << p.hour << ":"
                                    << p.minute << ":" << p.second << "." << p.millisecond);
    const Date d = Date::FromParts(p.year, p.month, p.day, p.hour, p.minute, p.second + p.millisecond / 1000.0);
    ExpectParts(d.Split(), p);
    EXPECT_EQ(d.Year(), p.year);
    EXPECT_EQ(d.Month(), p.month);
    EXPECT_EQ(d.Day(), p.day);
    EXPECT_EQ(d.Hour(), p.hour);
    EXPECT_EQ(d.Minute(), p.minute);
    EXPECT_EQ(d.Second(), p.second);
  }
}

TEST(Date, PartsRunOver) {
  const struct {
    int y, mo, d, h, mi;
    double s;
    Date::Parts want;
  } cases[] = {
      {2026, 13, 1, 0, 0, 0, {2027, 1, 1, 0, 0, 0, 0}},
      {2026, 0, 1, 0, 0, 0, {2025, 12, 1, 0, 0, 0, 0}},
      {2026, -11, 1, 0, 0, 0, {2025, 1, 1, 0, 0, 0, 0}},
      {2026, -12, 1, 0, 0, 0, {2024, 12, 1, 0, 0, 0, 0}},
      {2026, 3, 0, 0, 0, 0, {2026, 2, 28, 0, 0, 0, 0}},
      {2024, 3, 0, 0, 0, 0, {2024, 2, 29, 0, 0, 0, 0}},
      {2026, 12, 32, 0, 0, 0, {2027, 1, 1, 0, 0, 0, 0}},
      {2026, 1, -1, 0, 0, 0, {2025, 12, 30, 0, 0, 0, 0}},
      {2026, 12, 8, 25, 0, 0, {2026, 12, 9, 1, 0, 0, 0}},
      {2026, 12, 8, 0, 90, 0, {2026, 12, 8, 1, 30, 0, 0}},
      {2026, 12, 8, 0, 0, 3661, {2026, 12, 8, 1, 1, 1, 0}},
      {2026, 12, 8, -1, 0, 0, {2026, 12, 7, 23, 0, 0, 0}},
      {1899, 12, 30, -6, 0, 0, {1899, 12, 29, 18, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi << ":" << c.s);
    ExpectParts(Date::FromParts(c.y, c.mo, c.d, c.h, c.mi, c.s).Split(), c.want);
  }
}

TEST(Date, SplitRoundsToTheMillisecond) {
  // Half a millisecond before midnight rounds up into the next day.
  const double serial = 46364.0 + (86400000.0 - 0.4) / 86400000.0;
  ExpectParts(Date(serial).Split(), {2026, 12, 9, 0, 0, 0, 0});
  const Date d = Date::FromParts(2026, 12, 8, 10, 0, 0.0004);
  EXPECT_EQ(d.Split().millisecond, 0);
}

TEST(Date, OutsideTheCalendarIsAnError) {
  for (int year : {99, 10000}) {
    SCOPED_TRACE(year);
    try {
      Date::FromParts(year, 1, 1);
      ADD_FAILURE() << "accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), err::kInvalidCall);
    }
  }
  EXPECT_THROW(Date::FromParts(9999, 12, 32), RuntimeError);
}

TEST(Date, FromTimeIsAFractionOfDayZero) {
  EXPECT_DOUBLE_EQ(Date::FromTime(12, 0, 0).Serial(), 0.5);
  EXPECT_DOUBLE_EQ(Date::FromTime(6, 0, 0).Serial(), 0.25);
  ExpectParts(Date::FromTime(13, 5, 9.5).Split(), {1899, 12, 30, 13, 5, 9, 500});
}

TEST(Date, WeekdayDatePartTimePart) {
  EXPECT_EQ(Date(0).Weekday(), 7);                              // Saturday 30 Dec 1899
  EXPECT_EQ(Date(1).Weekday(), 1);                              // Sunday
  EXPECT_EQ(Date(-1.25).Weekday(), 6);                          // Friday 29 Dec 1899
  EXPECT_EQ(Date::FromParts(2026, 12, 8).Weekday(), 3);         // a Tuesday
  EXPECT_EQ(Date::FromParts(2026, 12, 13, 23, 59).Weekday(), 1);  // a Sunday, late

  const Date d = Date::FromParts(2026, 12, 8, 18, 0, 0);
  EXPECT_EQ(d.DatePart(), Date::FromParts(2026, 12, 8));
  EXPECT_DOUBLE_EQ(d.TimePart(), 0.75);

  const Date before(-1.25);
  EXPECT_EQ(before.DatePart(), Date(-1));
  EXPECT_DOUBLE_EQ(before.TimePart(), 0.25);
}

}  // namespace
}  // namespace core
