#include "platform/db/Field.h"

#include "platform/db/Recordset.h"
#include "platform/db/ResultTable.h"

namespace platform::db {

const std::string& Field::Name() const { return recordset_->Table().columns[static_cast<size_t>(index_)].name; }

DataTypeEnum Field::Type() const { return recordset_->Table().columns[static_cast<size_t>(index_)].type; }

core::Value Field::Value() const {
  const long row = recordset_->CurrentRow();
  return recordset_->Table().rows[static_cast<size_t>(row)][static_cast<size_t>(index_)];
}

bool Field::IsNull() const { return Value().IsNull(); }

std::vector<unsigned char> Field::Bytes() const {
  core::Value v = Value();
  if (v.IsNull()) return {};
  std::string s = v.ToString();
  return std::vector<unsigned char>(s.begin(), s.end());
}

}  // namespace platform::db
