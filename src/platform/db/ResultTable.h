#pragma once

#include <sql.h>

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

}  // namespace platform::db
