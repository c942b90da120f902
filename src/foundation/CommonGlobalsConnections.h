#pragma once

#include <string>

#include "core/Date.h"

class ConnectionManager;

namespace platform::db {
class Connection;
}

// The shared routines around Krym connections: filling a ConnectionManager from
// the configuration, opening a root-schema connection in the way the run mode
// wants, the audit user of Krym writes and date literals of the Krym dialect.
// They work on the program context (Program()); the connections stay the caller's.
namespace CommonGlobals {

// Fills cm from the six VORNKRYM\VORNKRYM_CONNECTION_* keys and sets the
// program's Krym database type from the DBTYPE key, whatever Init answered.
// Returns Init's result. A type or timeout that is not a number raises the
// conversion error (core::RuntimeError 13, 6 when out of range) before anything
// changes.
bool InitVornKrymConnectionManager(ConnectionManager& cm);

// Opens a connection that ConfigCnn4QALROOT prepared. Service mode opens it
// plainly; interactive mode writes the status lines around the open, or, with
// withProgressForm, lets the connection progress window open it shown modal over
// owner (a window of the user interface, null for the main window). Never raises:
// False with "number - description" of the failure in errText.
bool ConnectVornKrym(platform::db::Connection& cnn, std::string& errText, bool withProgressForm, void* owner = nullptr);

// The audit user of Krym writes that name none of their own: the write-as user
// when one is set, else "VIA_K" and the product name.
std::string GetAuditUserName();

// d as a date literal of the Krym database's SQL, by the program's database type:
//   1 (Oracle)      TO_DATE('08-Dec-2026 01:05:09 PM','dd-Mon-yyyy HH:MI:SS AM')
//   2 (SQL Server)  '2026-12-08 13:05:09'
//   any other       "" (the type is not known yet)
std::string TargetDateLiteral(core::Date d);

}  // namespace CommonGlobals
