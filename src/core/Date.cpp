#include "core/Date.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "core/RuntimeError.h"
#include "core/Text.h"

namespace core {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                                                     "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

// Days from 1 January 1970 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

// A compile-time constant, so that dates built while other files initialise are right.
constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[static_cast<std::size_t>(m - 1)];
}

// The serial keeps the time of day positive for days before the epoch (-1.25 is day -1 at
// 06:00); arithmetic works on a linear count of days, where -0.75 is that same moment.
double LinearToSerial(double linear) {
  if (linear >= 0) return linear;
  const double whole = std::floor(linear);
  const double t = linear - whole;
  return whole - t;
}

// A moment as whole days and milliseconds into the day, rounded to `unitMs`.
struct DayTime {
  std::int64_t day;  // days from the epoch
  std::int64_t ms;   // 0 <= ms < kMsPerDay
};

DayTime ToDayTime(double serial, std::int64_t unitMs) {
  const double whole = std::trunc(serial);
  const double t = std::fabs(serial - whole);
  std::int64_t day = static_cast<std::int64_t>(whole);
  std::int64_t units = std::llround(t * static_cast<double>(kMsPerDay / unitMs));
  std::int64_t ms = units * unitMs;
  if (ms >= kMsPerDay) {
    ++day;
    ms -= kMsPerDay;
  }
  return {day, ms};
}

double FromDayTime(std::int64_t day, std::int64_t ms) {
  // Normalise first so that negative milliseconds borrow from the day.
  day += ms / kMsPerDay;
  ms %= kMsPerDay;
  if (ms < 0) {
    ms += kMsPerDay;
    --day;
  }
  return LinearToSerial(static_cast<double>(day) + static_cast<double>(ms) / static_cast<double>(kMsPerDay));
}

