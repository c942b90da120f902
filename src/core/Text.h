#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace core {

// Text helpers with the usual meanings; positions are 1-based where noted.
// Case changes touch ASCII letters only, so UTF-8 text passes unchanged.
std::string Trim(std::string_view s);   // blanks (spaces) at both ends
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
std::string Left(std::string_view s, std::size_t n);
std::string Right(std::string_view s, std::size_t n);
std::string Mid(std::string_view s, std::size_t start1, std::size_t n = std::string::npos);
// 1-based position of what in s at or after start1, 0 when absent.
std::size_t InStr(std::string_view s, std::string_view what, std::size_t start1 = 1, bool ignoreCase = false);
std::string Replace(std::string_view s, std::string_view what, std::string_view with);
std::vector<std::string> Split(std::string_view s, std::string_view delimiter);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Doubles every apostrophe so that the text can stand inside a quoted SQL literal.
std::string SqlQuoted(std::string_view s);

}  // namespace core
