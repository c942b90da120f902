#include "platform/db/OdbcCall.h"

#include <sqlext.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/db/DbException.h"
#include "platform/db/WideText.h"

namespace platform::db {

namespace {

// Drivers break long texts over lines and indent the lines that follow; the breaks are kept (a
// message box shows them as the driver wrote them), the indents, blank ends and empty lines go.
std::string TidyLines(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + start, end - start);
    if (const std::size_t first = line.find_first_not_of(" \t"); first != std::string_view::npos) {
      if (!out.empty()) out += '\n';
      out += line.substr(first, line.find_last_not_of(" \t") - first + 1);
    }
    start = end + 1;
  }
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
      rc = SQLGetDiagRecW(handleType, handle, rec, state, &native, text.data(), static_cast<SQLSMALLINT>(text.size()),
                          &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    size_t n = std::min<size_t>(static_cast<size_t>(length), text.size() - 1);
    errors.emplace_back(static_cast<int>(native), WideText::ToUtf8(state), TidyLines(WideText::ToUtf8(text.data(), n)));
  }
  return errors;
}

}  // namespace platform::db
