// The type-code letters: what each function answers for every letter, for codes that sit in
// several sets or in none, and the slot starts of each interval.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "import/model/VarTypeFunctions.h"

namespace vt = VarTypeFunctions;
using core::Date;

namespace {

struct CodeCase {
  const char* code;
  const char* kind;
  const char* interval;
  const char* table;
  int slots;  // -1: the slot count overflows
};

// Every letter once, some in lower case, and the codes whose answer depends on the order in
// which a function tries the sets: the empty code sits in all of them, so each function answers
// with the first set it tries (kind: Parameter; name: Day; table and slots: Hour).
const CodeCase kCodes[] = {
    {"P", "Parameter", "Day", "DATATBL", 1},
    {"c", "Calculated", "Day", "DATATBL", 1},
    {"T", "Text Parameter", "Day", "DATATBL", 1},
    {"4", "Parameter", "4 Hours", "DATADD4", 6},
    {"G", "Calculated", "4 Hours", "DATADD4", 6},
    {"e", "Text Parameter", "4 Hours", "DATADD4", 6},
    {"h", "Parameter", "Hour", "DATADDH", 24},
    {"N", "Calculated", "Hour", "DATADDH", 24},
    {"b", "Text Parameter", "Hour", "DATADDH", 24},
    {"3", "Parameter", "30 Minutes", "DATADD3", 48},
    {"W", "Calculated", "30 Minutes", "DATADD3", 48},
    {"Q", "Text Parameter", "30 Minutes", "DATADD3", 48},
    {"F", "Parameter", "15 Minutes", "DATADDF", 96},
    {"v", "Calculated", "15 Minutes", "DATADDF", 96},
    {"X", "Text Parameter", "15 Minutes", "DATADDF", 96},
    {"5", "Parameter", "5 Minutes", "DATADD5", 288},
    {"Y", "Calculated", "5 Minutes", "DATADD5", 288},
    {"r", "Text Parameter", "5 Minutes", "DATADD5", 288},
    {"1", "Parameter", "Minute", "DATADD1", 1440},
    {"S", "Calculated", "Minute", "DATADD1", 1440},
    {"a", "Text Parameter", "Minute", "DATADD1", 1440},
    {"9", "Parameter", "Second", "DATADDX", -1},
    {"0", "Calculated", "Second", "DATADDX", -1},
    {"8", "Text Parameter", "Second", "DATADDX", -1},
    {"", "Parameter", "Day", "DATADDH", 24},
    {"Z", "Parameter", "Day", "DATATBL", 1},
    {"PC", "Parameter", "Day", "DATATBL", 1},  // a run of the Day set, of no kind set
    {"PH", "Parameter", "Day", "DATATBL", 1},  // a run of no set at all
    {"hn", "Parameter", "Hour", "DATADDH", 24},
    {"GN", "Calculated", "Day", "DATATBL", 1},  // a run of the Calculated set only
    {"p ", "Parameter", "Day", "DATATBL", 1},   // a trailing blank is a letter of no set
};

TEST(VarTypeFunctions, EachFunctionAnswersTheFirstSetItTries) {
  for (const CodeCase& c : kCodes) {
    SCOPED_TRACE(std::string("code \"") + c.code + "\"");
    EXPECT_EQ(vt::GetVarKindName(c.code), c.kind);
    EXPECT_EQ(vt::GetVarIntervalName(c.code), c.interval);
    EXPECT_EQ(vt::GetDataTableName(c.code), c.table);
    if (c.slots < 0) {
      try {
        vt::GetSlotsPerDay(c.code);
        ADD_FAILURE() << "no overflow";
      } catch (const core::RuntimeError& e) {
        EXPECT_EQ(e.Number(), core::err::kOverflow);
      }
    } else {
      EXPECT_EQ(vt::GetSlotsPerDay(c.code), c.slots);
    }
  }
}

// Which of the eleven membership tests hold, named by the set's letters.
std::vector<std::string> SetsHolding(const std::string& code) {
  struct Test {
    const char* name;
    bool (*holds)(std::string_view);
  };
  static const Test kTests[] = {
      {"PCT", vt::IsDailyVar},
      {"4GE", vt::Is4HourVar},
      {"HNB", vt::IsHourlyVar},
      {"3WQ", vt::Is30MinuteVar},
      {"FVX", vt::Is15MinuteVar},
      {"5YR", vt::Is5MinuteVar},
      {"1SA", vt::IsMinuteVar},
      {"908", vt::IsSecondVar},
      {"P4H3F519", vt::IsParameterVar},
      {"CGNWVYS0", vt::IsCalculatedVar},
      {"TEBQXRA8", vt::IsTextParameterVar},
  };
  std::vector<std::string> out;
  for (const Test& t : kTests)
    if (t.holds(code)) out.push_back(t.name);
  return out;
}

TEST(VarTypeFunctions, MembershipIsARunOfLettersIgnoringCase) {
  using V = std::vector<std::string>;
  const V all = {"PCT", "4GE", "HNB", "3WQ", "FVX", "5YR", "1SA", "908", "P4H3F519", "CGNWVYS0", "TEBQXRA8"};
  struct Case {
    const char* code;
    V sets;
  } cases[] = {
      {"p", {"PCT", "P4H3F519"}},
      {"N", {"HNB", "CGNWVYS0"}},
      {"0", {"908", "CGNWVYS0"}},
      {"x", {"FVX", "TEBQXRA8"}},
      {"", all},
      {"Z", {}},
      {"PC", {"PCT"}},
      {"ct", {"PCT"}},
      {"PH", {}},
      {"4h3", {"P4H3F519"}},
      {"PCT", {"PCT"}},
      {"PCTP", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SetsHolding(c.code), c.sets) << "code \"" << c.code << "\"";
}

TEST(VarTypeFunctions, SlotStartOfEachInterval) {
  const Date t = Date::FromParts(2026, 12, 8, 14, 47, 59.25);
  struct Case {
    const char* code;
    int h, m, s;
  } cases[] = {
      {"P", 0, 0, 0},   {"4", 12, 0, 0},  {"e", 12, 0, 0},   {"H", 14, 0, 0}, {"3", 14, 30, 0}, {"F", 14, 45, 0},
      {"5", 14, 45, 0}, {"1", 14, 47, 0}, {"9", 14, 47, 59}, {"Z", 0, 0, 0},  {"", 12, 0, 0},  // the 4-hour set is
                                                                                               // tried first
  };
  for (const Case& c : cases) {
    Date start = vt::GetSlotStartDate(t, c.code);
    Date::Parts p = start.Split();
    EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}),
              (std::vector<int>{2026, 12, 8, c.h, c.m, c.s, 0}))
        << "code \"" << c.code << "\"";
  }
}

