#include "app/dialogs/CommonDateRange.h"

#include <exception>
#include <functional>
#include <map>

#include "core/Text.h"

namespace {

using core::Date;
using core::DateAdd;
using Resolution = CommonDateRange::Resolution;

// The "LAST N DAYS" and "N DAYS k DAYS AGO" families.
constexpr int kLastDays[] = {30, 45, 60, 90, 120, 180};
constexpr int kDaysAgo[] = {3, 5, 7};

Date Day(Date d) { return CommonDateRange::TruncateDate(d, Resolution::Day); }
Date Hour(Date d) { return CommonDateRange::TruncateDate(d, Resolution::Hour); }
Date Minute(Date d) { return CommonDateRange::TruncateDate(d, Resolution::Minute); }
Date Days(Date d, int n) { return DateAdd("d", n, d); }

std::vector<std::string> BuildKeywords() {
  std::vector<std::string> k = {"LAST HOUR",      "TODAY",      "YESTERDAY",     "YESTERDAY AND TODAY",
                                "LAST 7 DAYS",    "LAST MONTH", "MONTH TO DATE", "LAST QUATER",
                                "QUATER TO DATE", "LAST YEAR",  "YEAR TO DATE"};
  for (int n : kLastDays) k.push_back("LAST " + std::to_string(n) + " DAYS");
  for (int n : kLastDays)
    for (int ago : kDaysAgo) k.push_back(std::to_string(n) + " DAYS " + std::to_string(ago) + " DAYS AGO");
  k.push_back("ALL");
  return k;
}

struct Range {
  Date start, end;
};
using Rule = std::function<Range(Date)>;

Date FirstOfQuarter(Date d) {
  const Date::Parts p = d.Split();
  return Date::FromParts(p.year, (p.month - 1) / 3 * 3 + 1, 1);
}

std::map<std::string, Rule> BuildRules() {
  std::map<std::string, Rule> rules;
  rules["LAST HOUR"] = [](Date r) { return Range{DateAdd("h", -1, Hour(r)), Hour(r)}; };
  rules["TODAY"] = [](Date r) { return Range{Day(r), Minute(r)}; };
  rules["YESTERDAY"] = [](Date r) { return Range{Day(Days(r, -1)), Day(r)}; };
  rules["YESTERDAY AND TODAY"] = [](Date r) { return Range{Day(Days(r, -1)), Minute(r)}; };
  rules["LAST 7 DAYS"] = [](Date r) { return Range{Day(Days(r, -7)), Day(r)}; };
  for (int n : kLastDays)
    rules["LAST " + std::to_string(n) + " DAYS"] = [n](Date r) { return Range{Day(Days(r, -n)), Day(r)}; };
  rules["LAST MONTH"] = [](Date r) {
    const Date::Parts p = DateAdd("m", -1, r).Split();
    const Date start = Date::FromParts(p.year, p.month, 1);
    return Range{start, DateAdd("m", 1, start)};
  };
  rules["MONTH TO DATE"] = [](Date r) { return Range{Date::FromParts(r.Year(), r.Month(), 1), Day(r)}; };
  const Rule lastQuarter = [](Date r) {
    Range q;
    CommonDateRange::GetLastQuarterRange(r, q.start, q.end);
    return q;
  };
  const Rule quarterToDate = [](Date r) { return Range{FirstOfQuarter(r), Day(r)}; };
  rules["LAST QUATER"] = rules["LAST QUARTER"] = lastQuarter;
  rules["QUATER TO DATE"] = rules["QUARTER TO DATE"] = quarterToDate;
  rules["YEAR TO DATE"] = [](Date r) { return Range{Date::FromParts(r.Year(), 1, 1), Day(r)}; };
  rules["LAST YEAR"] = [](Date r) {
    const Date start = Date::FromParts(r.Year() - 1, 1, 1);
    return Range{start, DateAdd("yyyy", 1, start)};
  };
  for (int n : kLastDays)
    for (int ago : kDaysAgo)
      rules[std::to_string(n) + " DAYS " + std::to_string(ago) + " DAYS AGO"] = [n, ago](Date r) {
        return Range{Days(Day(Days(r, -n)), -ago), Days(Day(r), -ago)};
      };
  rules["ALL"] = [](Date r) { return Range{Date::FromParts(1970, 1, 1), Minute(r)}; };
  return rules;
}

}  // namespace

const std::vector<std::string>& CommonDateRange::Keywords() {
  static const std::vector<std::string> keywords = BuildKeywords();
  return keywords;
}

core::Date CommonDateRange::TruncateDate(core::Date d, Resolution resolution) {
  // From the calendar parts, so that the day and the hour always agree (a time a hair before
  // midnight rounds into the next day as a whole).
  const Date::Parts p = d.Split();
  switch (resolution) {
    case Resolution::Hour:
      return Date::FromParts(p.year, p.month, p.day, p.hour);
    case Resolution::Minute:
      return Date::FromParts(p.year, p.month, p.day, p.hour, p.minute);
    case Resolution::Day:
    default:
      return Date::FromParts(p.year, p.month, p.day);
  }
}

bool CommonDateRange::GetRelativeRange(const std::string& keyword, core::Date reference, core::Date& start,
                                       core::Date& end) {
  static const std::map<std::string, Rule> rules = BuildRules();
  const auto rule = rules.find(core::UCase(keyword));
  if (rule == rules.end()) return false;
  try {
    const Range range = rule->second(reference);
    start = range.start;
    end = range.end;
    return true;
  } catch (const std::exception&) {
    // A reference at the edge of the calendar: no range, and nothing changed.
    return false;
  }
}

void CommonDateRange::GetLastQuarterRange(core::Date reference, core::Date& start, core::Date& end) {
  start = FirstOfQuarter(DateAdd("m", -3, reference));
  end = DateAdd("m", 3, start);
}
