// The test cluster is up and the psqlODBC driver reaches the Krym login over TCP.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include "support/TestDatabase.h"

TEST(TestCluster, KrymLoginConnectsThroughTheOdbcDriver) {
  testsupport::TestDatabase db;
  if (!testsupport::RequireDatabase(db)) return;

  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)));
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)));
  std::string cs = db.OdbcString("QALROOT");
  SQLRETURN rc = SQLDriverConnect(dbc, nullptr, (SQLCHAR*)cs.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                  SQL_DRIVER_NOPROMPT);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << "could not connect with " << cs;
  if (SQL_SUCCEEDED(rc)) SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
}
