#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/DbError.h"
#include "platform/db/DbTypes.h"
#include "platform/db/Recordset.h"

namespace platform::db {

class OdbcLink;

// A connection to one database. The connection string is kept in its OLE DB
// form ("Provider=...;Data Source=...;User ID=...;") exactly as the program
// writes it, and is translated to an ODBC connection string only when Open runs
// (ProviderTranslator). Every failing operation throws DbException and keeps its
// error list in Errors() until the next failure or the next Open.
//
// The connection owns its ODBC handles. Commands given this connection as their
// active connection share its link: they see it close when the connection closes
// or is destroyed, and fail cleanly instead of using freed handles. Moving a
// connection keeps those commands working. The destructor closes the link and
// never throws.
class Connection {
 public:
  Connection();
  ~Connection();
  Connection(Connection&&) noexcept;
  Connection& operator=(Connection&&) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The OLE DB connection string. Setting it on an open connection throws
  // (dberr::kObjectOpen).
  const std::string& ConnectionString() const;
  void ConnectionString(std::string value);

  // Seconds to wait for Open (default 15); 0 waits as long as the driver does.
  int ConnectionTimeout() const;
  void ConnectionTimeout(int seconds);
  // Seconds a statement may run (default 30); 0 = no limit. Recordsets and
  // Execute on this connection use it, and commands that set none of their own.
  int CommandTimeout() const;
  void CommandTimeout(int seconds);
  // Kept for the program's sake; every recordset is a client-side static copy.
  CursorLocationEnum CursorLocation() const;
  void CursorLocation(CursorLocationEnum value);

  // Opens with the connection string (the one given here replaces it first).
  // Throws DbException on failure: an unknown provider or a provider without an
  // installed driver (dberr::kProviderNotFound, naming it), a refused login, an
  // unreachable server. Opening an open connection throws dberr::kObjectOpen.
  void Open();
  void Open(std::string connectionString);
  // Closes the link; a closed connection stays closed. Never throws.
  void Close() noexcept;

  ObjectStateEnum State() const;
  bool IsOpen() const { return State() == adStateOpen; }

  // The diagnostics of the last failing operation on this connection or on a
  // command or recordset that ran on it; empty after a successful Open.
  const std::vector<DbError>& Errors() const;

  // A property of the connection string by its OLE DB name, ignoring case
  // ("Data Source", "Initial Catalog", "Provider" ...); "" when it has none.
  std::string Property(std::string_view name) const;

  // Runs a statement. Rows it returns come back as an open static recordset;
  // a statement without rows gives a closed one. recordsAffected, when given,
  // receives the driver's row count (-1 when it has none).
  Recordset Execute(const std::string& sql, long* recordsAffected = nullptr);

  // True when the link to the server is gone: the driver reports the connection
  // dead, or the last failing operation failed with a link error
  // (DbError::LinkBroken). Recovery then closes this connection and opens a new one.
  bool LinkBroken() const;

  // The ODBC driver and family the last Open chose ("" and Unknown before).
  const std::string& DriverName() const;
  DriverFamily Family() const;

 private:
  friend class Command;
  friend class Recordset;
  std::shared_ptr<OdbcLink> link_;
};

}  // namespace platform::db
