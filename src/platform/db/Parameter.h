#pragma once

#include <string>
#include <vector>

#include "core/Value.h"
#include "platform/db/DbTypes.h"

namespace platform::db {

// One parameter of a Command: its name, data type, direction and size as
// created, and its value. Inputs are set before Execute; outputs are read after
// it, a NULL output reading as a Null value. Binary parameters (adBinary,
// adVarBinary, adLongVarBinary) carry Bytes() instead of a value.
class Parameter {
 public:
  Parameter(std::string name, DataTypeEnum type, ParameterDirectionEnum direction, long size,
            core::Value value);

  const std::string& Name() const { return name_; }
  DataTypeEnum Type() const { return type_; }
  ParameterDirectionEnum Direction() const { return direction_; }
  void Direction(ParameterDirectionEnum value) { direction_ = value; }
  // The declared size in characters or bytes (texts and binaries); 0 = as long as the value.
  long Size() const { return size_; }
  void Size(long value) { size_ = value; }

  const core::Value& Value() const { return value_; }
  void Value(core::Value value);
  bool IsNull() const;

  const std::vector<unsigned char>& Bytes() const { return bytes_; }
  void Bytes(std::vector<unsigned char> value);

  bool IsBinary() const;
  bool IsInput() const;
  bool IsOutput() const;

 private:
  std::string name_;
  DataTypeEnum type_;
  ParameterDirectionEnum direction_;
  long size_;
  core::Value value_;
  std::vector<unsigned char> bytes_;
  bool bytesNull_ = true;  // a binary parameter with no bytes set is NULL
};

}  // namespace platform::db
