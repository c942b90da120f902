#pragma once

#include <sql.h>

namespace platform::db {

// Owns one ODBC handle (environment, connection or statement) and frees it when
// destroyed. Move-only. Release() gives the handle up without freeing it, for a
// handle its parent has already freed (the driver frees a connection's
// statements when it disconnects).
class OdbcHandle {
 public:
  OdbcHandle() = default;
  // Allocates a handle of type under parent through the checked helper; throws DbException.
  OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
  ~OdbcHandle();
  OdbcHandle(OdbcHandle&& other) noexcept;
  OdbcHandle& operator=(OdbcHandle&& other) noexcept;
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;

  SQLHANDLE Get() const { return handle_; }
  SQLSMALLINT Type() const { return type_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }

  void Reset() noexcept;    // frees the handle now
  void Release() noexcept;  // forgets it without freeing

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

}  // namespace platform::db
