#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::db {

// The name=value pairs of a connection string, in their order. Reads the OLE DB
// form: pairs separated by ";", names and values trimmed (so "OLE DB Services =-2"
// is the name "OLE DB Services"), a value may be enclosed in double or single
// quotes (the quote doubled inside) or, ODBC style, in braces ("}" doubled).
// Empty pieces (";;", a trailing ";") are skipped; a piece without "=" is kept
// as a name with an empty value.
class ConnectionStringParts {
 public:
  using Pair = std::pair<std::string, std::string>;

  ConnectionStringParts() = default;
  explicit ConnectionStringParts(std::string_view text);

  const std::vector<Pair>& Pairs() const { return pairs_; }
  // The value of the last pair with that name, ignoring case.
  std::optional<std::string> Get(std::string_view name) const;

  // A value as ODBC connection strings need it: as it stands when plain, else
  // in braces with "}" doubled (values holding ";", braces or blanks at either end).
  static std::string OdbcValue(std::string_view value);
  // The value in braces with "}" doubled, whatever it holds.
  static std::string BracedValue(std::string_view value);
  // A value as the OLE DB form needs it to be read back exactly: as it stands when
  // plain, else in double quotes with '"' doubled (values holding ";", beginning with
  // a quote or a brace, or with blanks at either end).
  static std::string OleDbValue(std::string_view value);
  static bool SameName(std::string_view a, std::string_view b);

 private:
  std::vector<Pair> pairs_;
};

}  // namespace platform::db
