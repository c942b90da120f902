#include "platform/db/Recordset.h"

#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/DbException.h"
#include "platform/db/OdbcLink.h"
#include "platform/db/ResultTable.h"

namespace platform::db {

namespace {

[[noreturn]] void NoCurrentRecord() {
  throw DbException(dberr::kNoCurrentRecord,
                    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
                    "requires a current record.");
}

[[noreturn]] void ItemNotFound(const std::string& item) {
  throw DbException(dberr::kItemNotFound,
                    "Item cannot be found in the collection corresponding to the requested name or ordinal. (" +
                        item + ")");
}

}  // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

Recordset::Recordset(std::unique_ptr<ResultTable> table) : table_(std::move(table)), row_(0) {}

void Recordset::Open(const std::string& source, Connection& connection, CommandTypeEnum options) {
  Command cmd;
  cmd.ActiveConnection(connection);
  cmd.CommandType(options);
  cmd.CommandText(source);
  Open(cmd);
}

void Recordset::Open(Command& command) {
  if (table_) throw DbException(dberr::kObjectOpen, "Operation is not allowed when the object is open.");
  *this = command.Execute();
}

void Recordset::Close() noexcept {
  table_.reset();
  row_ = 0;
}

ObjectStateEnum Recordset::State() const { return table_ ? adStateOpen : adStateClosed; }

const ResultTable& Recordset::Table() const {
  if (!table_) throw DbException(dberr::kObjectClosed, "Operation is not allowed when the object is closed.");
  return *table_;
}

long Recordset::CurrentRow() const {
  if (Bof() || Eof()) NoCurrentRecord();
  return row_;
}

long Recordset::RecordCount() const { return static_cast<long>(Table().rows.size()); }

bool Recordset::Eof() const { return row_ >= RecordCount(); }

bool Recordset::Bof() const {
  // An empty result is at both ends at once.
  return row_ < 0 || RecordCount() == 0;
}

void Recordset::MoveFirst() {
  if (RecordCount() == 0) NoCurrentRecord();
  row_ = 0;
}

void Recordset::MoveLast() {
  if (RecordCount() == 0) NoCurrentRecord();
  row_ = RecordCount() - 1;
}

void Recordset::MoveNext() {
  if (Eof()) NoCurrentRecord();
  ++row_;
}

void Recordset::MovePrevious() {
  if (row_ < 0 || RecordCount() == 0) NoCurrentRecord();
  --row_;
}

long Recordset::AbsolutePosition() const { return Bof() || Eof() ? 0 : row_ + 1; }

int Recordset::FieldCount() const { return static_cast<int>(Table().columns.size()); }

Field Recordset::Fields(int index) const {
  if (index < 0 || index >= FieldCount()) ItemNotFound(std::to_string(index));
  return Field(*this, index);
}

Field Recordset::Fields(std::string_view name) const {
  const int i = Table().Find(name);
  if (i < 0) ItemNotFound(std::string(name));
  return Field(*this, i);
}

bool Recordset::HasField(std::string_view name) const { return Table().Find(name) >= 0; }

}  // namespace platform::db
