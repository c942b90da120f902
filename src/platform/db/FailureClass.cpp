#include "platform/db/FailureClass.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "platform/db/DbException.h"

namespace platform::db {

namespace {

using S = FailureCode::System;
constexpr FailureClass kTransient = FailureClass::Transient;
constexpr FailureClass kStructure = FailureClass::Structure;

constexpr std::array kCodes = {
    // The link or the server's state: it may heal.
    FailureCode{S::SqlState, "08", kTransient, "connection exception"},
    FailureCode{S::SqlState, "40", kTransient, "transaction rollback (serialization failure, deadlock)"},
    FailureCode{S::SqlState, "53", kTransient, "insufficient resources"},
    FailureCode{S::SqlState, "57P01", kTransient, "administrator shutdown"},
    FailureCode{S::SqlState, "57P02", kTransient, "crash shutdown"},
    FailureCode{S::SqlState, "57P03", kTransient, "cannot connect now"},
    FailureCode{S::SqlState, "57014", kTransient, "statement cancelled (a statement timeout)"},
    FailureCode{S::SqlState, "55P03", kTransient, "lock not available (a lock timeout)"},
    FailureCode{S::SqlState, "HYT00", kTransient, "timeout expired"},
    FailureCode{S::SqlState, "HYT01", kTransient, "connection timeout expired"},
    FailureCode{S::SqlState, "25006", kTransient, "read-only transaction (a standby)"},
    FailureCode{S::SqlServer, "3906", kTransient, "the database is read-only"},
    FailureCode{S::Oracle, "16000", kTransient, "database open for read-only access"},
    // The database's structure: a missing or forbidden object.
    FailureCode{S::SqlState, "42883", kStructure, "undefined function"},
    FailureCode{S::SqlState, "42P01", kStructure, "undefined table"},
    FailureCode{S::SqlState, "42703", kStructure, "undefined column"},
    FailureCode{S::SqlState, "42501", kStructure, "insufficient privilege"},
    FailureCode{S::SqlState, "3D000", kStructure, "invalid catalog name"},
    FailureCode{S::SqlState, "3F000", kStructure, "invalid schema name"},
    FailureCode{S::SqlState, "42S02", kStructure, "base table or view not found"},
    FailureCode{S::SqlState, "42S22", kStructure, "column not found"},
    FailureCode{S::SqlServer, "2812", kStructure, "could not find stored procedure"},
    FailureCode{S::SqlServer, "208", kStructure, "invalid object name"},
    FailureCode{S::SqlServer, "207", kStructure, "invalid column name"},
    FailureCode{S::SqlServer, "229", kStructure, "permission denied on the object"},
    FailureCode{S::SqlServer, "230", kStructure, "permission denied on the column"},
    FailureCode{S::SqlServer, "201", kStructure, "the procedure expects a parameter that was not supplied"},
    FailureCode{S::SqlServer, "8144", kStructure, "the procedure has too many arguments specified"},
    FailureCode{S::Oracle, "00942", kStructure, "table or view does not exist"},
    FailureCode{S::Oracle, "06550", kStructure, "PL/SQL compilation error (an identifier or argument list)"},
    FailureCode{S::Oracle, "01031", kStructure, "insufficient privileges"},
    FailureCode{S::Oracle, "04063", kStructure, "the object has errors"},
    // Known to be the value's: the data itself, or a rule on the value's own columns.
    FailureCode{S::SqlState, "22", FailureClass::Value, "data exception"},
    FailureCode{S::SqlState, "23505", FailureClass::Value, "unique violation (a race with another writer)"},
    FailureCode{S::SqlState, "23514", FailureClass::Value, "check violation"},
    FailureCode{S::SqlState, "23P01", FailureClass::Value, "exclusion violation"},
};

// The number of an Oracle message ("ORA-00942: table ..." gives "00942"), or "".
std::string OracleNumber(const std::string& text) {
  for (std::size_t at = text.find("ORA-"); at != std::string::npos; at = text.find("ORA-", at + 1)) {
    const std::string digits = text.substr(at + 4, 5);
    if (digits.size() == 5 &&
        std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
      return digits;
  }
  return std::string();
}

// Whether the diagnostic comes from SQL Server itself, as ODBC names the data source component.
bool FromSqlServer(const std::string& text) { return text.find("[SQL Server]") != std::string::npos; }

}  // namespace

std::span<const FailureCode> FailureCodes() { return kCodes; }

FailureClass ClassifyError(const DbError& e) {
  if (e.LinkBroken()) return kTransient;
  const std::string& state = e.SqlState();
  const std::string oracle = OracleNumber(e.Description());
  const bool sqlServer = FromSqlServer(e.Description());
  const std::string native = std::to_string(e.Number());
  for (const FailureCode& c : kCodes) {
    bool match = false;
    switch (c.system) {
      case S::SqlState:
        match = state.size() == 5 && state.compare(0, c.code.size(), c.code) == 0;
        break;
      case S::SqlServer:
        match = sqlServer && native == c.code;
        break;
      case S::Oracle:
        match = oracle == c.code;
        break;
    }
    if (match) return c.failure;
  }
  return FailureClass::Value;
}

bool KnownValueCode(std::string_view code) {
  return std::any_of(kCodes.begin(), kCodes.end(), [&](const FailureCode& c) {
    return c.system == S::SqlState && c.failure == FailureClass::Value && code.size() == 5 &&
           code.substr(0, c.code.size()) == c.code;
  });
}

FailureClass ClassifyFailure(const std::exception& e) {
  const auto* db = dynamic_cast<const DbException*>(&e);
  if (!db) return FailureClass::Value;
  bool structure = false;
  for (const DbError& error : db->Errors()) {
    // The layer's own errors carry no SQLSTATE; only "no open connection" says something.
    if (error.SqlState().empty() && error.Number() == dberr::kConnectionUnusable) return kTransient;
    const FailureClass c = ClassifyError(error);
    if (c == kTransient) return kTransient;
    structure = structure || c == kStructure;
  }
  return structure ? kStructure : FailureClass::Value;
}

}  // namespace platform::db
