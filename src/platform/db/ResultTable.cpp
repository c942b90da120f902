#include "platform/db/ResultTable.h"

#include <sqlext.h>

#include "platform/db/ConnectionStringParts.h"

namespace platform::db {

int ResultTable::Find(std::string_view name) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (ConnectionStringParts::SameName(columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

bool ResultTable::IsBinary(int column) const {
  const DataTypeEnum t = columns[static_cast<size_t>(column)].type;
  return t == adBinary || t == adVarBinary || t == adLongVarBinary;
}

DataTypeEnum ResultTable::TypeOf(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_SMALLINT: return adSmallInt;
    case SQL_TINYINT: return adTinyInt;
    case SQL_INTEGER: return adInteger;
    case SQL_BIGINT: return adBigInt;
    case SQL_BIT: return adBoolean;
    case SQL_REAL: return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE: return adDouble;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return adNumeric;
    case SQL_TYPE_DATE:
    case SQL_DATE: return adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case -154: return adDBTime;  // SQL Server time(n)
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case -155: return adDBTimeStamp;  // SQL Server datetimeoffset
    case SQL_CHAR: return adChar;
    case SQL_VARCHAR: return adVarChar;
    case SQL_LONGVARCHAR: return adLongVarChar;
    case SQL_WCHAR: return adWChar;
    case SQL_WVARCHAR: return adVarWChar;
    case SQL_WLONGVARCHAR: return adLongVarWChar;
    case SQL_BINARY: return adBinary;
    case SQL_VARBINARY: return adVarBinary;
    case SQL_LONGVARBINARY: return adLongVarBinary;
    case SQL_GUID: return adGUID;
    default: return adVarWChar;  // anything else is read as its text
  }
}

}  // namespace platform::db
