#pragma once

#include <sql.h>

#include <string>
#include <vector>

#include "platform/db/DbError.h"
#include "platform/db/DbException.h"
#include "platform/db/DbTypes.h"
#include "platform/db/OdbcHandle.h"

namespace platform::db {

// The state behind one Connection: its settings, its ODBC environment and
// connection handles while open, and the error list of the last failure. The
// Connection owns it; its commands hold it weakly, so they notice when it is gone.
class OdbcLink {
 public:
  OdbcLink() = default;
  ~OdbcLink() { Close(); }
  OdbcLink(const OdbcLink&) = delete;
  OdbcLink& operator=(const OdbcLink&) = delete;

  std::string connectionString;
  int connectionTimeout = 15;
  int commandTimeout = 30;
  CursorLocationEnum cursorLocation = adUseClient;

  // Translates the connection string and connects. Throws DbException.
  void Open();
  void Close() noexcept;
  bool IsOpen() const { return static_cast<bool>(dbc_); }
  SQLHDBC Dbc() const { return dbc_.Get(); }

  // Whether the driver says the open connection is dead.
  bool Dead() const;

  const std::string& DriverName() const { return driver_; }
  DriverFamily Family() const { return family_; }

  const std::vector<DbError>& Errors() const { return errors_; }
  void ClearErrors() { errors_.clear(); }

  // Runs f; a DbException it throws becomes the error list before it goes on.
  template <class F>
  decltype(auto) Guard(F&& f) {
    try {
      return f();
    } catch (const DbException& e) {
      errors_ = e.Errors();
      throw;
    }
  }

  // Throws dberr::kConnectionUnusable (kept as the error list) when not open.
  void RequireOpen();

 private:
  OdbcHandle env_;
  OdbcHandle dbc_;
  std::string driver_;
  DriverFamily family_ = DriverFamily::Unknown;
  std::vector<DbError> errors_;
};

}  // namespace platform::db
