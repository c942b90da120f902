#pragma once

#include <cstdint>
#include <string>

#include "core/Date.h"
#include "core/Value.h"
#include "import/writers/ProcedureCommand.h"
#include "platform/db/Command.h"

namespace platform::db {
class Connection;
}

// The daily value table DATATBL of one facility, through its stored procedures: seek a
// variable's value of a day, write it (store or replace), delete it, mark it forced, change its
// status. It knows nothing of approval levels, lock dates or test mode; the facility writer
// decides those.
//
// The connection is borrowed: the writer owns it and keeps it open while this object is used.
// Connect prepares the four commands once; every later call fills their parameters by name.
// No member catches errors: a driver error, or a found row whose value is Null, is thrown to the
// caller (platform::db::DbException, core::RuntimeError), and the caller's values and NoMatch
// are then left as they were. Calling a member before Connect raises error 91.
class DatatblInt {
 public:
  void Connect(platform::db::Connection& aCNN);

  // Seeks the value stored for the day of DateValue. With no row NoMatch becomes True and
  // value, TEXTVALUE and the optional outputs keep what the caller put there, except FORCED,
  // which becomes 0. With a row: value, TEXTVALUE trimmed ("" for Null), AUDITUSER trimmed,
  // AUDITTIMESTAMP (the zero date for Null), FORCED and STATUS as stored (Null stays Null).
  void SeekDateVarId(core::Date DateValue, std::int32_t varid, double& value, std::string& TEXTVALUE,
                     core::Value* AUDITUSER = nullptr, core::Value* AUDITTIMESTAMP = nullptr,
                     core::Value* FORCED = nullptr, core::Value* STATUS = nullptr);
  // Deletes the day's value; the module audit user is passed along.
  void deletedtbl(core::Date DateValue, std::int32_t varid);
  // Stores or replaces the day's value with Guard, the value's own audit user.
  void WriteData(core::Date DateValue, std::int32_t varid, double value, const std::string& TEXTVALUE,
                 const std::string& Guard, std::int32_t STATUS = 0);
  void SetForced(core::Date DateValue, std::int32_t varid, std::int32_t FORCED);
  // Rewrites a stored value with a new status, its value and text unchanged. Nothing is written
  // when the day has no value or already has that status. The rewrite carries the module audit
  // user: it is this program that changed the row.
  void SetStatus(core::Date DateValue, std::int32_t varid, std::int32_t STATUS);

  // True from creation until a seek finds a row; only a seek that ran changes it.
  bool NoMatch() const { return noMatch_; }

 private:
  void RequireConnected() const;

  bool connected_ = false;
  bool noMatch_ = true;
  ProcedureCommand::OnDemand seek_;
  ProcedureCommand::OnDemand delete_;
  ProcedureCommand::OnDemand write_;
  ProcedureCommand::OnDemand setForced_;
};