TEST(VarTypeFunctions, SlotStartOnABoundaryAndAtTheEdgesOfTheDay) {
  struct Case {
    Date d;
    const char* code;
    Date start;
  } cases[] = {
      {Date::FromParts(2026, 3, 1, 10, 30, 0), "W", Date::FromParts(2026, 3, 1, 10, 30, 0)},
      {Date::FromParts(2026, 3, 1, 10, 29, 59), "W", Date::FromParts(2026, 3, 1, 10, 0, 0)},
      {Date::FromParts(2026, 3, 1, 0, 0, 0), "G", Date::FromParts(2026, 3, 1, 0, 0, 0)},
      {Date::FromParts(2026, 3, 1, 23, 59, 59), "G", Date::FromParts(2026, 3, 1, 20, 0, 0)},
      {Date::FromParts(2026, 3, 1, 23, 59, 59), "C", Date::FromParts(2026, 3, 1, 0, 0, 0)},
      {Date::FromParts(2026, 3, 1, 23, 59, 59), "8", Date::FromParts(2026, 3, 1, 23, 59, 59)},
      // Before 1899 the day is negative and its fraction still counts forward.
      {Date::FromParts(1899, 12, 29, 6, 50, 0), "N", Date::FromParts(1899, 12, 29, 6, 0, 0)},
      {Date::FromParts(1899, 12, 29, 6, 50, 0), "T", Date::FromParts(1899, 12, 29, 0, 0, 0)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(vt::GetSlotStartDate(c.d, c.code).GeneralText(), c.start.GeneralText())
        << c.d.GeneralText() << " code " << c.code;
}

}  // namespace
