#include "platform/db/DbError.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace platform::db {

DbError::DbError(int number, std::string sqlState, std::string description)
    : number_(number), sqlState_(std::move(sqlState)), description_(std::move(description)) {}

std::string DbError::Text() const { return std::to_string(number_) + " - " + description_; }

namespace {

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  return it != text.end();
}

}  // namespace

bool DbError::DataRefused() const {
  return sqlState_.size() == 5 && (sqlState_.compare(0, 2, "22") == 0 || sqlState_.compare(0, 2, "23") == 0);
}

bool DbError::LinkBroken() const {
  // Class 08 is the standard's connection exception; 57P01..57P03 are the
  // server going down or refusing; HYT01 a link that stopped answering.
  if (sqlState_.size() == 5 && sqlState_.compare(0, 2, "08") == 0) return true;
  if (sqlState_ == "57P01" || sqlState_ == "57P02" || sqlState_ == "57P03" || sqlState_ == "HYT01") return true;
  // Drivers often report a lost link under a general state (psqlODBC says
  // HY000 or 08S01 depending on where it noticed), so for a failure without a
  // state, or with the general state that names no class, the text decides too.
  // A failure with a code of its own is told by its code: a server's message
  // quotes the row and whatever a trigger says, "lost connection" included.
  if (!sqlState_.empty() && sqlState_ != "HY000") return false;
  static constexpr std::array<std::string_view, 12> kLinkTexts = {
      "connection dead",
      "server closed the connection",
      "no connection to the server",
      "could not send data to server",
      "could not receive data from server",
      "terminating connection due to administrator command",
      "communication link failure",
      "connection is broken",
      "connection reset by peer",
      "broken pipe",
      "lost connection",
      "the connection is closed",
  };
  return std::any_of(kLinkTexts.begin(), kLinkTexts.end(),
                     [&](std::string_view t) { return ContainsIgnoringCase(description_, t); });
}

}  // namespace platform::db
