#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/Date.h"

namespace core {

// A dynamically typed cell. Empty (never set) reads as 0 or ""; Null is a
// database null: every comparison with it is false and converting it raises
// error 94. Conversions to whole numbers round halves to even and raise error 6
// outside the range; a text that is not a number or a date raises error 13.
class Value {
 public:
  enum class Kind { Empty, Null, Boolean, Integer, Long, Double, Date, String };

  Value() = default;  // Empty
  static Value MakeNull();
  Value(bool b);
  Value(std::int16_t i);
  Value(std::int32_t l);
  Value(double d);
  Value(Date d);
  Value(std::string s);
  Value(const char* s);

  Kind GetKind() const;
  bool IsEmpty() const { return GetKind() == Kind::Empty; }
  bool IsNull() const { return GetKind() == Kind::Null; }
  // A number, a Boolean, Empty, or a text that passes IsNumericText.
  bool IsNumeric() const;
  // A date, or a text that ParseDate reads.
  bool IsDate() const;

  double ToDouble() const;
  std::int16_t ToInteger() const;  // 16-bit, halves to even
  std::int32_t ToLong() const;     // 32-bit, halves to even
  bool ToBool() const;             // numbers: non-zero; texts "True"/"False" or numeric
  Date ToDate() const;
  // Empty "", Boolean "True"/"False", numbers in their default form, dates in
  // the general date form; Null raises error 94.
  std::string ToString() const;
  // As ToString, but Null reads as "" (the usual `field & ""` idiom).
  std::string Text() const;

  // Comparison as the program's expressions use it: numbers compare as numbers
  // (a numeric text against a number too), texts as texts; false whenever either
  // side is Null.
  bool Equals(const Value& other) const;
  bool Less(const Value& other) const;

 private:
  std::variant<std::monostate, std::nullptr_t, bool, std::int16_t, std::int32_t, double, Date, std::string> v_;
};

// The numeric test for texts. Grammar, blanks (spaces, tabs) allowed around:
//   [sign] digits-with-groups [ "." digits ] [ exponent ]   |   [sign] "." digits [ exponent ]
//   sign     = "+" | "-"
//   digits-with-groups = digit { digit }  |  digit [digit [digit]] { "," digit digit digit }
//                        (a "," only groups thousands and is ignored: "1,234", "12,345.5";
//                        "7,5", "1,23", "1234,567" and "1," are not numbers)
//   exponent = ("e" | "E") [sign] digit { digit }
// A lone sign, a lone ".", an empty text and anything else are not numeric.
bool IsNumericText(std::string_view text);
std::optional<double> ParseNumber(std::string_view text);

// Whole-number conversions: halves to even, error 6 outside the range.
std::int16_t ToInteger(double d);
std::int32_t ToLong(double d);
double RoundHalfEven(double d);

// A number in its default text form: up to 15 significant digits, no trailing
// zeros, exponent form ("1.5E-05", "1E+16") below 1E-04 and from 1E+15 on, as
// the usual conversion does.
std::string NumberText(double d);
// Numeric format patterns of "#", "0", "," and ".": "##,###,##0.00", "0.0".
// Rounds half away from zero on the number's 15-digit decimal text; a "," right
// before the "." (or the end) divides by 1000; text before and after is copied.
std::string FormatNumber(double d, std::string_view pattern);

}  // namespace core
