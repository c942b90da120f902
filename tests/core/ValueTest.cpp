#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "core/RuntimeError.h"
#include "core/Value.h"

namespace core {
namespace {

void ExpectError(int number, const std::function<void()>& f) {
  try {
    f();
    ADD_FAILURE() << "no error " << number;
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), number) << e.Description();
    EXPECT_EQ(e.Description(), ErrorDescription(number));
  }
}

TEST(Value, KindsOfConstruction) {
  EXPECT_EQ(Value().GetKind(), Value::Kind::Empty);
  EXPECT_EQ(Value::MakeNull().GetKind(), Value::Kind::Null);
  EXPECT_EQ(Value(true).GetKind(), Value::Kind::Boolean);
  EXPECT_EQ(Value(std::int16_t{3}).GetKind(), Value::Kind::Integer);
  EXPECT_EQ(Value(std::int32_t{3}).GetKind(), Value::Kind::Long);
  EXPECT_EQ(Value(3.0).GetKind(), Value::Kind::Double);
  EXPECT_EQ(Value(Date(1)).GetKind(), Value::Kind::Date);
  EXPECT_EQ(Value("x").GetKind(), Value::Kind::String);
  EXPECT_EQ(Value(std::string("x")).GetKind(), Value::Kind::String);
  EXPECT_EQ(Value(static_cast<const char*>(nullptr)).ToString(), "");
}

TEST(Value, EmptyReadsAsZeroOrNothing) {
  const Value e;
  EXPECT_TRUE(e.IsEmpty());
  EXPECT_FALSE(e.IsNull());
  EXPECT_EQ(e.ToDouble(), 0);
  EXPECT_EQ(e.ToInteger(), 0);
  EXPECT_EQ(e.ToLong(), 0);
  EXPECT_FALSE(e.ToBool());
  EXPECT_EQ(e.ToDate(), Date());
  EXPECT_EQ(e.ToString(), "");
  EXPECT_EQ(e.Text(), "");
  EXPECT_TRUE(e.IsNumeric());
  EXPECT_TRUE(e.Equals(Value(0.0)));
  EXPECT_TRUE(e.Equals(Value("")));
  EXPECT_TRUE(e.Equals(Value()));
  EXPECT_FALSE(e.Equals(Value("0")));  // against a text Empty is "", not 0
  EXPECT_TRUE(e.Less(Value(std::int16_t{1})));
  EXPECT_TRUE(e.Less(Value("a")));
}

TEST(Value, NullComparesWithNothingAndWillNotConvert) {
  const Value n = Value::MakeNull();
  const Value others[] = {Value::MakeNull(), Value(), Value(1.0), Value(std::int16_t{0}), Value(""), Value("x"),
                          Value(true), Value(Date(0))};
  for (const Value& o : others) {
    SCOPED_TRACE(o.Text());
    EXPECT_FALSE(n.Equals(o));
    EXPECT_FALSE(o.Equals(n));
    EXPECT_FALSE(n.Less(o));
    EXPECT_FALSE(o.Less(n));
  }
  ExpectError(err::kInvalidUseOfNull, [&] { n.ToDouble(); });
  ExpectError(err::kInvalidUseOfNull, [&] { n.ToInteger(); });
  ExpectError(err::kInvalidUseOfNull, [&] { n.ToLong(); });
  ExpectError(err::kInvalidUseOfNull, [&] { n.ToBool(); });
  ExpectError(err::kInvalidUseOfNull, [&] { n.ToDate(); });
  ExpectError(err::kInvalidUseOfNull, [&] { n.ToString(); });
  EXPECT_EQ(n.Text(), "");
  EXPECT_FALSE(n.IsNumeric());
  EXPECT_FALSE(n.IsDate());
}

TEST(Value, WholeNumberConversions) {
  EXPECT_EQ(Value(2.5).ToInteger(), 2);
  EXPECT_EQ(Value(3.5).ToInteger(), 4);
  EXPECT_EQ(Value("2.5").ToInteger(), 2);
  EXPECT_EQ(Value(" 3.5 ").ToLong(), 4);
  EXPECT_EQ(Value("1,234").ToLong(), 1234);
  EXPECT_EQ(Value(true).ToInteger(), -1);
  EXPECT_EQ(Value(false).ToLong(), 0);
  EXPECT_EQ(Value(std::int32_t{-32768}).ToInteger(), -32768);
  EXPECT_EQ(Value(Date(46364.5)).ToLong(), 46364);
  ExpectError(err::kOverflow, [] { Value(32768.0).ToInteger(); });
  ExpectError(err::kOverflow, [] { Value(std::int32_t{32768}).ToInteger(); });
  ExpectError(err::kOverflow, [] { Value("32767.5").ToInteger(); });
  ExpectError(err::kOverflow, [] { Value(3e9).ToLong(); });
  ExpectError(err::kTypeMismatch, [] { Value("abc").ToInteger(); });
  ExpectError(err::kTypeMismatch, [] { Value("").ToLong(); });
  ExpectError(err::kTypeMismatch, [] { Value("12/8/2026").ToDouble(); });
}

