// Whose fault a failed statement is, by its codes: the link's (transient), the database's
// structure, or the value's. SQL Server's and Oracle's numbers count only from their own
// diagnostics, so a psqlODBC number that happens to equal one of them changes nothing.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "platform/db/DbException.h"
#include "platform/db/FailureClass.h"

namespace platform::db {
namespace {

constexpr FailureClass T = FailureClass::Transient;
constexpr FailureClass S = FailureClass::Structure;
constexpr FailureClass V = FailureClass::Value;

struct Case {
  int number;
  const char* state;
  const char* text;
  FailureClass expected;
};

TEST(FailureClassTest, EachDiagnosticIsClassifiedByItsCode) {
  const std::vector<Case> cases = {
      // PostgreSQL and ODBC states.
      {7, "08006", "server closed the connection unexpectedly", T},
      {7, "08S01", "communication link failure", T},
      {7, "40001", "could not serialize access due to concurrent update", T},
      {7, "40P01", "deadlock detected", T},
      {7, "53200", "out of memory", T},
      {7, "53300", "too many connections", T},
      {7, "57P01", "terminating connection due to administrator command", T},
      {7, "57P03", "the database system is starting up", T},
      {7, "57014", "canceling statement due to statement timeout", T},
      {7, "55P03", "canceling statement due to lock timeout", T},
      {0, "HYT00", "Timeout expired", T},
      {0, "HYT01", "Connection timeout expired", T},
      {7, "25006", "cannot execute INSERT in a read-only transaction", T},
      {7, "42883", "function writeddh(integer) does not exist", S},
      {7, "42P01", "relation \"dataddh\" does not exist", S},
      {7, "42703", "column \"curvalue\" does not exist", S},
      {7, "42501", "permission denied for table dataddh", S},
      {7, "3D000", "database \"plant\" does not exist", S},
      {7, "3F000", "schema \"plant\" does not exist", S},
      {0, "42S02", "Base table or view not found", S},
      {0, "42S22", "Column not found", S},
      // The value's: data exceptions, constraints, raised errors, syntax, anything unknown.
      {7, "22001", "value too long for type character varying(20)", V},
      {7, "22003", "numeric field overflow", V},
      {7, "23502", "null value in column \"plant\" violates not-null constraint", V},
      {7, "23514", "new row violates check constraint", V},
      {7, "P0001", "refused by the test", V},
      {7, "42601", "syntax error at or near \"x\"", V},
      {7, "XX000", "internal error", V},
      {7, "", "", V},
      // The words of a lost link decide only for a failure without a code of its own.
      {7, "", "no connection to the server", T},
      {7, "HY000", "Could not send Query(connection dead)", T},
      {7, "P0001", "pump refused (sensor lost connection?)", V},
      {7, "23514",
       "new row violates check constraint; DETAIL: Failing row contains (server closed the connection "
       "unexpectedly)",
       V},
      {7, "42883", "function \"lost connection\"() does not exist", S},
      // SQL Server, by the native number of its own diagnostics.
      {2812, "42000", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Could not find stored procedure 'x'.", S},
      {208, "42S02", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Invalid object name 'x'.", S},
      {207, "42S22", "[FreeTDS][SQL Server]Invalid column name 'x'.", S},
      {229, "42000", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]The EXECUTE permission was denied", S},
      {230, "42000", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]The SELECT permission was denied", S},
      {201, "42000", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Procedure expects parameter '@x'", S},
      {8144, "37000", "[Microsoft][ODBC SQL Server Driver][SQL Server]Procedure x has too many arguments", S},
      {3906, "42000",
       "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Failed to update database because it "
       "is read-only.",
       T},
      {1205, "40001", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Transaction was deadlocked", T},
      {547, "23000", "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]The INSERT statement conflicted", V},
      // The same numbers from another driver say nothing (psqlODBC numbers its own errors).
      {208, "HY000", "out of memory while allocating", V},
      {201, "HY000", "could not read the configuration", V},
      {207, "HY010", "transaction in progress", V},
      // Oracle, by the number its message begins with.
      {942, "42S02", "[Oracle][ODBC][Ora]ORA-00942: table or view does not exist", S},
      {6550, "HY000", "[Oracle][ODBC][Ora]ORA-06550: line 1, column 7: PLS-00306: wrong number or types", S},
      {1031, "HY000", "[Oracle][ODBC][Ora]ORA-01031: insufficient privileges", S},
      {4063, "HY000", "[Oracle][ODBC][Ora]ORA-04063: package body \"X\" has errors", S},
      {16000, "HY000", "[Oracle][ODBC][Ora]ORA-16000: database or pluggable database open for read-only access", T},
      {1400, "23000", "[Oracle][ODBC][Ora]ORA-01400: cannot insert NULL into (\"X\".\"Y\")", V},
      {0, "HY000", "a text that quotes ORA-0094 and no number", V},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.state) + " " + std::to_string(c.number) + " " + c.text);
    EXPECT_EQ(ClassifyError(DbError(c.number, c.state, c.text)), c.expected);
  }
}

TEST(FailureClassTest, AFailureIsTransientBeforeStructureBeforeTheValues) {
  const DbError structure(7, "42883", "function x does not exist");
  const DbError value(7, "23514", "check");
  const DbError lost(7, "HY000", "server closed the connection unexpectedly");
  EXPECT_EQ(ClassifyFailure(DbException({value, structure})), S);
  EXPECT_EQ(ClassifyFailure(DbException({structure, lost})), T);
  EXPECT_EQ(ClassifyFailure(DbException({value})), V);
  // This layer's own "no open connection" is the link's; its other errors are not.
  EXPECT_EQ(ClassifyFailure(DbException(dberr::kConnectionUnusable, "closed")), T);
  EXPECT_EQ(ClassifyFailure(DbException(dberr::kItemNotFound, "no such field")), V);
  // The program's own checks of what came back are about the value.
  EXPECT_EQ(ClassifyFailure(core::RuntimeError(94, "Invalid use of Null")), V);
  EXPECT_EQ(ClassifyFailure(std::runtime_error("x")), V);
}

}  // namespace
}  // namespace platform::db
