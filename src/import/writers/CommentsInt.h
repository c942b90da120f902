#pragma once

#include <cstdint>
#include <string>

#include "core/Date.h"
#include "core/Value.h"
#include "platform/db/Command.h"

namespace platform::db {
class Connection;
}

// The comment of a daily value (DATATBL), written and deleted through its two stored
// procedures. Comments carry the module audit user, not the operator. The facility writer cuts
// a comment to 2000 characters before it gets here.
//
// The connection is borrowed from the writer, which keeps it open while this object is used.
// Errors are thrown to the caller; a call before Connect raises error 91.
class CommentsInt {
 public:
  void Connect(platform::db::Connection& aCNN);
  void WriteData(core::Date DateValue, std::int32_t varid, const std::string& Comment);
  void deletecmts(core::Date DateValue, std::int32_t varid);
  // Always True: this layer has no seek.
  bool NoMatch() const { return true; }
  // Reads nothing and leaves every output as it was.
  void Seekcmts(core::Date DateValue, std::int32_t varid, std::string& Comment, core::Value* AUDITUSER = nullptr,
                core::Value* AUDITTIMESTAMP = nullptr);

 private:
  void RequireConnected() const;

  bool connected_ = false;
  platform::db::Command write_;
  platform::db::Command delete_;
};
