#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

// A point in time as days since 30 December 1899 00:00, the fraction being the
// time of day. For dates before that day the whole part is negative and the
// fraction still counts forward from the start of the day: -1.25 is
// 29 December 1899 06:00. The date 0 stands for "no date".
class Date {
 public:
  constexpr Date() = default;
  constexpr explicit Date(double serial) : serial_(serial) {}

  // Builds a date; month and day may run over (month 13 is January of the next
  // year, day 0 the last day of the previous month), as do hour, minute, second.
  static Date FromParts(int year, int month, int day, int hour = 0, int minute = 0, double second = 0);
  static Date FromTime(int hour, int minute, double second);

  constexpr double Serial() const { return serial_; }

  struct Parts {
    int year, month, day, hour, minute, second, millisecond;
  };
  // The calendar parts, rounded to the millisecond.
  Parts Split() const;
  int Year() const { return Split().year; }
  int Month() const { return Split().month; }
  int Day() const { return Split().day; }
  int Hour() const { return Split().hour; }
  int Minute() const { return Split().minute; }
  int Second() const { return Split().second; }
  int Weekday() const;  // 1 Sunday .. 7 Saturday

  Date DatePart() const;  // midnight of the same day
  double TimePart() const;  // the time of day as a fraction 0 <= t < 1

  // The general date text: "12/8/2026 1:05:09 PM"; the date alone when the time
  // is 0, the time alone when the date is 0.
  std::string GeneralText() const;
  // The short date form "12/8/2026".
  std::string ShortDateText() const;

  friend constexpr bool operator==(Date a, Date b) { return a.serial_ == b.serial_; }
  friend constexpr auto operator<=>(Date a, Date b) { return a.serial_ <=> b.serial_; }

 private:
  double serial_ = 0;
};

// Format patterns: "d"/"dd" day, "m"/"mm" month (minutes when it follows an hour
// token), "mmm" month abbreviation, "mmmm" month name, "yy"/"yyyy" year,
// "h"/"hh" and "H"/"HH" hour (12-hour when "AMPM" or "AM/PM" appears), "n"/"nn"
// minutes, "s"/"ss" seconds, "AMPM" and "AM/PM" the half of the day; any other
// character is copied. Examples: "mm/dd/yyyy HH:nn:ss", "hh:nn:ss AMPM".
// Tokens ignore letter case; the time is rounded to the whole second first, so
// 23:59:59.6 already shows the next day (the general texts do the same).
std::string Format(Date d, std::string_view pattern);

// Reads a date text back: the general form ("12/8/2026 1:05:09 PM", "12/8/2026",
// "1:05:09 PM"), month-day-year with "/" or "-" ("12-07-2026 00:00:00"),
// ISO "2026-12-07 13:05:09[.fff]", 24-hour or AM/PM times, English month names
// ("8 Dec 2026", "Dec 8, 2026"). Blanks around are ignored. Empty when not a date.
std::optional<Date> ParseDate(std::string_view text);

// Date arithmetic of the usual kinds: interval "yyyy", "m", "d", "h", "n", "s".
Date DateAdd(std::string_view interval, double number, Date d);
// Whole interval boundaries crossed from a to b ("d", "h", "n", "s").
long long DateDiff(std::string_view interval, Date a, Date b);

}  // namespace core
