// The variable record: what each setter makes of the values a database row can hold, the list
// of allowed texts, the symbols, and the time window inside the variable's interval.
#include <gtest/gtest.h>

#include "core/Date.h"
#include "core/Value.h"
#include "import/model/CommonTypeVarRec.h"

using core::Date;
using core::Value;

namespace {

TEST(CommonTypeVarRecTest, DecimalPlacesRoundHalfToEvenAndFallBackToFive) {
  struct Case {
    Value given;
    std::int16_t stored;
  };
  const Case cases[] = {
      {Value::MakeNull(), 5},
      {Value("abc"), 5},
      {Value(40000), 5},
      {Value(-40000.0), 5},
      {Value(2.5), 2},
      {Value(3.5), 4},
      {Value("3"), 3},
      {Value(9999), 9999},
      {Value(0), 0},
      {Value(), 0},
      {Value(std::int32_t{-1}), -1},
  };
  for (const Case& c : cases) {
    CommonTypeVarRec r;
    r.DecPlaces(Value(std::int32_t{7}));
    r.DecPlaces(c.given);
    EXPECT_EQ(r.gDecPlaces(), c.stored) << c.given.Text();
  }
}

TEST(CommonTypeVarRecTest, TextListNumbersEachNewEntryOnce) {
  CommonTypeVarRec r;
  r.LoadTextListHash("a\tB\t a \t\tc");
  struct Case {
    const char* asked;
    std::int16_t number;
  };
  for (const Case& c : {Case{"a", 1}, Case{"A", 1}, Case{" b ", 2}, Case{"c", 3}, Case{"C ", 3}, Case{"d", 1},
                        Case{"", 1}, Case{"   ", 1}})
    EXPECT_EQ(r.GetTextListHashIndex(c.asked), c.number) << "'" << c.asked << "'";
  // Only a listed text is listed; the index's 1 for any other says nothing of that.
  for (const char* listed : {"a", " b ", "C"}) EXPECT_TRUE(r.IsListedText(listed)) << listed;
  for (const char* unlisted : {"d", "", "   ", "a b"}) EXPECT_FALSE(r.IsListedText(unlisted)) << unlisted;

  // A later load numbers its new entries after those held and skips the ones it repeats.
  r.LoadTextListHash("d\tA\t\te");
  EXPECT_EQ(r.GetTextListHashIndex("d"), 4);
  EXPECT_EQ(r.GetTextListHashIndex("e"), 5);
  EXPECT_EQ(r.GetTextListHashIndex("a"), 1);
}

TEST(CommonTypeVarRecTest, EmptyTextListAnswersOne) {
  CommonTypeVarRec r;
  r.LoadTextListHash("");
  r.LoadTextListHash("\t \t");
  EXPECT_EQ(r.GetTextListHashIndex("x"), 1);
}

TEST(CommonTypeVarRecTest, SymbolsAreReadBackByIndex) {
  CommonTypeVarRec r;
  r.AddSymbol("<", true, 2, 0.5);
  r.AddSymbol("ND", false, 1, 0);
  EXPECT_EQ(r.SymbolCount(), 2);

  std::string symbol = "unchanged";
  bool allow = true;
  std::int16_t rule = 9;
  double factor = 9.5;
  for (std::int16_t outside : {std::int16_t{2}, std::int16_t{-1}, std::int16_t{100}}) {
    r.GetSymbolByIndex(outside, symbol, allow, rule, factor);
    EXPECT_EQ(symbol, "unchanged") << outside;
    EXPECT_TRUE(allow);
    EXPECT_EQ(rule, 9);
    EXPECT_EQ(factor, 9.5);
  }
  r.GetSymbolByIndex(1, symbol, allow, rule, factor);
  EXPECT_EQ(symbol, "ND");
  EXPECT_FALSE(allow);
  EXPECT_EQ(rule, 1);
  EXPECT_EQ(factor, 0);
  r.GetSymbolByIndex(0, symbol, allow, rule, factor);
  EXPECT_EQ(symbol, "<");
  EXPECT_TRUE(allow);
  EXPECT_EQ(rule, 2);
  EXPECT_EQ(factor, 0.5);
}

TEST(CommonTypeVarRecTest, SymbolCountSetByHandBoundsTheSymbols) {
  CommonTypeVarRec r;
  r.AddSymbol("A", false, 1, 0);
  r.AddSymbol("B", false, 1, 0);
  r.SymbolCount(1);
  std::string symbol = "none";
  bool allow = false;
  std::int16_t rule = 0;
  double factor = 0;
  r.GetSymbolByIndex(1, symbol, allow, rule, factor);
  EXPECT_EQ(symbol, "none");
  r.AddSymbol("C", true, 3, 1);  // takes index 1 again
  r.GetSymbolByIndex(1, symbol, allow, rule, factor);
  EXPECT_EQ(symbol, "C");
  EXPECT_EQ(r.SymbolCount(), 2);
  // A count raised past the symbols held reads nothing beyond them.
  r.SymbolCount(5);
  symbol = "none";
  r.GetSymbolByIndex(3, symbol, allow, rule, factor);
  EXPECT_EQ(symbol, "none");
}

TEST(CommonTypeVarRecTest, TextFieldsReadNullAsEmpty) {
  CommonTypeVarRec r;
  r.Name(Value::MakeNull());
  r.Units(Value::MakeNull());
  r.Desc(Value(std::int32_t{5}));
  r.LimsLocation(Value("  LOC "));
  r.LimsTest(Value::MakeNull());
  r.FilterOperand(Value(" > "));
  r.FilterTag(Value::MakeNull());
  r.ScadaTag(Value(" T-1 "));
  r.ScadaStat(Value("avg "));
  EXPECT_EQ(r.gName(), "");
  EXPECT_EQ(r.gUnits(), "");
  EXPECT_EQ(r.gDesc(), "5");
  EXPECT_EQ(r.gLimsLocation(), "  LOC ");  // source-matching fields are kept as they stand
  EXPECT_EQ(r.gLimsTest(), "");
  EXPECT_EQ(r.gFilterOperand(), ">");
  EXPECT_EQ(r.gFilterTag(), "");
  EXPECT_EQ(r.gScadaTag(), "T-1");
  EXPECT_EQ(r.gScadaStat(), "AVG ");
}

TEST(CommonTypeVarRecTest, NumericSettingsFallBack) {
  struct Case {
    Value given;
    double scadaFactor;
    double filterValue;
  };
  const Case cases[] = {
      {Value(0), 1, 0},       {Value::MakeNull(), 1, 0}, {Value("abc"), 1, 0},
      {Value(2.5), 2.5, 2.5}, {Value("-3"), -3, -3},     {Value(), 1, 0},
  };
  for (const Case& c : cases) {
    CommonTypeVarRec r;
    r.ScadaFactor(c.given);
    r.FilterValue(c.given);
    EXPECT_EQ(r.gScadaFactor(), c.scadaFactor) << c.given.Text();
    EXPECT_EQ(r.gFilterValue(), c.filterValue) << c.given.Text();
  }
}

TEST(CommonTypeVarRecTest, InterfaceTypeIsZeroOnlyForSame) {
  struct Case {
    Value given;
    std::int32_t stored;
  };
  for (const Case& c :
       {Case{Value("SAME"), 0}, Case{Value("same"), 0}, Case{Value("SaMe"), 0}, Case{Value::MakeNull(), 1},
        Case{Value(""), 1}, Case{Value(" SAME"), 1}, Case{Value("OTHER"), 1}, Case{Value(std::int32_t{0}), 1}}) {
    CommonTypeVarRec r;
    r.InterfaceType(c.given);
    EXPECT_EQ(r.gInterfaceType(), c.stored) << c.given.Text();
  }
}

TEST(CommonTypeVarRecTest, RangeAndDeadBandKeepTheirValues) {
  CommonTypeVarRec r;
  EXPECT_TRUE(r.gDeadBand().IsEmpty());
  r.DeadBand(Value::MakeNull());
  r.LowRangeFilter(Value("low"));
  r.HighRangeFilter(Value(12.5));
  EXPECT_TRUE(r.gDeadBand().IsNull());
  EXPECT_EQ(r.gLowRangeFilter().ToString(), "low");
  EXPECT_EQ(r.gHighRangeFilter().ToDouble(), 12.5);
}

struct WindowCase {
  const char* name;
  const char* type;
  const char* interfaceType;  // nullptr: left at its start value
  Value given;
  std::int32_t start;
  std::int32_t stop;
};

class TimeWindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(TimeWindowTest, MinutesInsideTheInterval) {
  const WindowCase& c = GetParam();
  CommonTypeVarRec r;
  r.VarType(c.type);
  if (c.interfaceType) r.InterfaceType(Value(c.interfaceType));
  r.StartTime(c.given);
  r.StopTime(c.given);
  EXPECT_EQ(r.gStartTimeMinutes(), c.start);
  EXPECT_EQ(r.gStopTimeMinutes(), c.stop);
}

INSTANTIATE_TEST_SUITE_P(
    Types, TimeWindowTest,
    ::testing::Values(WindowCase{"HourlyHalfPast", "H", nullptr, Value(Date::FromTime(0, 30, 0)), 30, 30},
                      WindowCase{"HourlyPastTheHour", "H", nullptr, Value(Date::FromTime(1, 30, 0)), 0, 60},
                      WindowCase{"HourlyQuarterTo", "h", nullptr, Value(Date::FromTime(0, 45, 0)), 45, 45},
                      WindowCase{"HourlyTwoHours", "N", nullptr, Value(Date::FromTime(2, 0, 0)), 0, 60},
                      WindowCase{"HourlyFullHour", "B", nullptr, Value(Date::FromTime(1, 0, 0)), 60, 60},
                      WindowCase{"HourlyTimeText", "H", nullptr, Value("0:45:00"), 45, 45},
                      WindowCase{"HourlyNotADate", "H", nullptr, Value("later"), 0, 60},
                      WindowCase{"HourlyNull", "H", nullptr, Value::MakeNull(), 0, 60},
                      WindowCase{"HourlyNumberIsNoDate", "H", nullptr, Value(0.5), 0, 60},
                      WindowCase{"HourlyWithACalendarDay", "H", nullptr, Value(Date::FromParts(2024, 3, 5, 0, 30, 0)),
                                 0, 60},
                      WindowCase{"DailyNextDay", "P", "OTHER", Value(Date::FromTime(23, 59, 0)), 1439, 2880},
                      WindowCase{"DailySameDay", "P", "SAME", Value(Date::FromTime(23, 59, 0)), 1439, 1440},
                      WindowCase{"DailyUnsetInterfaceType", "T", nullptr, Value(Date::FromTime(6, 0, 0)), 360, 361},
                      WindowCase{"DailyNotADateNextDay", "C", "OTHER", Value("x"), 0, 1440},
                      WindowCase{"FourHours", "4", nullptr, Value(Date::FromTime(3, 59, 0)), 239, 239},
                      WindowCase{"FiveMinutes", "5", nullptr, Value(Date::FromTime(0, 7, 0)), 0, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommonTypeVarRecTest, SecondTypeHasNoWindow) {
  // Its slots per day overflow, so the start reads 0 and the end keeps what it held.
  CommonTypeVarRec r;
  r.VarType("H");
  r.StopTime(Value(Date::FromTime(0, 20, 0)));
  r.StartTime(Value(Date::FromTime(0, 10, 0)));
  r.VarType("9");
  r.StartTime(Value(Date::FromTime(0, 0, 0)));
  r.StopTime(Value(Date::FromTime(0, 0, 30)));
  EXPECT_EQ(r.gStartTimeMinutes(), 0);
  EXPECT_EQ(r.gStopTimeMinutes(), 20);
}

}  // namespace
