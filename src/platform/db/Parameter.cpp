#include "platform/db/Parameter.h"

namespace platform::db {

Parameter::Parameter(std::string name, DataTypeEnum type, ParameterDirectionEnum direction, long size,
                     core::Value value)
    : name_(std::move(name)), type_(type), direction_(direction), size_(size) {
  Value(std::move(value));
}

void Parameter::Value(core::Value value) {
  if (IsBinary()) {
    // A binary parameter keeps bytes; a value given to it is taken as its bytes.
    if (value.IsNull() || value.IsEmpty()) {
      bytes_.clear();
      bytesNull_ = true;
    } else {
      std::string s = value.ToString();
      bytes_.assign(s.begin(), s.end());
      bytesNull_ = false;
    }
  }
  value_ = std::move(value);
}

void Parameter::Bytes(std::vector<unsigned char> value) {
  bytes_ = std::move(value);
  bytesNull_ = false;
  value_ = core::Value();  // the bytes are kept once, in bytes_ (a whole file may be one)
}

bool Parameter::IsNull() const {
  if (IsBinary()) return bytesNull_;
  return value_.IsNull() || value_.IsEmpty();
}

bool Parameter::IsBinary() const {
  return type_ == adBinary || type_ == adVarBinary || type_ == adLongVarBinary;
}

bool Parameter::IsInput() const { return direction_ == adParamInput || direction_ == adParamInputOutput; }

bool Parameter::IsOutput() const {
  return direction_ == adParamOutput || direction_ == adParamInputOutput || direction_ == adParamReturnValue;
}

}  // namespace platform::db
