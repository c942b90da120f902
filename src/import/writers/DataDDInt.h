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

// The interval value tables of one facility (4 hours, hour, 30, 15 and 5 minutes, minute),
// through their stored procedures, one set per table named by the table's suffix. ConnectTo
// binds the object to one interval length: the number of intervals per day gives the suffix and
// the slot length, and every member that takes a slot start addresses the slot from that start
// to start plus the slot length. Like the daily layer it knows nothing of approval levels, lock
// dates or test mode.
//
//   intervals per day  24  6    48  96  288  1440  other
//   suffix             H   4    3   F   5    1     H
//   minutes per slot   60  240  30  15  5    1     1440 / n, rounded half to even
//
// So 86400 (a second-type variable) reaches the hourly procedures with slots of no length, and
// 0 raises error 11 (division by zero).
//
// The connection is borrowed: the writer owns it and keeps it open while this object is used.
// Apart from SetStatus no member catches errors: driver errors, a found row whose value or date
// is Null, and calls before ConnectTo (error 91) reach the caller, with the caller's values and
// NoMatch left as they were.
class DataDDInt {
 public:
  // Binds (or rebinds) the object to an interval length and prepares its eight commands.
  void ConnectTo(platform::db::Connection& aCNN, std::int32_t IntervalsInDay);

  void DeleteComment(core::Date SlotStartDatetime, std::int32_t varid);
  // Stores the slot's comment at NewDateTime, with the module audit user.
  void WriteComment(core::Date SlotStartDatetime, core::Date NewDateTime, std::int32_t varid,
                    const std::string& Comment);
  // A comment is found when one is stored and it is not empty; otherwise NoMatch becomes True
  // and comment_out keeps what it held. The audit user comes back as stored (not trimmed).
  void SeekComment(core::Date SlotStartDatetime, std::int32_t varid, std::string& comment_out,
                   core::Value* AUDITUSER = nullptr, core::Value* AUDITTIMESTAMP = nullptr);
  // Seeks the slot's value. With no row NoMatch becomes True and every output keeps what the
  // caller put there; with one, DateOut is the instant stored, TEXTVALUE and AUDITUSER come
  // back trimmed ("" for Null), AUDITTIMESTAMP is the zero date for Null, STATUS and FORCED are
  // as stored.
  void SeekData(core::Date SlotStartDatetime, std::int32_t varid, core::Date& DateOut, double& value,
                std::string& TEXTVALUE, core::Value* AUDITUSER = nullptr, core::Value* AUDITTIMESTAMP = nullptr,
                core::Value* STATUS = nullptr, core::Value* FORCED = nullptr);
  void DeleteData(core::Date SlotStartDatetime, std::int32_t varid);
  // Stores the slot's value at NewDateTime, replacing whatever the slot held; Guard is the
  // value's own audit user.
  void WriteData(core::Date SlotStartDatetime, core::Date NewDateTime, std::int32_t varid, double value,
                 const std::string& TEXTVALUE, const std::string& Guard, std::int32_t STATUS = 0);
  // Rewrites the value of the slot holding DateTimeStamp with a new status (module audit user).
  // Nothing is written when the slot is empty or has that status already; errors end it quietly.
  void SetStatus(core::Date DateTimeStamp, std::int32_t varid, std::int32_t STATUS);
  void SetForced(core::Date DateTimeStamp, std::int32_t varid, std::int32_t FORCED);

  bool NoMatch() const { return noMatch_; }
  // -1 and 0 until ConnectTo.
  std::int32_t GetCurrentIntervalsInDay() const { return intervalsInDay_; }
  std::int32_t GetMinutesPerInterval() const { return minutesPerInterval_; }
  // The suffix of the procedures in use ("" until ConnectTo).
  const std::string& Suffix() const { return suffix_; }
  // The suffix ConnectTo would bind for that many intervals per day (error 11 for 0).
  static std::string SuffixFor(std::int32_t IntervalsInDay);

  // The start of the slot of the bound interval length that holds DateTime. The time is read to
  // the whole second, as its text shows it, so 23:59:59.7 already belongs to the next day;
  // seconds themselves never count (10:44:59 starts a 15-minute slot at 10:30).
  core::Date GetSlotStartDateTime(core::Date DateTime) const;

  // The GetNthRecord-th value (from 1; less than 1 counts as 1) stored for the variable from
  // SlotStartDatetime to SlotEndDatetime, both given by the caller. Outputs as for SeekData.
  void SeekNext(core::Date SlotStartDatetime, core::Date SlotEndDatetime, std::int32_t varid, core::Date& DateOut,
                double& value, std::string& TEXTVALUE, std::int32_t GetNthRecord = 1, core::Value* AUDITUSER = nullptr,
                core::Value* AUDITTIMESTAMP = nullptr, core::Value* STATUS = nullptr, core::Value* FORCED = nullptr);

 private:
  struct Binding {
    std::string suffix;
    std::int32_t minutes;
  };
  static Binding BindingFor(std::int32_t IntervalsInDay);
  core::Date SlotEnd(core::Date slotStart) const;
  void RequireConnected() const;

  std::int32_t intervalsInDay_ = -1;
  std::int32_t minutesPerInterval_ = 0;
  std::string suffix_;
  bool connected_ = false;
  bool noMatch_ = true;
  ProcedureCommand::OnDemand write_;
  ProcedureCommand::OnDemand seek_;
  ProcedureCommand::OnDemand seekNext_;
  ProcedureCommand::OnDemand delete_;
  ProcedureCommand::OnDemand setForced_;
  ProcedureCommand::OnDemand seekComment_;
  ProcedureCommand::OnDemand writeComment_;
  ProcedureCommand::OnDemand deleteComment_;
};
