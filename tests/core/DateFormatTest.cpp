#include <gtest/gtest.h>

#include <string>

#include "core/Date.h"

namespace core {
namespace {

TEST(DateFormat, Patterns) {
  const Date afternoon = Date::FromParts(2026, 12, 8, 13, 5, 9);
  const Date morning = Date::FromParts(2026, 3, 4, 0, 7, 3);
  const struct {
    Date d;
    const char* pattern;
    const char* out;
  } cases[] = {
      {afternoon, "hh:nn:ss AMPM", "01:05:09 PM"},
      {afternoon, "mm_dd_yyyy__hh_nn_ss", "12_08_2026__13_05_09"},
      {Date::FromParts(2026, 12, 8, 14, 5, 9), "mm_dd_yyyy__hh_nn_ss", "12_08_2026__14_05_09"},
      {Date::FromParts(2026, 12, 8, 14, 5, 9), "hh:mm:ss", "14:05:09"},  // mm after an hour is minutes
      {afternoon, "mm/dd/yyyy HH:nn:ss", "12/08/2026 13:05:09"},
      {afternoon, "mm/dd/yyyy HH:nn", "12/08/2026 13:05"},
      {afternoon, "MM-dd-yyyy HH:mm:ss", "12-08-2026 13:05:09"},
      {afternoon, "yyyy-mm-dd hh:mm:ss", "2026-12-08 13:05:09"},
      {afternoon, "dd-mmm-yyyy hh:mm:ss AMPM", "08-Dec-2026 01:05:09 PM"},
      {afternoon, "yyyy/mm/dd hh:00:00", "2026/12/08 13:00:00"},
      {afternoon, "d mmmm yy", "8 December 26"},
      {afternoon, "h:n:s AM/PM", "1:5:9 PM"},
      {afternoon, "h:nn am/pm", "1:05 pm"},
      {afternoon, "dddd, ddd", "Tuesday, Tue"},
      {afternoon, "m/d/yyyy", "12/8/2026"},
      {afternoon, "\\hh \"mm\" q", "h13 mm 4"},
      {morning, "hh:nn:ss AMPM", "12:07:03 AM"},
      {morning, "HH:nn:ss", "00:07:03"},
      {morning, "h:mm", "0:07"},
      {morning, "mmm d", "Mar 4"},
      {morning, "hh mm", "00 07"},       // a blank between still makes it minutes
      {morning, "hh yyyy mm", "00 2026 03"},  // but not after another token
      {Date::FromParts(2026, 12, 8, 12, 0, 0), "h AMPM", "12 PM"},
      {Date(-1.25), "mm/dd/yyyy hh:nn", "12/29/1899 06:00"},
      {Date::FromParts(987, 6, 5), "yyyy", "0987"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " -> " + c.out);
    EXPECT_EQ(Format(c.d, c.pattern), c.out);
  }
}

TEST(DateFormat, RoundsToTheNearestSecond) {
  // Within half a second of midnight the text already shows the next day.
  const Date late = Date::FromParts(2026, 12, 8, 23, 59, 59.6);
  EXPECT_EQ(Format(late, "d"), "9");
  EXPECT_EQ(Format(late, "mm/dd/yyyy HH:nn:ss"), "12/09/2026 00:00:00");
  EXPECT_EQ(Format(Date::FromParts(2026, 12, 8, 23, 59, 59.4), "HH:nn:ss"), "23:59:59");
}

TEST(DateFormat, GeneralAndShortText) {
  const struct {
    Date d;
    const char* general;
    const char* shortDate;
  } cases[] = {
      {Date::FromParts(2026, 12, 8, 13, 5, 9), "12/8/2026 1:05:09 PM", "12/8/2026"},
      {Date::FromParts(2026, 12, 8), "12/8/2026", "12/8/2026"},
      {Date::FromTime(13, 5, 9), "1:05:09 PM", "12/30/1899"},
      {Date(0), "12:00:00 AM", "12/30/1899"},
      {Date::FromParts(2026, 1, 2, 0, 0, 1), "1/2/2026 12:00:01 AM", "1/2/2026"},
      {Date::FromParts(2026, 1, 2, 12, 30, 0), "1/2/2026 12:30:00 PM", "1/2/2026"},
      {Date(-1.25), "12/29/1899 6:00:00 AM", "12/29/1899"},
      {Date::FromParts(2026, 12, 8, 23, 59, 59.7), "12/9/2026", "12/9/2026"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.general);
    EXPECT_EQ(c.d.GeneralText(), c.general);
    EXPECT_EQ(c.d.ShortDateText(), c.shortDate);
  }
}

}  // namespace
}  // namespace core
