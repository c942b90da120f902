#pragma once

#include <exception>
#include <span>
#include <string_view>

#include "platform/db/DbError.h"

namespace platform::db {

// Whose fault a failed statement is, told by the codes of its diagnostics:
// - Transient: the link's or the server's state (the link lost, a timeout, a deadlock or
//   serialization failure, a server shutting down or out of resources, a read-only standby).
//   The statement may succeed on a new connection after a wait.
// - Structure: the database's own structure (a procedure, table, column, catalog or schema
//   missing, a permission refused, a parameter list that no longer fits). Nothing the caller
//   sends can succeed until the database is mended.
// - Value: anything else the database refuses while the link stands: most likely the data.
enum class FailureClass { Transient, Structure, Value };

// One entry of the table of codes. A SQLSTATE entry of two characters stands for its whole
// class. SQL Server's native numbers are read only from a diagnostic of SQL Server itself (its
// text carries the data source component "[SQL Server]"), Oracle's from the "ORA-nnnnn" its text
// begins its message with; other drivers' native numbers (psqlODBC's own, say) mean nothing here.
struct FailureCode {
  enum class System { SqlState, SqlServer, Oracle };
  System system;
  std::string_view code;  // SQLSTATE or class; SQL Server number; Oracle number ("00942")
  FailureClass failure;
  std::string_view meaning;
};
std::span<const FailureCode> FailureCodes();

// The class of one diagnostic: a link the driver reports lost (DbError::LinkBroken) is
// transient; a code of the table gives its class; anything else is the value's.
FailureClass ClassifyError(const DbError& e);
// The class of a failure: transient when any of a DbException's diagnostics is, else structure
// when any is, else the value's. This layer's own "no open connection" (3709) is transient.
// An exception that is no DbException (the program's own checks of what came back, say) is
// the value's.
FailureClass ClassifyFailure(const std::exception& e);
// Whether a SQLSTATE is one the table knows to be the value's (a data exception, a check, a
// unique or exclusion violation). Any other refusal, a not-null violation of a column the
// program does not fill say, may be the database's.
bool KnownValueCode(std::string_view code);

}  // namespace platform::db
