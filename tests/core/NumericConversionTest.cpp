#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "core/RuntimeError.h"
#include "core/Value.h"

namespace core {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct NumericCase {
  const char* text;
  std::optional<double> value;  // empty: not numeric
};

TEST(NumericText, GrammarTable) {
  const NumericCase cases[] = {
      {"", std::nullopt},
      {" ", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {".", std::nullopt},
      {"1,234.5", 1234.5},
      {" -1.5e3 ", -1500.0},
      {"\t42\t", 42.0},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {"1.2.3", std::nullopt},
      {"12abc", std::nullopt},
      {"$5", std::nullopt},
      {"0", 0.0},
      {"+7", 7.0},
      {"-.5", -0.5},
      {".25", 0.25},
      {"1.", 1.0},
      {"2E-3", 0.002},
      {"1,000,000", 1000000.0},
      {",5", std::nullopt},
      // Commas group thousands only; a decimal comma is not read as a group.
      {"12,345.5", 12345.5},
      {"-1,234", -1234.0},
      {"123,456,789", 123456789.0},
      {"7,5", std::nullopt},
      {"1,5", std::nullopt},
      {"1,23", std::nullopt},
      {"1,2345", std::nullopt},
      {"1234,567", std::nullopt},
      {"1,234,56", std::nullopt},
      {"1,,234", std::nullopt},
      {"1,", std::nullopt},
      {"1,.5", std::nullopt},
      {"1 2", std::nullopt},
      {"- 5", std::nullopt},
      {"1e5.5", std::nullopt},
      {"--5", std::nullopt},
      {"1e999", std::nullopt},  // no finite number
      {"1e-999", 0.0},          // underflows to zero, still a number
      {"0x10", std::nullopt},
      {"inf", std::nullopt},
      {"nan", std::nullopt},
  };
  for (const NumericCase& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    EXPECT_EQ(IsNumericText(c.text), c.value.has_value());
    const std::optional<double> got = ParseNumber(c.text);
    ASSERT_EQ(got.has_value(), c.value.has_value());
    if (got) {
      EXPECT_DOUBLE_EQ(*got, *c.value);
    }
  }
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const struct {
    double in, out;
  } cases[] = {
      {2.5, 2},   {3.5, 4},   {-2.5, -2}, {-3.5, -4}, {0.5, 0},     {1.5, 2},
      {2.4, 2},   {2.6, 3},   {-2.6, -3}, {-0.4, 0},  {0, 0},       {1e20, 1e20},
      {4503599627370495.5, 4503599627370496.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(RoundHalfEven(c.in), c.out);
  }
}

TEST(WholeNumbers, IntegerRoundsAndOverflows) {
  EXPECT_EQ(ToInteger(2.5), 2);
  EXPECT_EQ(ToInteger(3.5), 4);
  EXPECT_EQ(ToInteger(-2.5), -2);
  EXPECT_EQ(ToInteger(32767.0), 32767);
  EXPECT_EQ(ToInteger(32767.4), 32767);
  EXPECT_EQ(ToInteger(-32768.0), -32768);
  EXPECT_EQ(ToInteger(-32768.5), -32768);  // half to even stays in range

  for (double out : {32768.0, 32767.5, -32769.0, -32768.6, 1e10, kNaN, kInf}) {
    SCOPED_TRACE(out);
    try {
      ToInteger(out);
      ADD_FAILURE() << "no overflow";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), err::kOverflow);
      EXPECT_EQ(e.Description(), "Overflow");
    }
  }
}

TEST(WholeNumbers, LongRoundsAndOverflows) {
  EXPECT_EQ(ToLong(2.5), 2);
  EXPECT_EQ(ToLong(3.5), 4);
  EXPECT_EQ(ToLong(32768.0), 32768);
  EXPECT_EQ(ToLong(2147483647.0), 2147483647);
  EXPECT_EQ(ToLong(-2147483648.0), -2147483647 - 1);
  EXPECT_EQ(ToLong(2147483646.5), 2147483646);
  for (double out : {2147483647.5, 2147483648.0, -2147483649.0, kNaN}) {
    SCOPED_TRACE(out);
    try {
      ToLong(out);
      ADD_FAILURE() << "no overflow";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), err::kOverflow);
    }
  }
}

}  // namespace
}  // namespace core
