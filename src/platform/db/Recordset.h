#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Value.h"
#include "platform/db/DbTypes.h"
#include "platform/db/Field.h"

namespace platform::db {

class Command;
class Connection;
class ResultTable;

// A static recordset: opening it runs the query and copies every row, so it
// holds no database handle afterwards and stays readable when its connection
// closes. Positions follow the usual cursor rules: after opening, the first row
// is current; an empty result has BOF and EOF both True and RecordCount 0;
// MoveNext past the last row sets EOF, MovePrevious before the first sets BOF;
// moving further, reading a field at BOF or EOF, or MoveFirst/MoveLast on an
// empty recordset throws dberr::kNoCurrentRecord. Field names compare ignoring case.
class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs source on the connection: SQL text (adCmdText) or every row of a table
  // (adCmdTable). Throws DbException on failure (the connection's Errors() hold
  // the list); a statement that returns no rows leaves the recordset closed.
  void Open(const std::string& source, Connection& connection, CommandTypeEnum options = adCmdText);
  // Runs the command (its parameters bound) and keeps its rows.
  void Open(Command& command);
  void Close() noexcept;
  ObjectStateEnum State() const;

  // Throw dberr::kObjectClosed when the recordset is closed.
  long RecordCount() const;
  bool Eof() const;
  bool Bof() const;
  void MoveFirst();
  void MoveNext();
  void MovePrevious();
  void MoveLast();
  // 1-based number of the current row; 0 at BOF or EOF.
  long AbsolutePosition() const;

  int FieldCount() const;
  // Throw dberr::kItemNotFound for an index outside 0..FieldCount()-1 or an unknown name.
  Field Fields(int index) const;
  Field Fields(std::string_view name) const;
  // Whether a field of that name exists (ignoring case).
  bool HasField(std::string_view name) const;

 private:
  friend class Field;
  friend class Command;
  friend class Connection;
  explicit Recordset(std::unique_ptr<ResultTable> table);
  const ResultTable& Table() const;  // throws dberr::kObjectClosed
  long CurrentRow() const;           // throws dberr::kNoCurrentRecord at BOF or EOF

  std::unique_ptr<ResultTable> table_;  // null while closed
  long row_ = 0;                        // -1 is BOF, RecordCount() is EOF
};

}  // namespace platform::db
