// The tag filter engine, evaluated through its historian owner against a historian database of
// the test's own: carrying filter values, the range bounds, every filter operator, the
// statistics and the failures of each step.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "HistorianDatabase.h"
#include "core/Date.h"
#include "core/Value.h"
#include "features/CommonTAGFilter.h"
#include "features/CustomTagFilter.h"
#include "features/FeatureTestLog.h"

namespace {

using core::Date;
using core::Value;
using Filter = std::optional<double>;
constexpr Filter kNone = std::nullopt;

// The window starts at 14:00 on 9 November 2015.
Date Minute(int i) { return core::DateAdd("n", i, Date::FromParts(2015, 11, 9, 14, 0)); }
Date Within(int i, int second) { return core::DateAdd("s", second, Minute(i)); }

// Source values 1, 10, 100 ...: a TOTAL names the rows that were kept.
double RowValue(std::size_t i) { return std::pow(10.0, static_cast<double>(i)); }

class TagFilterTest : public ::testing::Test {
 protected:
  // One source sample per minute from minute 0 on, and the filter samples of those minutes.
  void Minutes(const std::vector<double>& source, const std::vector<Filter>& filter) {
    for (std::size_t i = 0; i < source.size(); ++i) db_.Sample("History", "SRC", Within(int(i), 10), source[i]);
    for (std::size_t i = 0; i < filter.size(); ++i)
      if (filter[i]) db_.Sample("History", "FLT", Within(int(i), 20), *filter[i]);
  }
  // Source rows 1, 10, 100 ... with the given filter values.
  void Rows(const std::vector<Filter>& filter) {
    std::vector<double> source;
    for (std::size_t i = 0; i < filter.size(); ++i) source.push_back(RowValue(i));
    Minutes(source, filter);
  }
  // Minutes before the window: a source sample of 5 and the filter value, from minute -n on.
  void Before(const std::vector<Filter>& filter) {
    const int n = static_cast<int>(filter.size());
    for (int i = 0; i < n; ++i) {
      db_.Sample("History", "SRC", Within(i - n, 10), 5);
      if (filter[std::size_t(i)]) db_.Sample("History", "FLT", Within(i - n, 20), *filter[std::size_t(i)]);
    }
  }

  // A filter over the first hour with no range bounds.
  void Setup(const std::string& op, const std::string& value, const std::string& statistic = "TOTAL") {
    filter_.Connection(&db_.Connection());
    filter_.SourceTableName("History");
    filter_.FilterTableName("History");
    filter_.SourceTag(Value("SRC"));
    filter_.FilterTag(Value("FLT"));
    filter_.StartTime(Minute(0));
    filter_.EndTime(Minute(60));
    filter_.FilterLowRange(Value::MakeNull());
    filter_.FilterHighRange(Value::MakeNull());
    filter_.FilterOp(Value(op));
    filter_.FilterValue(Value(value));
    filter_.SourceStat(Value(statistic));
  }

  Value Evaluate(bool& failed) {
    failed = false;
    return filter_.GetFilteredDoubleResult(failed);
  }

