// Rounding half away from zero on the number as written in decimal.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/CommonGlobals.h"

namespace {

struct RoundCase {
  double value;
  int decimals;
  double expected;  // compared exactly: the result is the double nearest the decimal result
};

class RoundValueTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundValueTest, RoundsTheDecimalText) {
  const RoundCase& c = GetParam();
  const double got = CommonGlobals::RoundValue(c.value, c.decimals);
  EXPECT_EQ(got, c.expected) << c.value << " to " << c.decimals << " decimals gave " << got;
  EXPECT_FALSE(std::signbit(got) && got == 0.0) << "negative zero";
}

INSTANTIATE_TEST_SUITE_P(Table, RoundValueTest,
                         ::testing::Values(
                             // Binary neighbours below the written value: a binary product would round them down.
                             RoundCase{2.675, 2, 2.68}, RoundCase{1.005, 2, 1.01}, RoundCase{-1.005, 2, -1.01},
                             RoundCase{1.45, 1, 1.5}, RoundCase{8.345, 2, 8.35}, RoundCase{0.285, 2, 0.29},
                             // Halves go away from zero, not to even.
                             RoundCase{2.5, 0, 3}, RoundCase{-2.5, 0, -3}, RoundCase{0.125, 2, 0.13},
                             RoundCase{-0.5, 0, -1}, RoundCase{1.2345, 3, 1.235}, RoundCase{0, 2, 0},
                             RoundCase{-0.0, 2, 0},
                             // Carries through nines.
                             RoundCase{9.995, 2, 10}, RoundCase{99.5, 0, 100}, RoundCase{-999.96, 1, -1000},
                             // Below the last kept digit's half: zero, without a sign.
                             RoundCase{0.004, 2, 0}, RoundCase{-0.004, 2, 0}, RoundCase{1e-20, 2, 0},
                             RoundCase{0.05, 0, 0}, RoundCase{0.5, 0, 1}, RoundCase{0.05, 1, 0.1},
                             // Fewer digits than asked for: unchanged.
                             RoundCase{123.456, 5, 123.456}, RoundCase{7, 2, 7}, RoundCase{1e300, 2, 1e300},
                             RoundCase{0.1 + 0.2, 15, 0.3}, RoundCase{3.14159, 400, 3.14159},
                             // Negative decimals round to tens, hundreds...
                             RoundCase{1250, -2, 1300}, RoundCase{1249.99, -2, 1200}, RoundCase{-1250, -2, -1300},
                             RoundCase{449, -3, 0}, RoundCase{500, -3, 1000}));

TEST(RoundValue, NonFiniteNumbersPassUnchanged) {
  EXPECT_TRUE(std::isnan(CommonGlobals::RoundValue(std::numeric_limits<double>::quiet_NaN(), 2)));
  EXPECT_EQ(CommonGlobals::RoundValue(std::numeric_limits<double>::infinity(), 2),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(CommonGlobals::RoundValue(-std::numeric_limits<double>::infinity(), 0),
            -std::numeric_limits<double>::infinity());
}

TEST(RoundValue, AlternatingDecimalsGiveTheSameResults) {
  // The rounding must not keep state from one call to the next.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(CommonGlobals::RoundValue(2.675, 2), 2.68);
    EXPECT_EQ(CommonGlobals::RoundValue(2.675, 1), 2.7);
    EXPECT_EQ(CommonGlobals::RoundValue(2.675, 0), 3);
  }
}

}  // namespace
