#include "core/Value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "core/RuntimeError.h"
#include "core/Text.h"

namespace core {

Value Value::MakeNull() {
  Value v;
  v.v_ = nullptr;
  return v;
}

Value::Value(bool b) : v_(b) {}
Value::Value(std::int16_t i) : v_(i) {}
Value::Value(std::int32_t l) : v_(l) {}
Value::Value(double d) : v_(d) {}
Value::Value(Date d) : v_(d) {}
Value::Value(std::string s) : v_(std::move(s)) {}
Value::Value(const char* s) : v_(std::string(s ? s : "")) {}

Value::Kind Value::GetKind() const {
  // The variant's alternatives are declared in the order of Kind.
  return static_cast<Kind>(v_.index());
}

bool Value::IsNumeric() const {
  switch (GetKind()) {
    case Kind::Empty:
    case Kind::Boolean:
    case Kind::Integer:
    case Kind::Long:
    case Kind::Double: return true;
    case Kind::String: return IsNumericText(std::get<std::string>(v_));
    default: return false;
  }
}

bool Value::IsDate() const {
  if (GetKind() == Kind::Date) return true;
  if (GetKind() == Kind::String) return ParseDate(std::get<std::string>(v_)).has_value();
  return false;
}

double Value::ToDouble() const {
  switch (GetKind()) {
    case Kind::Empty: return 0;
    case Kind::Null: Raise(err::kInvalidUseOfNull);
    case Kind::Boolean: return std::get<bool>(v_) ? -1 : 0;  // True is all bits set, as the program's arithmetic expects
    case Kind::Integer: return std::get<std::int16_t>(v_);
    case Kind::Long: return std::get<std::int32_t>(v_);
    case Kind::Double: return std::get<double>(v_);
    case Kind::Date: return std::get<Date>(v_).Serial();
    case Kind::String: {
      const std::optional<double> n = ParseNumber(std::get<std::string>(v_));
      if (!n) Raise(err::kTypeMismatch);
      return *n;
    }
  }
  Raise(err::kTypeMismatch);
}

std::int16_t Value::ToInteger() const {
  switch (GetKind()) {
    case Kind::Integer: return std::get<std::int16_t>(v_);
    case Kind::Long: {
      const std::int32_t l = std::get<std::int32_t>(v_);
      if (l < -32768 || l > 32767) Raise(err::kOverflow);
      return static_cast<std::int16_t>(l);
    }
    default: return core::ToInteger(ToDouble());
  }
}

std::int32_t Value::ToLong() const {
  switch (GetKind()) {
    case Kind::Integer: return std::get<std::int16_t>(v_);
    case Kind::Long: return std::get<std::int32_t>(v_);
    default: return core::ToLong(ToDouble());
  }
}

bool Value::ToBool() const {
  switch (GetKind()) {
    case Kind::Empty: return false;
    case Kind::Null: Raise(err::kInvalidUseOfNull);
    case Kind::Boolean: return std::get<bool>(v_);
    case Kind::String: {
      const std::string& s = std::get<std::string>(v_);
      const std::string t = Trim(s);
      if (EqualsIgnoreCase(t, "True")) return true;
      if (EqualsIgnoreCase(t, "False")) return false;
      const std::optional<double> n = ParseNumber(s);
      if (!n) Raise(err::kTypeMismatch);
      return *n != 0;
    }
    default: return ToDouble() != 0;
  }
}

Date Value::ToDate() const {
  switch (GetKind()) {
    case Kind::Empty: return Date();
    case Kind::Null: Raise(err::kInvalidUseOfNull);
    case Kind::Date: return std::get<Date>(v_);
    case Kind::String: {
      const std::optional<Date> d = ParseDate(std::get<std::string>(v_));
      if (!d) Raise(err::kTypeMismatch);
      return *d;
    }
    default: {
      const double serial = ToDouble();
      // The calendar runs from 1 January 100 (serials down to -657434.999...) to 31 December 9999.
      if (!std::isfinite(serial) || serial <= -657435.0 || serial >= 2958466.0) Raise(err::kOverflow);
      return Date(serial);
    }
  }
}

std::string Value::ToString() const {
  switch (GetKind()) {
    case Kind::Empty: return std::string();
    case Kind::Null: Raise(err::kInvalidUseOfNull);
    case Kind::Boolean: return std::get<bool>(v_) ? "True" : "False";
    case Kind::Integer: return std::to_string(std::get<std::int16_t>(v_));
    case Kind::Long: return std::to_string(std::get<std::int32_t>(v_));
    case Kind::Double: return NumberText(std::get<double>(v_));
    case Kind::Date: return std::get<Date>(v_).GeneralText();
    case Kind::String: return std::get<std::string>(v_);
  }
  return std::string();
}

std::string Value::Text() const { return IsNull() ? std::string() : ToString(); }

namespace {

// -1, 0 or 1; empty when either side is Null, since nothing compares with Null.
std::optional<int> Compare(const Value& a, const Value& b) {
  using Kind = Value::Kind;
  if (a.IsNull() || b.IsNull()) return std::nullopt;
  const Kind ka = a.GetKind();
  const Kind kb = b.GetKind();
  auto three = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  const bool sa = ka == Kind::String;
  const bool sb = kb == Kind::String;
  if (sa && sb) return three(a.ToString(), b.ToString());
  // Empty takes the other side's kind: "" against a text, 0 against a number.
  if (ka == Kind::Empty && kb == Kind::Empty) return 0;
  if (ka == Kind::Empty && sb) return three(std::string(), b.ToString());
  if (sa && kb == Kind::Empty) return three(a.ToString(), std::string());
  if (!sa && !sb) return three(a.ToDouble(), b.ToDouble());
  // One number (or date) and one text: a numeric text compares as its number, a date text
  // against a date as that date; any other text sorts after every number.
  const Value& num = sa ? b : a;
  const std::string text = sa ? a.ToString() : b.ToString();
  const int flip = sa ? -1 : 1;  // results are computed as num <=> text
  if (const std::optional<double> n = ParseNumber(text)) return flip * three(num.ToDouble(), *n);
  if (num.GetKind() == Kind::Date) {
    if (const std::optional<Date> d = ParseDate(text)) return flip * three(num.ToDouble(), d->Serial());
  }
  return flip * -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the numeric grammar and gives the text without blanks, sign kept, group commas dropped.
bool ScanNumber(std::string_view text, std::string& plain) {
  std::size_t i = 0;
  std::size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  plain.clear();
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  bool intDigits = false;
  if (i < n && IsDigit(text[i])) {
    intDigits = true;
    // A "," only groups thousands: one to three digits before the first, exactly three after
    // each. Any other comma ("7,5", "1,23") may be a decimal comma, and reading it as a group
    // would make 7.5 into 75, so such a text is not a number.
    std::size_t run = 0;  // digits since the start or the last ","
    bool grouped = false;
    while (i < n && (IsDigit(text[i]) || text[i] == ',')) {
      if (text[i] == ',') {
        if (run == 0 || run > 3 || (grouped && run != 3)) return false;
        grouped = true;
        run = 0;
      } else {
        plain += text[i];
        ++run;
      }
      ++i;
    }
    if (grouped && run != 3) return false;
  }
  bool fracDigits = false;
  if (i < n && text[i] == '.') {
    plain += '.';
    ++i;
    while (i < n && IsDigit(text[i])) {
      plain += text[i];
      fracDigits = true;
      ++i;
    }
  }
  // "1." is a number; "." alone is not.
  if (!intDigits && !fracDigits) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    if (i >= n || !IsDigit(text[i])) return false;
    while (i < n && IsDigit(text[i])) plain += text[i++];
  }
  return i == n;
}

}  // namespace

bool Value::Equals(const Value& other) const {
  const std::optional<int> c = Compare(*this, other);
  return c && *c == 0;
}

bool Value::Less(const Value& other) const {
  const std::optional<int> c = Compare(*this, other);
  return c && *c < 0;
}

bool IsNumericText(std::string_view text) { return ParseNumber(text).has_value(); }

std::optional<double> ParseNumber(std::string_view text) {
  std::string plain;
  if (!ScanNumber(text, plain)) return std::nullopt;
  // strtod in the "C" locale would do, but from_chars never looks at the locale at all.
  double value = 0;
  const char* first = plain.data();
  const char* last = plain.data() + plain.size();
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range) {
    // Too small underflows to zero; too large is not a number this program can hold.
    value = std::strtod(plain.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
  }
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return value;
}

double RoundHalfEven(double d) {
  if (!std::isfinite(d)) return d;
  const double f = std::floor(d);
  const double diff = d - f;
  if (diff < 0.5) return f;
  if (diff > 0.5) return f + 1;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

std::int16_t ToInteger(double d) {
  const double r = RoundHalfEven(d);
  if (!(r >= -32768.0 && r <= 32767.0)) Raise(err::kOverflow);
  return static_cast<std::int16_t>(r);
}

std::int32_t ToLong(double d) {
  const double r = RoundHalfEven(d);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) Raise(err::kOverflow);
  return static_cast<std::int32_t>(r);
}

std::string NumberText(double d) {
  if (d == 0) return "0";  // also -0
  // Fifteen significant digits, exponent form below 1E-04 and from 1E+15 on: what %G gives.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  return buf;
}

namespace {

// The decimal digits of |d| to 15 significant digits, as the default text form sees the
// number, so that 2.675 rounds as written and not as its binary neighbour.
struct Decimal {
  std::string digits;  // no leading zeros unless the number is 0
  int pointPos = 0;    // digits before the decimal point (may be <= 0 or > size)
};

Decimal ToDecimal(double d) {
  Decimal r;
  if (d == 0) {
    r.digits = "0";
    r.pointPos = 1;
    return r;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(d));
  const std::string s = buf;
  const std::size_t e = s.find('e');
  for (std::size_t i = 0; i < e; ++i) {
    if (IsDigit(s[i])) r.digits += s[i];
  }
  r.pointPos = std::atoi(s.c_str() + e + 1) + 1;
  return r;
}

// Rounds half away from zero to `decimals` places; gives whole and fraction digit texts.
void RoundDecimal(const Decimal& dec, int decimals, std::string& whole, std::string& frac) {
  // Lay the digits out with enough zeros on both sides of the point.
  std::string all;
  int point;
  if (dec.pointPos <= 0) {
    all = std::string(static_cast<std::size_t>(1 - dec.pointPos), '0') + dec.digits;
    point = 1;
  } else {
    all = dec.digits;
    point = dec.pointPos;
  }
  const std::size_t needed = static_cast<std::size_t>(point + decimals + 1);
  if (all.size() < needed) all.append(needed - all.size(), '0');
  const bool up = all[static_cast<std::size_t>(point + decimals)] >= '5';
  all.resize(static_cast<std::size_t>(point + decimals));
  if (up) {
    int i = static_cast<int>(all.size()) - 1;
    while (i >= 0 && all[static_cast<std::size_t>(i)] == '9') {
      all[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i < 0) {
      all.insert(all.begin(), '1');
      ++point;
    } else {
      ++all[static_cast<std::size_t>(i)];
    }
  }
  whole = all.substr(0, static_cast<std::size_t>(point));
  frac = all.substr(static_cast<std::size_t>(point));
  const std::size_t nz = whole.find_first_not_of('0');
  whole = nz == std::string::npos ? std::string() : whole.substr(nz);
}

}  // namespace

std::string FormatNumber(double d, std::string_view pattern) {
  if (pattern.empty()) return NumberText(d);
  auto isPlaceholder = [](char c) { return c == '#' || c == '0'; };
  const std::size_t firstPh = pattern.find_first_of("#0.");
  if (firstPh == std::string_view::npos) return std::string(pattern);
  const std::size_t lastPh = pattern.find_last_of("#0.,");
  const std::string_view prefix = pattern.substr(0, firstPh);
  const std::string_view suffix = pattern.substr(lastPh + 1);
  const std::string_view body = pattern.substr(firstPh, lastPh - firstPh + 1);

  const std::size_t point = body.find('.');
  const std::string_view intPart = body.substr(0, point);
  const std::string_view fracPart = point == std::string_view::npos ? std::string_view() : body.substr(point + 1);

  // Commas right before the point (or the end) scale by thousands; commas between digit
  // placeholders ask for grouping.
  std::size_t scaleCommas = 0;
  std::size_t end = intPart.size();
  while (end > 0 && intPart[end - 1] == ',') {
    ++scaleCommas;
    --end;
  }
  const std::string_view intDigits = intPart.substr(0, end);
  const bool grouping = intDigits.find(',') != std::string_view::npos;
  int minInt = 0;
  for (char c : intDigits) minInt += c == '0';
  int decimals = 0;
  int minFrac = 0;
  for (char c : fracPart) {
    if (isPlaceholder(c)) ++decimals;
    if (c == '0') minFrac = decimals;
  }

  double value = d;
  for (std::size_t k = 0; k < scaleCommas; ++k) value /= 1000.0;
  if (!std::isfinite(value)) return NumberText(value);

  std::string whole, frac;
  RoundDecimal(ToDecimal(value), decimals, whole, frac);
  while (static_cast<int>(frac.size()) > minFrac && frac.back() == '0') frac.pop_back();
  if (static_cast<int>(whole.size()) < minInt) whole.insert(0, static_cast<std::size_t>(minInt) - whole.size(), '0');
  if (grouping) {
    std::string g;
    const std::size_t n = whole.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (i > 0 && (n - i) % 3 == 0) g += ',';
      g += whole[i];
    }
    whole = g;
  }
  // A result that shows only zeros carries no sign.
  const bool shownZero = whole.find_first_not_of("0,") == std::string::npos &&
                         frac.find_first_not_of('0') == std::string::npos;
  std::string out(prefix);
  if (value < 0 && !shownZero) out += '-';
  out += whole;
  if (point != std::string_view::npos) out += '.';
  out += frac;
  out += suffix;
  return out;
}

}  // namespace core