TEST(Value, TextForms) {
  const struct {
    Value v;
    const char* text;
  } cases[] = {
      {Value(true), "True"},
      {Value(false), "False"},
      {Value(std::int16_t{-7}), "-7"},
      {Value(std::int32_t{123456}), "123456"},
      {Value(0.1 + 0.2), "0.3"},
      {Value(1e16), "1E+16"},
      {Value(Date::FromParts(2026, 12, 8, 13, 5, 9)), "12/8/2026 1:05:09 PM"},
      {Value(Date::FromParts(2026, 12, 8)), "12/8/2026"},
      {Value(" a b "), " a b "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.v.ToString(), c.text);
    EXPECT_EQ(c.v.Text(), c.text);
  }
}

TEST(Value, BooleanConversions) {
  EXPECT_TRUE(Value("True").ToBool());
  EXPECT_TRUE(Value("true").ToBool());
  EXPECT_FALSE(Value("FALSE").ToBool());
  EXPECT_TRUE(Value("-1").ToBool());
  EXPECT_FALSE(Value("0").ToBool());
  EXPECT_TRUE(Value(0.5).ToBool());
  EXPECT_FALSE(Value(std::int16_t{0}).ToBool());
  EXPECT_EQ(Value(true).ToDouble(), -1);
  ExpectError(err::kTypeMismatch, [] { Value("yes").ToBool(); });
}

TEST(Value, DateConversions) {
  EXPECT_EQ(Value("12-07-2026 00:00:00").ToDate(), Date::FromParts(2026, 12, 7));
  EXPECT_EQ(Value(46364.5).ToDate(), Date(46364.5));
  EXPECT_EQ(Value(std::int32_t{2}).ToDate(), Date::FromParts(1900, 1, 1));
  EXPECT_TRUE(Value("12/8/2026").IsDate());
  EXPECT_TRUE(Value(Date(0)).IsDate());
  EXPECT_FALSE(Value("tomorrow").IsDate());
  EXPECT_FALSE(Value(46364.0).IsDate());
  EXPECT_DOUBLE_EQ(Value(Date(46364.25)).ToDouble(), 46364.25);
  ExpectError(err::kTypeMismatch, [] { Value("tomorrow").ToDate(); });
  ExpectError(err::kOverflow, [] { Value(1e10).ToDate(); });
  // The calendar's ends: the whole of 1 January 100 and of 31 December 9999.
  EXPECT_EQ(Value(-657434.5).ToDate().Split().hour, 12);
  EXPECT_EQ(Value(2958465.75).ToDate().Split().day, 31);
  ExpectError(err::kOverflow, [] { Value(-657435.0).ToDate(); });
  ExpectError(err::kOverflow, [] { Value(2958466.0).ToDate(); });
}

TEST(Value, NumericTest) {
  EXPECT_TRUE(Value(1.5).IsNumeric());
  EXPECT_TRUE(Value(true).IsNumeric());
  EXPECT_TRUE(Value(" -1.5e3 ").IsNumeric());
  EXPECT_FALSE(Value("12abc").IsNumeric());
  EXPECT_FALSE(Value("").IsNumeric());
  EXPECT_FALSE(Value(Date(1)).IsNumeric());
}

TEST(Value, Comparisons) {
  const struct {
    Value a, b;
    bool equal, less;
  } cases[] = {
      {Value(1.0), Value(std::int16_t{1}), true, false},
      {Value(std::int32_t{2}), Value(2.5), false, true},
      {Value("10"), Value(9.0), false, false},     // numeric text against a number: as numbers
      {Value(9.0), Value("10"), false, true},
      {Value(" 1.0 "), Value(std::int16_t{1}), true, false},
      {Value("10"), Value("9"), false, true},       // two texts: as texts
      {Value("abc"), Value("abd"), false, true},
      {Value("a"), Value("A"), false, false},       // texts compare exactly
      {Value(5.0), Value("abc"), false, true},      // any other text sorts after a number
      {Value("abc"), Value(5.0), false, false},
      {Value(true), Value(-1.0), true, false},
      {Value(Date::FromParts(2026, 12, 8)), Value("12/8/2026"), true, false},
      {Value(Date::FromParts(2026, 12, 7)), Value("12/8/2026"), false, true},
      {Value(Date(46364)), Value(46364.0), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a.Text() + " vs " + c.b.Text());
    EXPECT_EQ(c.a.Equals(c.b), c.equal);
    EXPECT_EQ(c.a.Less(c.b), c.less);
  }
}

}  // namespace
}  // namespace core
