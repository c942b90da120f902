#include "platform/db/OdbcCall.h"

#include <sqlext.h>

#include <algorithm>
#include <string>

#include "platform/db/DbException.h"
#include "platform/db/WideText.h"

namespace platform::db {

namespace {

// Drivers break long texts over lines; the program quotes an error on one log line.
std::string OneLine(const std::string& text) {
  std::string out;
  bool gap = false;
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == '\t') {
      gap = true;
      continue;
    }
    if (gap) {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      if (!out.empty()) out += ' ';
      gap = false;
      if (c == ' ') continue;
    }
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

SQLRETURN OdbcCall::Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::string_view what) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA || rc == SQL_NEED_DATA) return rc;
  std::vector<DbError> errors;
  if (rc != SQL_INVALID_HANDLE && handle != SQL_NULL_HANDLE) errors = Diagnostics(handleType, handle);
  if (errors.empty()) {
    errors.emplace_back(rc, "HY000",
                        std::string(what) + " failed" + (rc == SQL_INVALID_HANDLE ? " (invalid handle)" : ""));
  }
  throw DbException(std::move(errors));
}

std::vector<DbError> OdbcCall::Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::vector<DbError> errors;
  for (SQLSMALLINT rec = 1;; ++rec) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::vector<SQLWCHAR> text(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(handleType, handle, rec, state, &native, text.data(),
                                  static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
      // The text did not fit: ask again with room for all of it.
      text.assign(static_cast<size_t>(length) + 1, 0);
      rc = SQLGetDiagRecW(handleType, handle, rec, state, &native, text.data(),
                          static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    size_t n = std::min<size_t>(static_cast<size_t>(length), text.size() - 1);
    errors.emplace_back(static_cast<int>(native), WideText::ToUtf8(state),
                        OneLine(WideText::ToUtf8(text.data(), n)));
  }
  return errors;
}

}  // namespace platform::db
