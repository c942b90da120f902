#pragma once

#include <sql.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Value.h"
#include "platform/db/DbTypes.h"

namespace platform::db {

// The rows of one result, copied out of the driver: what a static recordset
// holds. A binary cell holds its bytes as a String value; a NULL cell is Null.
class ResultTable {
 public:
  struct Column {
    std::string name;
    SQLSMALLINT sqlType = SQL_UNKNOWN_TYPE;
    DataTypeEnum type = adEmpty;
    SQLULEN size = 0;
  };

  std::vector<Column> columns;
  std::vector<std::vector<core::Value>> rows;

  // The first column of that name ignoring case, or -1.
  int Find(std::string_view name) const;
  bool IsBinary(int column) const;

  // The nearest DataTypeEnum of an ODBC SQL type.
  static DataTypeEnum TypeOf(SQLSMALLINT sqlType);
};

// Takes the rows of a result one at a time, as the driver hands them over, in place of a
// table that holds them all: columns is the result's columns (and no rows); the row may be
// moved from. What the sink throws ends the statement and goes on to the caller.
using RowSink = std::function<void(const ResultTable& columns, std::vector<core::Value>& row)>;

}  // namespace platform::db
