#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/DbTypes.h"

// The two statements a historian tag source runs: the per-minute rows of a window (source tag
// and filter tag aggregated per minute, the filter's minutes joined to the source's) and the
// filter tag's last sample before the window, looked up in the source table. The historian is
// normally queried through its SQL Server interface with its retrieval options; a PostgreSQL
// historian (tests, the demo) holds plain sample tables and gets the same statements in its own
// dialect.
//
// Tags and dates never go into the text: the statements carry "?" markers, bound by the caller
// in the order given below. Table names cannot be bound, so they must be plain names; anything
// else raises core::RuntimeError 5 before a statement is built. Nothing here touches a database.
class HistorianQueryText {
 public:
  enum class Dialect { SqlServer, PostgreSQL };

  Dialect dialect = Dialect::SqlServer;
  std::string schemaOwner;  // written directly before both table names ("" or "Runtime.dbo.")
  std::string sourceTable;  // samples of the source tag
  std::string filterTable;  // samples of the filter tag
  std::string statistic;    // decides the per-minute aggregate
  std::int32_t nos = 0;     // samples per cyclic retrieval (SQL Server interface)

  // PostgreSQL for a PostgreSQL connection; the historian's SQL Server interface otherwise.
  static Dialect DialectOf(platform::db::DriverFamily family);
  // "MAX" for MAXIMUM, "MIN" for MINIMUM (any case), "AVG" otherwise.
  static std::string Aggregate(std::string_view statistic);
  // One to four dot-separated parts, each a plain identifier (letters, digits, "_", "@", "#",
  // "$", not starting with a digit or "$"), a [bracketed] or a "quoted" name; inner parts may
  // be empty ("Runtime..History").
  static bool IsTableName(std::string_view name);
  // The minute of a sample's time as the dialect writes it.
  std::string MinuteExpression() const;

  // Markers: window start, window end, source tag, window start, window end, filter tag.
  // Columns: 0 the minute, 1 the source value, 2 the filter value (Null where the filter tag
  // has no sample in that minute); one row per minute of the source tag, in ascending order.
  std::string RecordSetQuery() const;
  // Markers: filter tag, window start. One column: the filter tag's latest sample in the source
  // table before the window start; no row when it has none.
  std::string LastValueQuery() const;

 private:
  std::string Table(const std::string& name) const;
};