  FeatureTestLog log_;
  HistorianDatabase db_;
  CustomTagFilter filter_;
};

// ---------------------------------------------------------------------------------------------
// Filter operators

struct OpCase {
  const char* name;
  std::vector<Filter> before;  // filter values of the minutes before the window
  std::vector<Filter> filter;  // filter values of rows 1, 2, ... (source 1, 10, 100 ...)
  const char* op;
  const char* value;
  std::optional<double> total;  // nullopt: Null
  bool failed = false;
};

void PrintTo(const OpCase& c, std::ostream* os) { *os << c.name; }

class FilterOperator : public TagFilterTest, public ::testing::WithParamInterface<OpCase> {};

TEST_P(FilterOperator, KeepsTheRowsItNames) {
  const OpCase& c = GetParam();
  ASSERT_TRUE(db_.Valid());
  Before(c.before);
  Rows(c.filter);
  Setup(c.op, c.value);
  bool failed = false;
  const Value result = Evaluate(failed);
  EXPECT_EQ(failed, c.failed) << log_.All();
  if (c.total) {
    ASSERT_FALSE(result.IsNull()) << log_.All();
    EXPECT_EQ(result.ToDouble(), *c.total);
  } else {
    EXPECT_TRUE(result.IsNull()) << result.Text();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Operators, FilterOperator,
    ::testing::Values(OpCase{"Equal", {}, {1, 2, 3}, "=", "2", 10}, OpCase{"NotEqual", {}, {1, 2, 3}, "<>", "2", 101},
                      OpCase{"Greater", {}, {1, 2, 3}, ">", "2", 100}, OpCase{"Less", {}, {1, 2, 3}, "<", "2", 1},
                      OpCase{"GreaterOrEqual", {}, {1, 2, 3}, ">=", "2.0", 110},
                      OpCase{"LessOrEqual", {}, {1, 2, 3}, "<=", "2", 11},
                      // Minutes without a filter sample take the last value.
                      OpCase{"CarriedValue", {}, {2, kNone, kNone, 3, kNone}, "=", "2", 111},
                      OpCase{"CarriedFromBeforeTheWindow", {2, kNone}, {kNone, kNone, 3}, "=", "2", 11},
                      // Of two earlier samples the later one is the last value.
                      OpCase{"LatestValueBeforeTheWindow", {3, 2}, {kNone, 3}, "=", "2", 1},
                      OpCase{"CyclesTo", {0}, {0, 1, 1, 0, 1}, "CYCLESTO", "1", 10010},
                      OpCase{"CyclesToInLowerCase", {1}, {1, 1, 0, 1}, "cyclesto", "1", 1000},
                      OpCase{"CyclesToWithoutEarlierValueDropsRowOne", {}, {1, 0, 1}, "CycLesTo", "1", 100},
                      OpCase{"ActOne", {}, {0, 0, 1, 1, 0, 1}, "ACT(1)", "1", 1000},
                      // The look-back rows reach n - 1 minutes before the window: the first two
                      // rows never see the change they follow, the third sees it from them.
                      OpCase{"ActOneNeverKeepsTheFirstTwoRows", {0, 0}, {1, 1, 1}, "act(1)", "1", std::nullopt},
                      OpCase{"ActTwoChangedBeforeTheWindow", {0, 0, 1}, {1, 1, 1, 1}, "ACT(2)", "1", std::nullopt},
                      OpCase{"ActTwoAtTheWindowStart", {0, 0}, {1, 1, 1, 1}, "ACT(2)", "1", 100},
                      OpCase{"ActZeroIsTheChangeItself", {}, {0, 1, 1, 0, 1}, "ACT(0)", "1", 10010},
                      OpCase{"BctOne", {}, {0, 0, 1, 1, 0, 1}, "BCT(1)", "1", 10010},
                      OpCase{"BctZeroAtTheWindowStart", {0}, {1, 1}, "BCT(0)", "1", 1},
                      OpCase{"BctBeyondTheLastRow", {}, {0, 0, 0, 1}, "BCT(4)", "1", std::nullopt},
                      OpCase{"GoesBelow", {}, {9, 1, 9, 9, 9}, "GOES<(2)", "5", 11000},
                      OpCase{"GoesAbove", {}, {1, 9, 1, 1}, "goes>(1)", "5", 1100},
                      OpCase{"GoesBelowItself", {}, {9, 1, 9}, "GOES<(0)", "5", 110},
                      OpCase{"GoesBelowNever", {}, {9, 9, 9}, "GOES<(1)", "5", std::nullopt},
                      OpCase{"ActWithoutParentheses", {}, {0, 1, 1}, "ACT5", "1", std::nullopt},
                      OpCase{"UnknownOperator", {}, {1, 1}, "LIKE", "1", std::nullopt},
                      OpCase{"UnknownOperatorNeedsNoNumber", {}, {1, 1}, "BETWEEN", "abc", std::nullopt},
                      OpCase{"FilterValueNotANumber", {}, {1, 1}, "=", "abc", std::nullopt, true},
                      OpCase{"ArgumentOutOfRange", {}, {1, 1}, "ACT(40000)", "1", std::nullopt, true},
                      OpCase{"EmptyArgument", {}, {1, 1}, "ACT()", "1", std::nullopt, true},
                      OpCase{"ArgumentNotANumber", {}, {1, 1}, "GOES>(x)", "1", std::nullopt, true}),
    [](const ::testing::TestParamInfo<OpCase>& info) { return std::string(info.param.name); });

TEST_F(TagFilterTest, OperatorIsUpperCasedByTheEvaluation) {
  ASSERT_TRUE(db_.Valid());
  Rows({0, 1});
  Setup("cyclesTo", "1");
  bool failed = true;
  Evaluate(failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(filter_.TagFilter().FilterOp(), "CYCLESTO");
}

TEST_F(TagFilterTest, BadArgumentFormIsLoggedOnlyWhenRowsReachTheOperator) {
  ASSERT_TRUE(db_.Valid());
  Setup("act()", "1");  // no samples: the operator step sees no row
  bool failed = true;
  EXPECT_TRUE(Evaluate(failed).IsNull());
  EXPECT_FALSE(failed);
  EXPECT_TRUE(log_.Starting("TAGfilter : Invalid Syntax").empty()) << log_.All();

  Rows({1, 1});
  for (const char* op : {"act()", "bct(x)", "GOES<(1x)"}) {
    Setup(op, "1");
    EXPECT_TRUE(Evaluate(failed).IsNull());
    EXPECT_TRUE(failed);
  }
  EXPECT_EQ(log_.Starting("TAGfilter : Invalid Syntax"),
            (std::vector<std::string>{"TAGfilter : Invalid Syntax (FilterOp =ACT())",
                                      "TAGfilter : Invalid Syntax (FilterOp =BCT(X))",
                                      "TAGfilter : Invalid Syntax (FilterOp =GOES<(1X))"}));
}

TEST_F(TagFilterTest, NoFilterValueBeforeANullSampleFailsWithoutAMessage) {
  ASSERT_TRUE(db_.Valid());
  Rows({kNone, 1, 1});
  Setup("=", "1");
  bool failed = false;
  EXPECT_TRUE(Evaluate(failed).IsNull());
  EXPECT_TRUE(failed);
  EXPECT_TRUE(log_.Starting("Error in").empty()) << log_.All();
}

TEST_F(TagFilterTest, FilterTagInItsOwnTableItsLastValueInTheSourceTable) {
  ASSERT_TRUE(db_.Valid());
  // The window's filter samples come from the filter table; the filter tag's value before the
  // window is looked up in the source table, and one in the filter table does not count.
  db_.Sample("History", "FLT", Within(-3, 0), 1);
  db_.Sample("DiscreteHistory", "FLT", Within(-2, 0), 0);
  Minutes({1, 10, 100}, {});
  db_.Sample("DiscreteHistory", "FLT", Within(2, 0), 0);
  Setup("=", "1");
  filter_.FilterTableName("DiscreteHistory");
  bool failed = true;
  const Value result = Evaluate(failed);
  EXPECT_FALSE(failed) << log_.All();
  EXPECT_EQ(result.ToDouble(), 11);
}

// ---------------------------------------------------------------------------------------------
// Range bounds

struct RangeCase {
  const char* name;
  Value low, high;
  std::optional<double> total;
  bool failed = false;
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class RangeBounds : public TagFilterTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeBounds, KeepValuesStrictlyInside) {
  const RangeCase& c = GetParam();
  ASSERT_TRUE(db_.Valid());
  Minutes({-1, 2, 4, 9, 12}, {1});
  Setup("=", "1");
  filter_.FilterLowRange(c.low);
  filter_.FilterHighRange(c.high);
  bool failed = false;
  const Value result = Evaluate(failed);
  EXPECT_EQ(failed, c.failed) << log_.All();
  if (c.total)
    EXPECT_EQ(result.ToDouble(), *c.total);
  else
    EXPECT_TRUE(result.IsNull());
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, RangeBounds,
    ::testing::Values(RangeCase{"NullBoundsKeepEverything", Value::MakeNull(), Value::MakeNull(), 26},
                      RangeCase{"UnsetBoundsKeepNothing", Value(), Value(), std::nullopt},
                      RangeCase{"ValueOnABoundIsDropped", Value(2.0), Value(9.0), 4},
                      RangeCase{"LowOnly", Value(3.0), Value::MakeNull(), 25},
                      RangeCase{"HighOnlyAsText", Value::MakeNull(), Value("4"), 1},
                      RangeCase{"UnsetHighIsZero", Value::MakeNull(), Value(), -1},
                      RangeCase{"BoundNotANumber", Value("low"), Value::MakeNull(), std::nullopt, true}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.name); });

TEST_F(TagFilterTest, BoundThatIsNoNumberIsLogged) {
  ASSERT_TRUE(db_.Valid());
  Minutes({1}, {1});
  Setup("=", "1");
  filter_.FilterHighRange(Value("high"));
  bool failed = false;
  Evaluate(failed);
  EXPECT_TRUE(failed);
  EXPECT_TRUE(log_.Has("Error in 'ApplyFilter': Type mismatch")) << log_.All();
}

// ---------------------------------------------------------------------------------------------
// Statistics

struct StatCase {
  const char* statistic;
  std::vector<double> source;
  std::optional<double> expected;
};

void PrintTo(const StatCase& c, std::ostream* os) { *os << c.statistic; }

class Statistic : public TagFilterTest, public ::testing::WithParamInterface<StatCase> {};

TEST_P(Statistic, OverTheKeptRows) {
  const StatCase& c = GetParam();
  ASSERT_TRUE(db_.Valid());
  Minutes(c.source, {1});
  Setup("=", "1", c.statistic);
  bool failed = true;
  const Value result = Evaluate(failed);
  EXPECT_FALSE(failed) << log_.All();
  if (c.expected) {
    ASSERT_FALSE(result.IsNull());
    EXPECT_DOUBLE_EQ(result.ToDouble(), *c.expected);
  } else {
    EXPECT_TRUE(result.IsNull());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statistics, Statistic,
    ::testing::Values(StatCase{"AVERAGE", {2, 9, 4}, 5}, StatCase{"Total", {2, 9, 4}, 15},
                      StatCase{"MAXIMUM", {2, 9, 4}, 9}, StatCase{"minimum", {2, 9, 4}, 2},
                      StatCase{"FIRST", {2, 9, 4}, 2}, StatCase{"LAST", {2, 9, 4}, 4}, StatCase{"RANGE", {2, 9, 4}, 7},
                      StatCase{"DIFF", {2, 9, 4}, 2},
                      // A counter that went down rolled over at the power of ten above its first value.
                      StatCase{"DIFF", {950, 990, 20}, 70}, StatCase{"DIFF", {100, 20}, 20},
                      StatCase{"DIFF", {15, 3}, 88}, StatCase{"MEDIAN", {2, 9, 4}, std::nullopt}));

TEST_F(TagFilterTest, EmptyWindowIsNullForEveryStatistic) {
  ASSERT_TRUE(db_.Valid());
  db_.Sample("History", "SRC", Minute(61), 5);  // outside the window
  for (const char* statistic : {"AVERAGE", "TOTAL", "MAXIMUM", "MINIMUM", "FIRST", "LAST", "RANGE", "DIFF"}) {
    SCOPED_TRACE(statistic);
    Setup("=", "1", statistic);
    bool failed = true;
    EXPECT_TRUE(Evaluate(failed).IsNull());
    EXPECT_FALSE(failed);
  }
}

TEST_F(TagFilterTest, MinuteAggregateFollowsTheStatistic) {
  ASSERT_TRUE(db_.Valid());
  // Two samples in minute 0, one in minute 1.
  db_.Sample("History", "SRC", Within(0, 5), 3);
  db_.Sample("History", "SRC", Within(0, 35), 7);
  db_.Sample("History", "SRC", Within(1, 5), 8);
  db_.Sample("History", "FLT", Within(0, 0), 1);
  struct Case {
    const char* statistic;
    double expected;
  };
  for (const Case& c : {Case{"maximum", 8}, Case{"Minimum", 3}, Case{"TOTAL", 13}, Case{"FIRST", 5}}) {
    SCOPED_TRACE(c.statistic);
    Setup("=", "1", c.statistic);
    bool failed = true;
    EXPECT_EQ(Evaluate(failed).ToDouble(), c.expected);
    EXPECT_FALSE(failed) << log_.All();
  }
}

TEST_F(TagFilterTest, UnsupportedStatisticIsLogged) {
  ASSERT_TRUE(db_.Valid());
  Minutes({1}, {1});
  Setup("=", "1", "median");
  bool failed = true;
  EXPECT_TRUE(Evaluate(failed).IsNull());
  EXPECT_FALSE(failed);
  EXPECT_TRUE(log_.Has("TAGFilter does not support statistic MEDIAN")) << log_.All();
}

TEST_F(TagFilterTest, RollOverFromANonPositiveFirstValueIsAnError) {
  ASSERT_TRUE(db_.Valid());
  Minutes({0, -5}, {1});
  Setup("=", "1", "DIFF");
  bool failed = false;
  const Value result = Evaluate(failed);
  EXPECT_TRUE(result.IsEmpty());
  EXPECT_TRUE(failed);
  EXPECT_TRUE(log_.Has("Error in 'GetFilteredDoubleResult': Invalid procedure call or argument")) << log_.All();
}

TEST(CommonTAGFilter, CeilRoundsHalfAboveToEven) {
  struct Case {
    double x, expected;
  };
  for (const Case& c : {Case{2.3, 3}, Case{2.5, 3}, Case{2, 2}, Case{3, 4}, Case{-0.5, 0}, Case{0.2, 1}}) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(CommonTAGFilter::Ceil(c.x), c.expected);
  }
}

TEST(CommonTAGFilter, WithoutAnOwnerTheEvaluationFails) {
  CommonTAGFilter engine;
  bool failed = false;
  EXPECT_TRUE(engine.GetResult(failed).IsNull());
  EXPECT_TRUE(failed);
}

// ---------------------------------------------------------------------------------------------
// Failures of the data steps

TEST_F(TagFilterTest, NullSourceValueFailsTheCarry) {
  ASSERT_TRUE(db_.Valid());
  db_.Sample("History", "SRC", Within(0, 0), std::nullopt);
  db_.Sample("History", "FLT", Within(0, 0), 1);
  Setup("=", "1");
  bool failed = false;
  EXPECT_TRUE(Evaluate(failed).IsNull());
  EXPECT_TRUE(failed);
  EXPECT_TRUE(log_.Has("Error in 'CarryLastValue': Invalid use of Null")) << log_.All();
}

TEST_F(TagFilterTest, MoreRowsThanTheIndexHoldsFail) {
  ASSERT_TRUE(db_.Valid());
  const int rows = CommonTAGFilter::kMaxRows + 1;
  db_.Exec(
      "INSERT INTO History (TagName, DateTime, Value) SELECT 'SRC', timestamp '2015-11-09 14:00:10' + "
      "n * interval '1 minute', 1 FROM generate_series(0, " +
      std::to_string(rows - 1) + ") AS n");
  db_.Sample("History", "FLT", Within(0, 0), 1);
  Setup("=", "1");
  filter_.EndTime(Minute(rows));
  bool failed = false;
  EXPECT_TRUE(Evaluate(failed).IsNull());
  EXPECT_TRUE(failed);
  EXPECT_TRUE(log_.Has("Error in 'CarryLastValue': Overflow")) << log_.All();

  // One row fewer fits.
  filter_.EndTime(Minute(rows - 1));
  const Value total = Evaluate(failed);
  EXPECT_FALSE(failed);
  EXPECT_EQ(total.ToDouble(), rows - 1);
}

}  // namespace
