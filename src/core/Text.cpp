#include "core/Text.h"

#include "core/RuntimeError.h"

namespace core {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string LTrim(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return std::string(s.substr(b));
}

std::string RTrim(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ') --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string UCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

std::string LCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

std::string Left(std::string_view s, std::size_t n) { return std::string(s.substr(0, n)); }

std::string Right(std::string_view s, std::size_t n) {
  if (n >= s.size()) return std::string(s);
  return std::string(s.substr(s.size() - n));
}

std::string Mid(std::string_view s, std::size_t start1, std::size_t n) {
  // Position 0 does not exist in a 1-based text; it is a caller's mistake, not an empty result.
  if (start1 == 0) Raise(err::kInvalidCall, "Mid");
  if (start1 > s.size()) return std::string();
  return std::string(s.substr(start1 - 1, n));
}

std::size_t InStr(std::string_view s, std::string_view what, std::size_t start1, bool ignoreCase) {
  if (start1 == 0) Raise(err::kInvalidCall, "InStr");
  if (start1 > s.size()) return 0;
  if (what.empty()) return start1;
  if (!ignoreCase) {
    std::size_t p = s.find(what, start1 - 1);
    return p == std::string_view::npos ? 0 : p + 1;
  }
  std::string hay = LCase(s);
  std::string needle = LCase(what);
  std::size_t p = hay.find(needle, start1 - 1);
  return p == std::string::npos ? 0 : p + 1;
}

std::string Replace(std::string_view s, std::string_view what, std::string_view with) {
  if (what.empty()) return std::string(s);
  std::string r;
  r.reserve(s.size());
  std::size_t pos = 0;
  while (true) {
    std::size_t p = s.find(what, pos);
    if (p == std::string_view::npos) break;
    r.append(s.substr(pos, p - pos));
    r.append(with);
    pos = p + what.size();
  }
  r.append(s.substr(pos));
  return r;
}

std::vector<std::string> Split(std::string_view s, std::string_view delimiter) {
  std::vector<std::string> parts;
  // An empty text has no parts at all; an empty delimiter leaves the text whole.
  if (s.empty()) return parts;
  if (delimiter.empty()) {
    parts.emplace_back(s);
    return parts;
  }
  std::size_t pos = 0;
  while (true) {
    std::size_t p = s.find(delimiter, pos);
    if (p == std::string_view::npos) break;
    parts.emplace_back(s.substr(pos, p - pos));
    pos = p + delimiter.size();
  }
  parts.emplace_back(s.substr(pos));
  return parts;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string SqlQuoted(std::string_view s) { return Replace(s, "'", "''"); }

}  // namespace core
