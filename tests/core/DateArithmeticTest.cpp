#include <gtest/gtest.h>

#include <string>

#include "core/Date.h"
#include "core/RuntimeError.h"

namespace core {
namespace {

TEST(DateAdd, Intervals) {
  const Date base = Date::FromParts(2026, 12, 8, 13, 5, 9);
  const struct {
    const char* interval;
    double number;
    Date from, want;
  } cases[] = {
      {"d", -1, Date::FromParts(2026, 12, 8), Date::FromParts(2026, 12, 7)},
      {"d", 24, base, Date::FromParts(2027, 1, 1, 13, 5, 9)},
      {"h", 11, base, Date::FromParts(2026, 12, 9, 0, 5, 9)},
      {"n", -65, base, Date::FromParts(2026, 12, 8, 12, 0, 9)},
      {"n", 600, base, Date::FromParts(2026, 12, 8, 23, 5, 9)},
      {"s", 51, base, Date::FromParts(2026, 12, 8, 13, 6, 0)},
      {"m", 1, Date::FromParts(2026, 1, 31), Date::FromParts(2026, 2, 28)},
      {"m", 1, Date::FromParts(2024, 1, 31, 6, 0, 0), Date::FromParts(2024, 2, 29, 6, 0, 0)},
      {"m", -12, base, Date::FromParts(2025, 12, 8, 13, 5, 9)},
      {"m", 2, base, Date::FromParts(2027, 2, 8, 13, 5, 9)},
      {"yyyy", 1, Date::FromParts(2024, 2, 29), Date::FromParts(2025, 2, 28)},
      {"q", 1, Date::FromParts(2026, 11, 30), Date::FromParts(2027, 2, 28)},
      {"ww", 1, base, Date::FromParts(2026, 12, 15, 13, 5, 9)},
      {"H", 1, base, Date::FromParts(2026, 12, 8, 14, 5, 9)},
      {"d", 1.9, base, Date::FromParts(2026, 12, 9, 13, 5, 9)},  // whole intervals only
      // Across the epoch the time of day stays where it was.
      {"d", -1, Date::FromParts(1899, 12, 30, 6, 0, 0), Date(-1.25)},
      {"h", -6, Date(0), Date(-1.75)},
      {"h", 6, Date(-1.25), Date(-1.5)},
      {"d", 2, Date(-1.25), Date(1.25)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " " << c.number << " from " << c.from.GeneralText());
    const Date got = DateAdd(c.interval, c.number, c.from);
    EXPECT_NEAR(got.Serial(), c.want.Serial(), 1e-9) << got.GeneralText();
  }
}

TEST(DateAdd, BadIntervalOrRange) {
  const Date d = Date::FromParts(2026, 12, 8);
  for (const char* interval : {"", "x", "days"}) {
    SCOPED_TRACE(interval);
    try {
      DateAdd(interval, 1, d);
      ADD_FAILURE() << "accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), err::kInvalidCall);
    }
  }
  EXPECT_THROW(DateAdd("yyyy", 8000, d), RuntimeError);
  EXPECT_THROW(DateAdd("d", 1e300, d), RuntimeError);
}

TEST(DateDiff, BoundariesCrossed) {
  const struct {
    const char* interval;
    Date a, b;
    long long want;
  } cases[] = {
      {"d", Date::FromParts(2026, 12, 7, 23, 59, 0), Date::FromParts(2026, 12, 8, 0, 1, 0), 1},
      {"d", Date::FromParts(2026, 12, 8, 0, 1, 0), Date::FromParts(2026, 12, 8, 23, 59, 0), 0},
      {"d", Date::FromParts(2026, 12, 8), Date::FromParts(2026, 12, 1), -7},
      {"h", Date::FromParts(2026, 12, 8, 10, 59, 59), Date::FromParts(2026, 12, 8, 11, 0, 0), 1},
      {"h", Date::FromParts(2026, 12, 8, 11, 0, 0), Date::FromParts(2026, 12, 8, 10, 59, 59), -1},
      {"h", Date::FromParts(2026, 12, 8, 10, 0, 0), Date::FromParts(2026, 12, 8, 10, 59, 59), 0},
      {"n", Date::FromParts(2026, 12, 8, 10, 0, 0), Date::FromParts(2026, 12, 9, 10, 0, 0), 1440},
      {"n", Date::FromParts(2026, 12, 8, 10, 0, 59), Date::FromParts(2026, 12, 8, 10, 1, 0), 1},
      {"s", Date::FromParts(2026, 12, 8, 10, 0, 0), Date::FromParts(2026, 12, 8, 10, 1, 1), 61},
      {"s", Date::FromParts(2026, 12, 8), Date::FromParts(2026, 12, 7), -86400},
      {"m", Date::FromParts(2026, 1, 31), Date::FromParts(2026, 2, 1), 1},
      {"yyyy", Date::FromParts(2026, 12, 31), Date::FromParts(2027, 1, 1), 1},
      {"q", Date::FromParts(2026, 3, 31), Date::FromParts(2026, 4, 1), 1},
      {"ww", Date::FromParts(2026, 12, 12), Date::FromParts(2026, 12, 13), 1},  // Saturday to Sunday
      {"w", Date::FromParts(2026, 12, 12), Date::FromParts(2026, 12, 18), 0},
      // Before the epoch the days still count in calendar order.
      {"d", Date(-1.75), Date(0.25), 1},
      {"h", Date(-1.75), Date(-1.25), -12},
      {"n", Date(-1.25), Date(0), 18 * 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " " << c.a.GeneralText() << " -> " << c.b.GeneralText());
    EXPECT_EQ(DateDiff(c.interval, c.a, c.b), c.want);
  }
  EXPECT_THROW(DateDiff("x", Date(0), Date(1)), RuntimeError);
}

}  // namespace
}  // namespace core
