#include "core/RuntimeError.h"

#include <utility>

namespace core {

RuntimeError::RuntimeError(int number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

std::string ErrorDescription(int number) {
  switch (number) {
    case err::kInvalidCall: return "Invalid procedure call or argument";
    case err::kOverflow: return "Overflow";
    case 7: return "Out of memory";
    case err::kSubscript: return "Subscript out of range";
    case 11: return "Division by zero";
    case err::kTypeMismatch: return "Type mismatch";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 70: return "Permission denied";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 91: return "Object variable or With block variable not set";
    case err::kInvalidUseOfNull: return "Invalid use of Null";
    case 424: return "Object required";
    case 457: return "This key is already associated with an element of this collection";
    default: return "Application-defined or object-defined error";
  }
}

void Raise(int number, const std::string& source) {
  throw RuntimeError(number, ErrorDescription(number), source);
}

}  // namespace core
