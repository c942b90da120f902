#include "platform/db/OdbcLink.h"

#include <sqlext.h>

#include "platform/db/OdbcCall.h"
#include "platform/db/ProviderTranslator.h"
#include "platform/db/WideText.h"

namespace platform::db {

void OdbcLink::Open() {
  Guard([&] {
    if (IsOpen()) throw DbException(dberr::kObjectOpen, "Operation is not allowed when the object is open.");
    errors_.clear();
    auto t = ProviderTranslator::Translate(connectionString, ProviderTranslator::InstalledDrivers());
    if (!t.ok) throw DbException(dberr::kProviderNotFound, t.error);

    if (!env_) {
      OdbcHandle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
      OdbcCall::Check(SQLSetEnvAttr(env.Get(), SQL_ATTR_ODBC_VERSION,
                                    reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                      SQL_HANDLE_ENV, env.Get(), "SQLSetEnvAttr");
      env_ = std::move(env);
    }
    OdbcHandle dbc(SQL_HANDLE_DBC, env_.Get());
    // 0 waits as long as the driver does, as a timeout of 0 means for the program.
    const SQLULEN login = connectionTimeout > 0 ? static_cast<SQLULEN>(connectionTimeout) : 0;
    OdbcCall::Check(SQLSetConnectAttr(dbc.Get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(login), 0),
                    SQL_HANDLE_DBC, dbc.Get(), "SQLSetConnectAttr");
    auto wide = WideText::FromUtf8(t.odbc);
    SQLWCHAR out[1024];
    SQLSMALLINT outLen = 0;
    OdbcCall::Check(SQLDriverConnectW(dbc.Get(), nullptr, wide.data(), SQL_NTS, out,
                                      static_cast<SQLSMALLINT>(sizeof out / sizeof out[0]), &outLen,
                                      SQL_DRIVER_NOPROMPT),
                    SQL_HANDLE_DBC, dbc.Get(), "SQLDriverConnect");
    dbc_ = std::move(dbc);
    driver_ = t.driver;
    family_ = t.family;
  });
}

void OdbcLink::Close() noexcept {
  if (!dbc_) return;
  try {
    OdbcCall::Check(SQLDisconnect(dbc_.Get()), SQL_HANDLE_DBC, dbc_.Get(), "SQLDisconnect");
  } catch (const DbException&) {
    // A link that broke cannot disconnect cleanly; the handle is freed all the same.
  }
  dbc_.Reset();
}

bool OdbcLink::Dead() const {
  if (!dbc_) return false;
  SQLUINTEGER dead = SQL_CD_FALSE;
  try {
    OdbcCall::Check(SQLGetConnectAttr(dbc_.Get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr),
                    SQL_HANDLE_DBC, dbc_.Get(), "SQLGetConnectAttr");
  } catch (const DbException&) {
    return false;  // a driver that cannot tell leaves the decision to the error texts
  }
  return dead == SQL_CD_TRUE;
}

void OdbcLink::RequireOpen() {
  if (IsOpen()) return;
  Guard([] {
    throw DbException(dberr::kConnectionUnusable,
                      "The connection cannot be used to perform this operation. It is either closed or "
                      "invalid in this context.");
  });
}

}  // namespace platform::db
