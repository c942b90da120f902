#include "platform/db/OdbcHandle.h"

#include <utility>

#include "platform/db/OdbcCall.h"

namespace platform::db {

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  SQLHANDLE h = SQL_NULL_HANDLE;
  // A failed allocation leaves its diagnostics on the parent (none for an environment).
  SQLSMALLINT parentType = type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
  OdbcCall::Check(SQLAllocHandle(type, parent, &h), parentType, parent, "SQLAllocHandle");
  handle_ = h;
}

OdbcHandle::~OdbcHandle() { Reset(); }

OdbcHandle::OdbcHandle(OdbcHandle&& other) noexcept
    : type_(other.type_), handle_(std::exchange(other.handle_, SQLHANDLE{})) {}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    type_ = other.type_;
    handle_ = std::exchange(other.handle_, SQLHANDLE{});
  }
  return *this;
}

void OdbcHandle::Reset() noexcept {
  if (handle_ != SQL_NULL_HANDLE) {
    // Nothing can be done about a failing free; the handle is gone either way.
    SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
  }
}

void OdbcHandle::Release() noexcept { handle_ = SQL_NULL_HANDLE; }

}  // namespace platform::db
