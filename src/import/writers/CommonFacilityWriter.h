#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Date.h"

class HashTable;

namespace platform::db {
class Connection;
}

// Writes into one facility's Krym database: values (to the daily table or to the variable's
// interval table), value comments and operator notes (the logbook). It refuses values dated
// before the facility's lock date and never overwrites a stored value whose approval status is
// higher than the one it writes with. After each write the caller reads what happened from the
// result flags.
//
// The import creates one writer per facility and sets its facility id, lock date and test mode.
// The writer owns the facility connection: it opens it at the first write (from the target
// settings of the configuration), checks it before every write, and closes it when it is
// destroyed or DestroyConnection is called. In test mode seeks still run but no value, comment
// or additional information is sent; logbook notes are written in test mode too.
//
// Every write reports failure as false and says why in LastFailure. The one exception: a
// second-type variable, whose slots per day do not fit, raises the overflow error of
// VarTypeFunctions::GetSlotsPerDay to the caller.
class CommonFacilityWriter {
 public:
  CommonFacilityWriter();
  ~CommonFacilityWriter();
  CommonFacilityWriter(const CommonFacilityWriter&) = delete;
  CommonFacilityWriter& operator=(const CommonFacilityWriter&) = delete;

  // What the last value write did: sent to the database (never in test mode), accepted (sent,
  // or would have been in test mode), refused (before the lock date, or the stored row has a
  // higher approval status), the date stamp used (0 when nothing was attempted), and the
  // additional-information fields handled and stored. After a logbook note, LastWriteSkipped
  // tells that the note was already there and nothing was added.
  bool LastWritePhysical() const { return lastWritePhysical_; }
  void LastWritePhysical(bool value) { lastWritePhysical_ = value; }
  bool LastWriteLogical() const { return lastWriteLogical_; }
  void LastWriteLogical(bool value) { lastWriteLogical_ = value; }
  bool LastWriteSkipped() const { return lastWriteSkipped_; }
  void LastWriteSkipped(bool value) { lastWriteSkipped_ = value; }
  core::Date LastWriteDateStamp() const { return lastWriteDateStamp_; }
  void LastWriteDateStamp(core::Date value) { lastWriteDateStamp_ = value; }
  std::int16_t LastWriteAInfoLogical() const { return lastWriteAInfoLogical_; }
  void LastWriteAInfoLogical(std::int16_t value) { lastWriteAInfoLogical_ = value; }
  std::int16_t LastWriteAInfoPhysical() const { return lastWriteAInfoPhysical_; }
  void LastWriteAInfoPhysical(std::int16_t value) { lastWriteAInfoPhysical_ = value; }

  // Why the last value or logbook write returned false, as platform::db::ClassifyFailure tells
  // it from the error's codes. Link: transient (the facility connection could not be had or was
  // lost, a timeout, a deadlock, a read-only standby, a server going down or out of resources);
  // it may heal once the connection is opened again. Structure: Krym's structure refused it (a
  // procedure, table or column missing, a permission refused, a parameter list that no longer
  // fits); nothing sent through that procedure can succeed until Krym is mended. Refused: any
  // other error the database answered with (a constraint, an error raised by a procedure, a
  // stored row that cannot be read): most likely the value's; whether the link is really still
  // there is for the caller to check (ConnectionAlive). procedure names the procedure or table
  // whose call failed ("" when none was reached), code is the SQLSTATE (the error number when the
  // error has none) and message the database's own words.
  struct Failure {
    enum class Kind { None, Link, Structure, Refused };
    Kind kind = Kind::None;
    std::string procedure;
    std::string code;
    std::string message;
  };
  const Failure& LastFailure() const { return lastFailure_; }

  // The procedures a value of VarType goes through: its seek and its write.
  struct ValueProcedureNames {
    std::string seek;
    std::string write;
  };
  static ValueProcedureNames ValueProcedures(const std::string& VarType);
  // The table the operator notes are written to, as LastFailure names it.
  static constexpr const char* kLogbookTable = "logbookentries";

  void TestMode(bool on) { testMode_ = on; }
  void facilID(const std::string& id) { facilID_ = id; }
  void LockDate(core::Date d) { lockDate_ = d; }

  // Closes the facility connection (errors ignored); the next write opens a new one.
  void DestroyConnection();
  // True when the facility connection exists and answers a query.
  bool ConnectionAlive();

  // Writes a value of a variable of type VarType for the slot holding DateStamp (the day, for a
  // daily type) with approval status DataApproval and audit user Guard. ainfo, when given and
  // not empty, holds additional-information fields (column name to value) stored beside an
  // accepted value; their failure is only logged. False when no facility id or lock date is set,
  // the connection cannot be had, or the database refused the write.
  bool WriteToVornKrym(const std::string& VarType, std::int32_t varid, core::Date DateStamp, double value,
                       const std::string& TEXTVALUE, std::int32_t DataApproval, const HashTable* ainfo,
                       const std::string& Guard);
  // Writes a comment for the slot holding DateStamp, cut to its first 2000 characters, with the
  // module audit user. Comments have no approval check.
  bool WriteCOMtoVornKrym(const std::string& VarType, std::int32_t varid, core::Date DateStamp, std::string comment);
  // Adds an operator note to the facility's logbook InLogBookID (when that logbook does not
  // exist, to InDefaultLogBookId, else to logbook 0), unless the same note is already stored
  // there for that date. A blank note writes nothing. Written in test mode too.
  bool WriteToLogbook(std::int32_t InLogBookID, core::Date InDateStamp, core::Date InTimeStamp,
                      const std::string& InComment, const std::int32_t& InDefaultLogBookId, const std::string& InGuard);

 private:
  void ResetResult();
  void Failed(const std::exception& e, const std::string& procedure);
  void NoLink(const std::string& why);
  bool CanWrite();
  bool EnsureConnection();
  bool WriteDaily(std::int32_t varid, core::Date DateStamp, double value, const std::string& TEXTVALUE,
                  std::int32_t DataApproval, const std::string& Guard);
  bool WriteInterval(std::int32_t intervals, std::int32_t varid, core::Date DateStamp, double value,
                     const std::string& TEXTVALUE, std::int32_t DataApproval, const std::string& Guard);
  bool WriteToVornKrymainfo(const std::string& VarType, std::int32_t varid, core::Date DateStamp,
                            const HashTable& ainfo);
  bool BeforeLockDate(core::Date stamp) const;
  void Skipped(core::Date stamp);
  void Accepted(core::Date stamp, bool sent);
  bool LogbookExists(std::int32_t id);

  bool lastWritePhysical_ = false;
  bool lastWriteLogical_ = false;
  bool lastWriteSkipped_ = false;
  core::Date lastWriteDateStamp_;
  std::int16_t lastWriteAInfoLogical_ = 0;
  std::int16_t lastWriteAInfoPhysical_ = 0;
  Failure lastFailure_;

  std::string facilID_ = "0";
  core::Date lockDate_;
  bool testMode_ = false;
  std::unique_ptr<platform::db::Connection> cnn_;  // none until the first write
};
