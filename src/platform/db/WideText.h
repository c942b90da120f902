#pragma once

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

namespace platform::db {

// UTF-8 <-> UTF-16 for the wide ODBC calls. The layer talks to drivers in
// UTF-16 only, so texts reach the database unchanged whatever the locale.
class WideText {
 public:
  static_assert(sizeof(SQLWCHAR) == 2, "the driver manager must use 2-byte SQLWCHAR");

  // The UTF-16 units of text followed by one 0 unit. A byte that is not part of
  // valid UTF-8 becomes U+FFFD.
  static std::vector<SQLWCHAR> FromUtf8(std::string_view text);
  // length units (a lone surrogate becomes U+FFFD).
  static std::string ToUtf8(const SQLWCHAR* units, size_t length);
  // Units up to the first 0.
  static std::string ToUtf8(const SQLWCHAR* units);
};

}  // namespace platform::db
