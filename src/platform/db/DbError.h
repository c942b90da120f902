#pragma once

#include <string>

namespace platform::db {

// One diagnostic of the database: the driver's native error number, the
// five-character SQLSTATE ("" for errors raised by this layer itself) and the
// driver's text. The program quotes an error as Text(): number & " - " & description.
class DbError {
 public:
  DbError() = default;
  DbError(int number, std::string sqlState, std::string description);

  int Number() const { return number_; }
  const std::string& SqlState() const { return sqlState_; }
  const std::string& Description() const { return description_; }
  std::string Text() const;

  // True when the error says that the link to the server is gone, so that the
  // caller should drop the connection and open a new one: SQLSTATE class 08,
  // the server's administrator shutdown (57P01 and its kin), or, for an error
  // without a SQLSTATE or with the general HY000, a driver text that says the
  // connection to the server was lost.
  bool LinkBroken() const;
  // True when the database refused the data itself, so that sending it again can never
  // succeed: SQLSTATE class 22 (data exception: a number out of range, a text too long, a
  // date that is no date) or 23 (integrity constraint violation).
  bool DataRefused() const;

 private:
  int number_ = 0;
  std::string sqlState_;
  std::string description_;
};

}  // namespace platform::db
