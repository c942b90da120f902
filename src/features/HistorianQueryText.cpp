#include "features/HistorianQueryText.h"

#include <vector>

#include "core/RuntimeError.h"
#include "core/Text.h"

namespace {

bool IsIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '@' || c == '#';
}

bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9') || c == '$'; }

// One part of a dotted name, "" allowed (the caller decides where).
bool IsNamePart(std::string_view part) {
  if (part.empty()) return true;
  if (part.size() >= 3 && part.front() == '[' && part.back() == ']')
    return part.substr(1, part.size() - 2).find_first_of("[]") == std::string_view::npos;
  if (part.size() >= 3 && part.front() == '"' && part.back() == '"')
    return part.substr(1, part.size() - 2).find('"') == std::string_view::npos;
  if (!IsIdentifierStart(part.front())) return false;
  for (char c : part)
    if (!IsIdentifierChar(c)) return false;
  return true;
}

// Splits at dots outside brackets and quotes.
std::vector<std::string_view> NameParts(std::string_view name) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  char closing = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (closing) {
      if (c == closing) closing = 0;
    } else if (c == '[') {
      closing = ']';
    } else if (c == '"') {
      closing = '"';
    } else if (c == '.') {
      parts.push_back(name.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(name.substr(start));
  return parts;
}

const char* const kSqlServerMinute =
    "cast (cast(month(DateTime) as varchar) + '/' + datename(day,DateTime) + '/' +datename(year,DateTime) + ' ' +  "
    "datename(hour,DateTime) + ':' + datename(minute,DateTime) + ':00' as datetime)";
const char* const kPostgreSqlMinute = "date_trunc('minute', DateTime)";

}  // namespace

HistorianQueryText::Dialect HistorianQueryText::DialectOf(platform::db::DriverFamily family) {
  return family == platform::db::DriverFamily::PostgreSQL ? Dialect::PostgreSQL : Dialect::SqlServer;
}

std::string HistorianQueryText::Aggregate(std::string_view statistic) {
  const std::string s = core::UCase(statistic);
  if (s == "MAXIMUM") return "MAX";
  if (s == "MINIMUM") return "MIN";
  return "AVG";
}

bool HistorianQueryText::IsTableName(std::string_view name) {
  const std::vector<std::string_view> parts = NameParts(name);
  if (parts.size() > 4 || parts.front().empty() || parts.back().empty()) return false;
  for (std::string_view part : parts)
    if (!IsNamePart(part)) return false;
  return true;
}

std::string HistorianQueryText::MinuteExpression() const {
  return dialect == Dialect::PostgreSQL ? kPostgreSqlMinute : kSqlServerMinute;
}

std::string HistorianQueryText::Table(const std::string& name) const {
  const std::string full = schemaOwner + name;
  if (!IsTableName(full))
    throw core::RuntimeError(core::err::kInvalidCall, "'" + full + "' is not a table name", "HistorianQueryText");
  return full;
}

std::string HistorianQueryText::RecordSetQuery() const {
  const std::string source = Table(sourceTable);
  const std::string filter = Table(filterTable);
  const std::string agg = Aggregate(statistic);
  const std::string m = MinuteExpression();
  const std::string range = "where DateTime >= ? and DateTime < ? ";
  // The historian's SQL Server interface reads its retrieval options from the WHERE clause.
  const std::string retrieval =
      dialect == Dialect::SqlServer ? " AND wwRetrievalMode = 'Cyclic' AND wwRowCount = " + std::to_string(nos) : "";
  std::string q;
  q += "select source.timestamp,savg,favg from ";
  q += "(select " + agg + "(Value) as savg, " + m + " as timestamp ";
  q += "from " + source + " ";
  q += range + " and TagName=? ";
  q += retrieval;
  q += " group by " + m + ") source";
  q += " left outer join ";
  q += " (select " + agg + "(Value) as favg, " + m + " as timestamp ";
  q += " from " + filter + " ";
  q += range + "and TagName=? ";
  q += retrieval;
  q += " group by " + m + ") filter";
  q += " on source.timestamp=filter.timestamp";
  // The engine walks the minutes in order: carrying the filter value, FIRST, LAST and DIFF
  // all depend on it.
  q += " order by source.timestamp";
  return q;
}

std::string HistorianQueryText::LastValueQuery() const {
  // The filter tag is looked up in the source table; of its samples there, the latest one before
  // the window is its last value (without the order the database would hand back any of them).
  const std::string source = Table(sourceTable);
  if (dialect == Dialect::PostgreSQL)
    return "select Value from " + source + " where TagName=? and DateTime < ? order by DateTime desc limit 1";
  return "select top 1 Value from " + source + " where TagName=? and DateTime < ? order by DateTime desc";
}