Date::Parts PartsOf(DayTime dt) {
  Date::Parts p{};
  CivilFromDays(dt.day + kEpochDays, p.year, p.month, p.day);
  std::int64_t ms = dt.ms;
  p.hour = static_cast<int>(ms / 3600000);
  ms %= 3600000;
  p.minute = static_cast<int>(ms / 60000);
  ms %= 60000;
  p.second = static_cast<int>(ms / 1000);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

// Texts show whole seconds; a time within half a second of the next one shows that next one.
Date::Parts PartsToSecond(Date d) { return PartsOf(ToDayTime(d.Serial(), 1000)); }

int WeekdayOfDay(std::int64_t day) {
  // Day 0, 30 December 1899, was a Saturday.
  return static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string TimeText12(const Date::Parts& p) {
  int h = p.hour % 12;
  if (h == 0) h = 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h, p.minute, p.second, p.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string DateText(const Date::Parts& p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d/%d/%d", p.month, p.day, p.year);
  return buf;
}

void CheckYear(int year) {
  if (year < 100 || year > 9999) Raise(err::kInvalidCall, "Date");
}

}  // namespace

Date Date::FromParts(int year, int month, int day, int hour, int minute, double second) {
  // Months run over into years, days into months, and the time into days.
  std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
  std::int64_t y = year + (m0 >= 0 ? m0 / 12 : (m0 - 11) / 12);
  m0 -= (y - year) * 12;
  if (y < 100 || y > 9999) Raise(err::kInvalidCall, "DateSerial");
  const std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(m0 + 1), 1) - kEpochDays + (day - 1);
  const double ms = (static_cast<double>(hour) * 3600.0 + static_cast<double>(minute) * 60.0 + second) * 1000.0;
  const double wholeMs = std::round(ms);
  double serial;
  if (std::fabs(ms - wholeMs) < 1e-6) {
    serial = FromDayTime(days, static_cast<std::int64_t>(wholeMs));
  } else {
    serial = LinearToSerial(static_cast<double>(days) + ms / static_cast<double>(kMsPerDay));
  }
  const Date result(serial);
  CheckYear(result.Year());
  return result;
}

Date Date::FromTime(int hour, int minute, double second) {
  const double ms = (static_cast<double>(hour) * 3600.0 + static_cast<double>(minute) * 60.0 + second) * 1000.0;
  return Date(LinearToSerial(ms / static_cast<double>(kMsPerDay)));
}

Date::Parts Date::Split() const { return PartsOf(ToDayTime(serial_, 1)); }

int Date::Weekday() const { return WeekdayOfDay(ToDayTime(serial_, 1).day); }

Date Date::DatePart() const { return Date(std::trunc(serial_)); }

double Date::TimePart() const { return std::fabs(serial_ - std::trunc(serial_)); }

std::string Date::GeneralText() const {
  const DayTime dt = ToDayTime(serial_, 1000);
  const Parts p = PartsOf(dt);
  if (dt.day == 0) return TimeText12(p);
  if (dt.ms == 0) return DateText(p);
  return DateText(p) + " " + TimeText12(p);
}

std::string Date::ShortDateText() const { return DateText(PartsToSecond(*this)); }

std::string Format(Date d, std::string_view pattern) {
  const Date::Parts p = PartsToSecond(d);
  const std::string upper = UCase(pattern);
  const bool twelveHour = upper.find("AMPM") != std::string::npos || upper.find("AM/PM") != std::string::npos;

  std::string out;
  bool afterHour = false;  // the last token was an hour, so "m"/"mm" is the minute
  std::size_t i = 0;
  auto run = [&](char c) {
    std::size_t n = 0;
    while (i + n < upper.size() && upper[i + n] == c) ++n;
    return n;
  };
  while (i < pattern.size()) {
    const char c = upper[i];
    if (upper.compare(i, 5, "AM/PM") == 0) {
      const bool lower = pattern[i] == 'a';
      out += p.hour < 12 ? (lower ? "am" : "AM") : (lower ? "pm" : "PM");
      i += 5;
      afterHour = false;
      continue;
    }
    if (upper.compare(i, 4, "AMPM") == 0) {
      out += p.hour < 12 ? "AM" : "PM";
      i += 4;
      afterHour = false;
      continue;
    }
    if (c == '\\' && i + 1 < pattern.size()) {
      out += pattern[i + 1];
      i += 2;
      continue;
    }
    if (c == '"') {
      std::size_t end = pattern.find('"', i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      out.append(pattern.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    switch (c) {
      case 'D': {
        std::size_t n = run('D');
        const std::int64_t day = ToDayTime(d.Serial(), 1000).day;
        if (n >= 4) {
          out += kDayNames[static_cast<std::size_t>(WeekdayOfDay(day) - 1)];
          n = 4;
        } else if (n == 3) {
          out += std::string(kDayNames[static_cast<std::size_t>(WeekdayOfDay(day) - 1)]).substr(0, 3);
        } else if (n == 2) {
          out += TwoDigits(p.day);
        } else {
          out += std::to_string(p.day);
        }
        i += n;
        afterHour = false;
        continue;
      }
      case 'M': {
        std::size_t n = run('M');
        if (n <= 2 && afterHour) {
          out += n == 2 ? TwoDigits(p.minute) : std::to_string(p.minute);
        } else if (n >= 4) {
          out += kMonthNames[static_cast<std::size_t>(p.month - 1)];
          n = 4;
        } else if (n == 3) {
          out += std::string(kMonthNames[static_cast<std::size_t>(p.month - 1)]).substr(0, 3);
        } else {
          out += n == 2 ? TwoDigits(p.month) : std::to_string(p.month);
        }
        i += n;
        afterHour = false;
        continue;
      }
      case 'Y': {
        std::size_t n = run('Y');
        if (n >= 3) {
          char buf[16];
          std::snprintf(buf, sizeof buf, "%04d", p.year);
          out += buf;
          n = n >= 4 ? 4 : 3;
        } else if (n == 2) {
          out += TwoDigits(p.year % 100);
        } else {
          const int doy = static_cast<int>(DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
                                           DaysFromCivil(p.year, 1, 1)) + 1;
          out += std::to_string(doy);
        }
        i += n;
        afterHour = false;
        continue;
      }
      case 'H': {
        std::size_t n = run('H');
        if (n > 2) n = 2;
        int h = p.hour;
        if (twelveHour) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += n == 2 ? TwoDigits(h) : std::to_string(h);
        i += n;
        afterHour = true;
        continue;
      }
      case 'N': {
        std::size_t n = run('N');
        if (n > 2) n = 2;
        out += n == 2 ? TwoDigits(p.minute) : std::to_string(p.minute);
        i += n;
        afterHour = false;
        continue;
      }
      case 'S': {
        std::size_t n = run('S');
        if (n > 2) n = 2;
        out += n == 2 ? TwoDigits(p.second) : std::to_string(p.second);
        i += n;
        afterHour = false;
        continue;
      }
      case 'Q':
        out += std::to_string((p.month - 1) / 3 + 1);
        ++i;
        afterHour = false;
        continue;
      case 'W':
        if (run('W') == 1) {
          out += std::to_string(WeekdayOfDay(ToDayTime(d.Serial(), 1000).day));
          ++i;
          afterHour = false;
          continue;
        }
        break;
      default:
        break;
    }
    // A literal leaves afterHour as it was, so "hh:mm" and "hh mm" still read as hour and minutes.
    out += pattern[i];
    ++i;
  }
  return out;
}

namespace {

// A small reader over the text of a date; every step either consumes what it reads or
// leaves the position where it was.
class DateReader {
 public:
  explicit DateReader(std::string_view s) : s_(s) {}

  bool AtEnd() const { return pos_ >= s_.size(); }
  std::size_t Pos() const { return pos_; }
  void Reset(std::size_t p) { pos_ = p; }

  bool Blanks() {
    std::size_t start = pos_;
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
    return pos_ > start;
  }

  bool Char(char c) {
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  char Peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }

  // A run of digits; `digits` is how many there were.
  bool Number(int& value, int& digits) {
    std::size_t start = pos_;
    long long v = 0;
    while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])) && pos_ - start < 9) {
      v = v * 10 + (s_[pos_] - '0');
      ++pos_;
    }
    if (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
      pos_ = start;
      return false;
    }
    digits = static_cast<int>(pos_ - start);
    value = static_cast<int>(v);
    return digits > 0;
  }

  // An English month name, whole or its first three letters.
  bool MonthWord(int& month) {
    std::size_t start = pos_;
    while (pos_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    const std::string_view word = s_.substr(start, pos_ - start);
    if (word.size() >= 3) {
      for (std::size_t m = 0; m < kMonthNames.size(); ++m) {
        const std::string_view name = kMonthNames[m];
        if (EqualsIgnoreCase(word, name) || EqualsIgnoreCase(word, name.substr(0, 3))) {
          month = static_cast<int>(m) + 1;
          return true;
        }
      }
    }
    pos_ = start;
    return false;
  }

  bool Word(std::string_view w) {
    if (pos_ + w.size() <= s_.size() && EqualsIgnoreCase(s_.substr(pos_, w.size()), w)) {
      const std::size_t after = pos_ + w.size();
      if (after < s_.size() && std::isalpha(static_cast<unsigned char>(s_[after]))) return false;
      pos_ = after;
      return true;
    }
    return false;
  }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

struct DateFields {
  int year = 0, month = 0, day = 0;
};

struct TimeFields {
  int hour = 0, minute = 0, second = 0;
  double fraction = 0;  // of a second
};

int ExpandYear(int year, int digits) {
  // Two-digit years fall in the usual window: 00-29 this century, 30-99 the last.
  if (digits <= 2) return year < 30 ? 2000 + year : 1900 + year;
  return year;
}

bool ValidDate(const DateFields& f) {
  return f.year >= 100 && f.year <= 9999 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
         f.day <= DaysInMonth(f.year, f.month);
}

bool ReadDate(DateReader& r, DateFields& f) {
  const std::size_t start = r.Pos();
  int a = 0, ad = 0;
  int month = 0;
  if (r.MonthWord(month)) {
    // "Dec 8, 2026" or "December 8 2026"
    int d = 0, dd = 0, y = 0, yd = 0;
    r.Blanks();
    if (r.Number(d, dd) && dd <= 2) {
      r.Char(',');
      r.Blanks();
      if (r.Number(y, yd)) {
        f = {ExpandYear(y, yd), month, d};
        return true;
      }
    }
    r.Reset(start);
    return false;
  }
  if (!r.Number(a, ad)) return false;
  const char sep = r.Peek();
  if (sep == '/' || sep == '-' || sep == '.') {
    r.Char(sep);
    if (r.MonthWord(month)) {
      // "08-Dec-2026"
      int y = 0, yd = 0;
      if (ad <= 2 && r.Char(sep) && r.Number(y, yd)) {
        f = {ExpandYear(y, yd), month, a};
        return true;
      }
      r.Reset(start);
      return false;
    }
    int b = 0, bd = 0, c = 0, cd = 0;
    if (r.Number(b, bd) && bd <= 2 && r.Char(sep) && r.Number(c, cd)) {
      if (ad == 4 || ad == 3) {
        if (cd > 2) {
          r.Reset(start);
          return false;
        }
        f = {a, b, c};  // year first
      } else if (ad <= 2) {
        f = {ExpandYear(c, cd), a, b};  // month, day, year
      } else {
        r.Reset(start);
        return false;
      }
      return true;
    }
    r.Reset(start);
    return false;
  }
  if (ad <= 2 && r.Blanks() && r.MonthWord(month)) {
    // "8 Dec 2026"
    int y = 0, yd = 0;
    r.Char(',');
    r.Blanks();
    if (r.Number(y, yd)) {
      f = {ExpandYear(y, yd), month, a};
      return true;
    }
  }
  r.Reset(start);
  return false;
}

bool ReadTime(DateReader& r, TimeFields& t) {
  const std::size_t start = r.Pos();
  int h = 0, hd = 0;
  if (!r.Number(h, hd) || hd > 2) {
    r.Reset(start);
    return false;
  }
  bool hasMinutes = false;
  if (r.Char(':')) {
    int m = 0, md = 0;
    if (!r.Number(m, md) || md > 2) {
      r.Reset(start);
      return false;
    }
    hasMinutes = true;
    t.minute = m;
    if (r.Char(':')) {
      int s = 0, sd = 0;
      if (!r.Number(s, sd) || sd > 2) {
        r.Reset(start);
        return false;
      }
      t.second = s;
      if (r.Char('.')) {
        int frac = 0, fd = 0;
        if (!r.Number(frac, fd)) {
          r.Reset(start);
          return false;
        }
        t.fraction = frac / std::pow(10.0, fd);
      }
    }
  }
  const std::size_t beforeHalf = r.Pos();
  r.Blanks();
  bool pm = false, half = false;
  if (r.Word("AM") || r.Word("A")) {
    half = true;
  } else if (r.Word("PM") || r.Word("P")) {
    half = pm = true;
  } else {
    r.Reset(beforeHalf);
  }
  if (!hasMinutes && !half) {
    r.Reset(start);
    return false;
  }
  if (half) {
    if (h > 12) {
      r.Reset(start);
      return false;
    }
    if (h == 12) h = 0;
    if (pm) h += 12;
  }
  if (h > 23 || t.minute > 59 || t.second > 59) {
    r.Reset(start);
    return false;
  }
  t.hour = h;
  return true;
}

}  // namespace

std::optional<Date> ParseDate(std::string_view text) {
  DateReader r(text);
  r.Blanks();
  DateFields f;
  TimeFields t;
  bool hasDate = false, hasTime = false;
  const std::size_t start = r.Pos();
  // A time alone ("13:05", "1 PM") also starts with a number; try it first when it reads
  // to the end, since a date never has ":" or a half-day word right after its first number.
  if (ReadTime(r, t)) {
    r.Blanks();
    if (r.AtEnd()) {
      hasTime = true;
    } else {
      r.Reset(start);
      t = TimeFields{};
    }
  }
  if (!hasTime) {
    if (!ReadDate(r, f)) return std::nullopt;
    hasDate = true;
    const std::size_t afterDate = r.Pos();
    const bool sep = r.Blanks() || r.Char('T');
    if (sep && !r.AtEnd()) {
      if (!ReadTime(r, t)) return std::nullopt;
      hasTime = true;
    } else {
      r.Reset(afterDate);
    }
    r.Blanks();
    if (!r.AtEnd()) return std::nullopt;
    if (!ValidDate(f)) return std::nullopt;
  }
  const double seconds = t.second + t.fraction;
  if (!hasDate) return Date::FromTime(t.hour, t.minute, seconds);
  try {
    return Date::FromParts(f.year, f.month, f.day, t.hour, t.minute, seconds);
  } catch (const RuntimeError&) {
    return std::nullopt;  // the last instant of 9999 rounded past the calendar
  }
}

namespace {

enum class Unit { Year, Quarter, Month, Day, Week, Hour, Minute, Second, WeekOfYear, Invalid };

Unit UnitOf(std::string_view interval) {
  const std::string u = LCase(interval);
  if (u == "yyyy") return Unit::Year;
  if (u == "q") return Unit::Quarter;
  if (u == "m") return Unit::Month;
  if (u == "d" || u == "y" || u == "w") return Unit::Day;
  if (u == "ww") return Unit::Week;
  if (u == "h") return Unit::Hour;
  if (u == "n") return Unit::Minute;
  if (u == "s") return Unit::Second;
  return Unit::Invalid;
}

std::int64_t WholeNumber(double number) {
  if (!std::isfinite(number) || std::fabs(number) > 9.0e15) Raise(err::kInvalidCall, "DateAdd");
  // Fractions of an interval are dropped, as the usual date arithmetic does.
  return static_cast<std::int64_t>(std::trunc(number));
}

}  // namespace

Date DateAdd(std::string_view interval, double number, Date d) {
  const Unit unit = UnitOf(interval);
  const std::int64_t n = WholeNumber(number);
  const DayTime dt = ToDayTime(d.Serial(), 1);
  auto shift = [&](std::int64_t ms) {
    const double s = FromDayTime(dt.day, dt.ms + ms);
    const Date result(s);
    CheckYear(result.Year());
    return result;
  };
  switch (unit) {
    case Unit::Year:
    case Unit::Quarter:
    case Unit::Month: {
      const std::int64_t months = unit == Unit::Year ? n * 12 : unit == Unit::Quarter ? n * 3 : n;
      const Date::Parts p = PartsOf(dt);
      std::int64_t total = static_cast<std::int64_t>(p.year) * 12 + (p.month - 1) + months;
      const std::int64_t y = total >= 0 ? total / 12 : (total - 11) / 12;
      const int m = static_cast<int>(total - y * 12) + 1;
      if (y < 100 || y > 9999) Raise(err::kInvalidCall, "DateAdd");
      // The day is kept, or the month's last day when the month is shorter.
      const int day = std::min(p.day, DaysInMonth(static_cast<int>(y), m));
      const std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(day)) - kEpochDays;
      return Date(FromDayTime(days, dt.ms));
    }
    case Unit::Day: return shift(n * kMsPerDay);
    case Unit::Week: return shift(n * 7 * kMsPerDay);
    case Unit::Hour: return shift(n * 3600000);
    case Unit::Minute: return shift(n * 60000);
    case Unit::Second: return shift(n * 1000);
    default: Raise(err::kInvalidCall, "DateAdd");
  }
}

long long DateDiff(std::string_view interval, Date a, Date b) {
  const std::string u = LCase(interval);
  const DayTime da = ToDayTime(a.Serial(), 1000);
  const DayTime db = ToDayTime(b.Serial(), 1000);
  auto floorDiv = [](std::int64_t x, std::int64_t y) { return x >= 0 ? x / y : -((-x + y - 1) / y); };
  const std::int64_t secA = da.day * 86400 + da.ms / 1000;
  const std::int64_t secB = db.day * 86400 + db.ms / 1000;
  if (u == "yyyy" || u == "q" || u == "m") {
    const Date::Parts pa = PartsOf(da);
    const Date::Parts pb = PartsOf(db);
    if (u == "yyyy") return pb.year - pa.year;
    if (u == "q") return (pb.year * 4 + (pb.month - 1) / 3) - (pa.year * 4 + (pa.month - 1) / 3);
    return (pb.year * 12 + pb.month) - (pa.year * 12 + pa.month);
  }
  if (u == "d" || u == "y") return db.day - da.day;
  if (u == "w") return (db.day - da.day) / 7;
  if (u == "ww") {
    // Sundays crossed: weeks counted from the Sunday on or before each day.
    auto weekStart = [](std::int64_t day) { return day - (WeekdayOfDay(day) - 1); };
    return (weekStart(db.day) - weekStart(da.day)) / 7;
  }
  if (u == "h") return floorDiv(secB, 3600) - floorDiv(secA, 3600);
  if (u == "n") return floorDiv(secB, 60) - floorDiv(secA, 60);
  if (u == "s") return secB - secA;
  Raise(err::kInvalidCall, "DateDiff");
}

}  // namespace core
