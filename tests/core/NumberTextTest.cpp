#include <gtest/gtest.h>

#include <string>

#include "core/Value.h"

namespace core {
namespace {

TEST(NumberText, DefaultForm) {
  const struct {
    double in;
    const char* out;
  } cases[] = {
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {100, "100"},
      {-0.5, "-0.5"},
      {0, "0"},
      {-0.0, "0"},
      {1e16, "1E+16"},
      {1e15, "1E+15"},
      {999999999999999, "999999999999999"},
      {1234567890123456, "1.23456789012346E+15"},
      {1.5e-5, "1.5E-05"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {-1.5e-7, "-1.5E-07"},
      {1e100, "1E+100"},
      {12.5, "12.5"},
      {-32768, "-32768"},
      {5.859375, "5.859375"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    EXPECT_EQ(NumberText(c.in), c.out);
  }
}

TEST(FormatNumber, PlaceholderPatterns) {
  const struct {
    double in;
    const char* pattern;
    const char* out;
  } cases[] = {
      {5.859375, "##,###,##0.00", "5.86"},
      {2000, "##,###,##0.00", "2,000.00"},
      {1234567.891, "##,###,##0.00", "1,234,567.89"},
      {0, "##,###,##0.00", "0.00"},
      {0.004, "##,###,##0.00", "0.00"},
      {-0.004, "##,###,##0.00", "0.00"},  // rounds to zero: no lone minus
      {-1234.5, "##,###,##0.00", "-1,234.50"},
      {999.995, "##,###,##0.00", "1,000.00"},
      {2.675, "0.00", "2.68"},     // rounds the decimal text, not its binary neighbour
      {2.5, "0", "3"},             // half away from zero
      {-2.5, "0", "-3"},
      {0.5, "#.00", ".50"},
      {7, "0.0", "7.0"},
      {7.25, "0.##", "7.25"},
      {7.2, "0.0#", "7.2"},
      {7, "0.##", "7."},
      {42, "0000", "0042"},
      {123456789012, "#,##0", "123,456,789,012"},
      {1500000, "#,##0,", "1,500"},  // a comma before the point scales by a thousand
      {12.345, "0.00 kB", "12.35 kB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " -> " + c.out);
    EXPECT_EQ(FormatNumber(c.in, c.pattern), c.out);
  }
}

}  // namespace
}  // namespace core
