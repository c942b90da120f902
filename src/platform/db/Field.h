#pragma once

#include <string>
#include <vector>

#include "core/Value.h"
#include "platform/db/DbTypes.h"

namespace platform::db {

class Recordset;

// One column of a recordset, seen at the recordset's current row (moving the
// recordset moves what the field shows). A field is a small view: it must not
// outlive its recordset.
class Field {
 public:
  Field(const Recordset& recordset, int index) : recordset_(&recordset), index_(index) {}

  const std::string& Name() const;
  int Index() const { return index_; }
  // The column's data type as the database reported it, as its nearest DataTypeEnum.
  DataTypeEnum Type() const;

  // The value at the current row: a database NULL is Null; integers are Long
  // (Double when beyond 32 bits), smallint Integer, floating and numeric Double,
  // dates, times and timestamps Date, texts String (UTF-8), booleans Boolean;
  // a binary column gives its bytes as a String. Throws dberr::kNoCurrentRecord
  // at BOF or EOF.
  core::Value Value() const;
  bool IsNull() const;
  // The bytes of a binary column at the current row (empty when Null); for
  // other columns the bytes of its text.
  std::vector<unsigned char> Bytes() const;

 private:
  const Recordset* recordset_;
  int index_;
};

}  // namespace platform::db
