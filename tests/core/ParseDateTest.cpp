#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/Date.h"

namespace core {
namespace {

TEST(ParseDate, ReadsTheUsualForms) {
  const struct {
    const char* text;
    Date want;
  } cases[] = {
      {"12-07-2026 00:00:00", Date::FromParts(2026, 12, 7)},
      {"12/8/2026 1:05:09 PM", Date::FromParts(2026, 12, 8, 13, 5, 9)},
      {"12/8/2026 12:05:09 AM", Date::FromParts(2026, 12, 8, 0, 5, 9)},
      {"12/8/2026 12:05 pm", Date::FromParts(2026, 12, 8, 12, 5, 0)},
      {"12/8/2026", Date::FromParts(2026, 12, 8)},
      {"  12/8/2026  ", Date::FromParts(2026, 12, 8)},
      {"12/08/2026 14:05", Date::FromParts(2026, 12, 8, 14, 5, 0)},
      {"1:05:09 PM", Date::FromTime(13, 5, 9)},
      {"13:05", Date::FromTime(13, 5, 0)},
      {"1 PM", Date::FromTime(13, 0, 0)},
      {"00:00:00", Date(0)},
      {"2026-12-07 13:05:09.123", Date::FromParts(2026, 12, 7, 13, 5, 9.123)},
      {"2026-12-07T13:05:09", Date::FromParts(2026, 12, 7, 13, 5, 9)},
      {"2026-12-07", Date::FromParts(2026, 12, 7)},
      {"2026/12/08 13:00:00", Date::FromParts(2026, 12, 8, 13, 0, 0)},
      {"08-Dec-2026 01:05:09 PM", Date::FromParts(2026, 12, 8, 13, 5, 9)},
      {"8 Dec 2026", Date::FromParts(2026, 12, 8)},
      {"8 december 2026", Date::FromParts(2026, 12, 8)},
      {"Dec 8, 2026", Date::FromParts(2026, 12, 8)},
      {"December 8 2026 6:00", Date::FromParts(2026, 12, 8, 6, 0, 0)},
      {"2/29/2024", Date::FromParts(2024, 2, 29)},
      {"12/8/26", Date::FromParts(2026, 12, 8)},
      {"12/8/45", Date::FromParts(1945, 12, 8)},
      {"12/29/1899 6:00:00 AM", Date(-1.25)},
      {"7/4/1850", Date::FromParts(1850, 7, 4)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<Date> got = ParseDate(c.text);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->Split().year, c.want.Split().year);
    EXPECT_NEAR(got->Serial(), c.want.Serial(), 1e-9);
  }
}

TEST(ParseDate, RejectsWhatIsNoDate) {
  for (const char* text : {"", "  ", "abc", "12", "2026", "13/1/2026", "2/30/2026", "2/29/2025", "0/1/2026",
                           "12/8/2026 25:00", "12/8/2026 10:60", "12/8/2026 10:00:61", "13:00 PM",
                           "12/8/2026 garbage", "12/8/2026 1:05:09 PMX", "12/8", "12-8/2026", "1.5",
                           "Foo 8, 2026", "12/8/99999", "1/1/0099", "12/31/9999 23:59:59.9996"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseDate(text).has_value());
  }
}

TEST(ParseDate, ReadsBackWhatTheProgramWrites) {
  const Date samples[] = {
      Date::FromParts(2026, 12, 7),          Date::FromParts(2026, 12, 8, 13, 5, 9),
      Date::FromParts(2026, 1, 1, 0, 0, 1),  Date::FromParts(1899, 12, 29, 6, 0, 0),
      Date::FromParts(2024, 2, 29, 23, 59, 59),
  };
  for (const Date d : samples) {
    for (const char* pattern : {"MM-dd-yyyy HH:mm:ss", "mm/dd/yyyy HH:nn:ss", "yyyy-mm-dd hh:mm:ss",
                                "dd-mmm-yyyy hh:mm:ss AMPM"}) {
      const std::string text = Format(d, pattern);
      SCOPED_TRACE(text);
      const std::optional<Date> back = ParseDate(text);
      ASSERT_TRUE(back.has_value());
      EXPECT_NEAR(back->Serial(), d.Serial(), 1e-9);
    }
    const std::optional<Date> general = ParseDate(d.GeneralText());
    ASSERT_TRUE(general.has_value()) << d.GeneralText();
    EXPECT_NEAR(general->Serial(), d.Serial(), 1e-9);
  }
}

}  // namespace
}  // namespace core
