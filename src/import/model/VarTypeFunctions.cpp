#include "import/model/VarTypeFunctions.h"

#include <array>
#include <string>

#include "core/RuntimeError.h"
#include "core/Text.h"

namespace VarTypeFunctions {
namespace {

enum Interval { kDay, k4Hours, kHour, k30Minutes, k15Minutes, k5Minutes, kMinute, kSecond, kNoInterval };
enum Kind { kParameter, kCalculated, kTextParameter, kNoKind };

struct IntervalRow {
  std::string_view letters;  // parameter, calculated, text
  std::string_view name;
  std::string_view table;
  std::int32_t slotsPerDay;
};

constexpr std::array<IntervalRow, 8> kIntervals{{
    {"PCT", "Day", "DATATBL", 1},
    {"4GE", "4 Hours", "DATADD4", 6},
    {"HNB", "Hour", "DATADDH", 24},
    {"3WQ", "30 Minutes", "DATADD3", 48},
    {"FVX", "15 Minutes", "DATADDF", 96},
    {"5YR", "5 Minutes", "DATADD5", 288},
    {"1SA", "Minute", "DATADD1", 1440},
    {"908", "Second", "DATADDX", 86400},
}};

struct KindRow {
  std::string_view letters;  // one per interval, in interval order
  std::string_view name;
};

constexpr std::array<KindRow, 3> kKinds{{
    {"P4H3F519", "Parameter"},
    {"CGNWVYS0", "Calculated"},
    {"TEBQXRA8", "Text Parameter"},
}};

// The orders in which the functions try the sets. They differ, and for codes that sit in more
// than one set (the empty code) the first set tried gives the answer.
constexpr std::array<Interval, 8> kNameOrder{kDay, k4Hours, kHour, k30Minutes, k15Minutes, k5Minutes, kMinute, kSecond};
constexpr std::array<Interval, 8> kTableOrder{kHour,      k15Minutes, kMinute, k5Minutes,
                                              k30Minutes, k4Hours,    kDay,    kSecond};
constexpr std::array<Interval, 8> kSlotStartOrder{k4Hours,    kDay,      kHour,   k30Minutes,
                                                  k15Minutes, k5Minutes, kMinute, kSecond};
constexpr std::array<Kind, 3> kKindOrder{kParameter, kTextParameter, kCalculated};

bool InSet(std::string_view letters, std::string_view code) {
  return letters.find(core::UCase(code)) != std::string_view::npos;
}

template <std::size_t N>
Interval FirstInterval(const std::array<Interval, N>& order, std::string_view code) {
  for (Interval i : order)
    if (InSet(kIntervals[i].letters, code)) return i;
  return kNoInterval;
}

bool IsInterval(Interval i, std::string_view code) { return InSet(kIntervals[i].letters, code); }
bool IsKind(Kind k, std::string_view code) { return InSet(kKinds[k].letters, code); }

}  // namespace

bool IsDailyVar(std::string_view code) { return IsInterval(kDay, code); }
bool Is4HourVar(std::string_view code) { return IsInterval(k4Hours, code); }
bool IsHourlyVar(std::string_view code) { return IsInterval(kHour, code); }
bool Is30MinuteVar(std::string_view code) { return IsInterval(k30Minutes, code); }
bool Is15MinuteVar(std::string_view code) { return IsInterval(k15Minutes, code); }
bool Is5MinuteVar(std::string_view code) { return IsInterval(k5Minutes, code); }
bool IsMinuteVar(std::string_view code) { return IsInterval(kMinute, code); }
bool IsSecondVar(std::string_view code) { return IsInterval(kSecond, code); }

bool IsParameterVar(std::string_view code) { return IsKind(kParameter, code); }
bool IsCalculatedVar(std::string_view code) { return IsKind(kCalculated, code); }
bool IsTextParameterVar(std::string_view code) { return IsKind(kTextParameter, code); }

std::string_view GetVarKindName(std::string_view code) {
  for (Kind k : kKindOrder)
    if (IsKind(k, code)) return kKinds[k].name;
  return kKinds[kParameter].name;
}

std::string_view GetVarIntervalName(std::string_view code) {
  Interval i = FirstInterval(kNameOrder, code);
  return i == kNoInterval ? kIntervals[kDay].name : kIntervals[i].name;
}

std::string_view GetDataTableName(std::string_view code) {
  Interval i = FirstInterval(kTableOrder, code);
  return i == kNoInterval ? kIntervals[kDay].table : kIntervals[i].table;
}

std::int16_t GetSlotsPerDay(std::string_view code) {
  Interval i = FirstInterval(kTableOrder, code);
  if (i == kNoInterval) return 1;
  std::int32_t slots = kIntervals[i].slotsPerDay;
  if (slots > INT16_MAX) core::Raise(core::err::kOverflow, "VarTypeFunctions.GetSlotsPerDay");
  return static_cast<std::int16_t>(slots);
}

core::Date GetSlotStartDate(core::Date d, std::string_view code) {
  // Built from the calendar parts rather than by adding day fractions, so that dates before
  // 1899 (whose fraction counts forward from a negative day) come out right as well.
  const core::Date::Parts p = d.Split();
  int h = 0, m = 0, s = 0;
  switch (FirstInterval(kSlotStartOrder, code)) {
    case kDay:
    case kNoInterval:
      break;
    case k4Hours:
      h = 4 * (p.hour / 4);
      break;
    case kHour:
      h = p.hour;
      break;
    case k30Minutes:
      h = p.hour, m = 30 * (p.minute / 30);
      break;
    case k15Minutes:
      h = p.hour, m = 15 * (p.minute / 15);
      break;
    case k5Minutes:
      h = p.hour, m = 5 * (p.minute / 5);
      break;
    case kMinute:
      h = p.hour, m = p.minute;
      break;
    case kSecond:
      h = p.hour, m = p.minute, s = p.second;
      break;
  }
  return core::Date::FromParts(p.year, p.month, p.day, h, m, s);
}

}  // namespace VarTypeFunctions
