#pragma once

#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "platform/db/DbError.h"

namespace platform::db {

// Errors this layer raises on its own, numbered as the program's database
// component numbers them.
namespace dberr {
constexpr int kInvalidArgument = 3001;     // arguments of the wrong type, out of range or in conflict
constexpr int kNoCurrentRecord = 3021;     // BOF or EOF is True: no current record
constexpr int kItemNotFound = 3265;        // no field or parameter of that name or ordinal
constexpr int kObjectClosed = 3704;        // the object is closed
constexpr int kObjectOpen = 3705;          // the object is open
constexpr int kProviderNotFound = 3706;    // the provider has no installed ODBC driver
constexpr int kConnectionUnusable = 3709;  // no open connection to run the operation on
}  // namespace dberr

// What every failing database operation throws: the list of the driver's
// diagnostics (never empty), the first of which gives Number() and
// Description(). Being a core::RuntimeError, it is caught with the program's
// other numbered errors and quoted as number & " - " & description.
class DbException : public core::RuntimeError {
 public:
  explicit DbException(std::vector<DbError> errors);
  // An error of this layer itself (numbers in dberr).
  DbException(int number, const std::string& description);

  const std::vector<DbError>& Errors() const { return errors_; }
  // True when any of the errors says that the link to the server is gone.
  bool LinkBroken() const;
  // True when the database refused the data itself (and the link is not broken).
  bool DataRefused() const;

 private:
  struct NonEmptyList {};
  DbException(NonEmptyList, std::vector<DbError> errors);

  std::vector<DbError> errors_;
};

}  // namespace platform::db
