#pragma once

#include <sql.h>

#include <string_view>
#include <vector>

#include "platform/db/DbError.h"

namespace platform::db {

// The one checked helper every ODBC call of the layer goes through: a call that
// failed throws DbException carrying the handle's diagnostics (native number,
// SQLSTATE, text) as the error list.
class OdbcCall {
 public:
  // Returns rc when the call succeeded, succeeded with information, or found
  // no data; otherwise throws. what names the call for a failure that left no
  // diagnostics (an invalid handle).
  static SQLRETURN Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::string_view what);
  // Every diagnostic record on the handle, in order.
  static std::vector<DbError> Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);
};

}  // namespace platform::db
