#include "platform/db/DbException.h"

#include <algorithm>

namespace platform::db {

namespace {

// A list is never empty, so the first error can always name the exception.
std::vector<DbError> NonEmpty(std::vector<DbError> errors) {
  if (errors.empty()) errors.emplace_back(0, "HY000", "Unknown database error");
  return errors;
}

}  // namespace

DbException::DbException(std::vector<DbError> errors)
    : DbException(NonEmptyList{}, NonEmpty(std::move(errors))) {}

DbException::DbException(int number, const std::string& description)
    : DbException(NonEmptyList{}, std::vector<DbError>{DbError(number, "", description)}) {}

DbException::DbException(NonEmptyList, std::vector<DbError> errors)
    : core::RuntimeError(errors.front().Number(), errors.front().Description(), "platform::db"),
      errors_(std::move(errors)) {}

bool DbException::DataRefused() const {
  return !LinkBroken() &&
         std::any_of(errors_.begin(), errors_.end(), [](const DbError& e) { return e.DataRefused(); });
}

bool DbException::LinkBroken() const {
  return std::any_of(errors_.begin(), errors_.end(), [](const DbError& e) { return e.LinkBroken(); });
}

}  // namespace platform::db
