#pragma once

#include <stdexcept>
#include <string>

namespace core {

// A numbered run-time error: the number, its description and the source that
// raised it. Store and container classes throw it; callers that must never fail
// catch it and turn it into a False result and a log line.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, std::string description, std::string source = "");

  int Number() const { return number_; }
  const std::string& Description() const { return description_; }
  const std::string& Source() const { return source_; }

 private:
  int number_;
  std::string description_;
  std::string source_;
};

// The run-time errors that the conversions raise, with their usual descriptions.
namespace err {
constexpr int kInvalidCall = 5;        // "Invalid procedure call or argument"
constexpr int kOverflow = 6;           // "Overflow"
constexpr int kSubscript = 9;          // "Subscript out of range"
constexpr int kTypeMismatch = 13;      // "Type mismatch"
constexpr int kInvalidUseOfNull = 94;  // "Invalid use of Null"
}  // namespace err

[[noreturn]] void Raise(int number, const std::string& source = "");
std::string ErrorDescription(int number);

}  // namespace core
