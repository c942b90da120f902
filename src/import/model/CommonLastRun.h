#pragma once

#include <cstdint>
#include <string>

#include "core/Date.h"
#include "foundation/HashTable.h"

namespace platform::db {
class Connection;
}

// For one collector, two dates per facility: the facility's lock date (the row 'LockDate' of
// its schema's Settings table; Krym refuses changes stamped before it) and the date up to which
// the collector last ran for it (its g2_server_run row in the root schema); with the default
// start and end of an import's date range. Every CommonVarGatherer owns one (LastRunSettings).
//
// The object owns its two tables and holds no connection: a root connection handed to
// ReadVornKrym is only used during the call, facility and root connections of its own are
// opened and closed inside each call. Log lines go to the program's log; nothing here shows a
// message box.
class CommonLastRun {
 public:
  // DefaultStart and DefaultEnd start as the program clock's now.
  CommonLastRun();

  // Writes the facility's g2_server_run row (audit user and time, the host's workstation,
  // user and address, the program folder) and, when the key SUBMIT_CALC_REQUEST of
  // OPTIONS\AUTOMATED_IMPORT is "YES", a calculation request from the facility's start date
  // (shifted by STARTDATE_SHIFT_MINUTE) to l. False when the row cannot be written.
  bool PersistLastRunDate(std::int32_t interface_id, const std::string& facilID, core::Date l);

  // In service mode loads the collector's last run of every facility from the root schema
  // (the table is emptied first in either mode). False when the query fails or a file name
  // is Null or repeats.
  bool ReadVornKrym(std::int32_t interface_id, platform::db::Connection& aRootCNN);

  // Loads the lock dates of the facilities named in a "~"-separated list, in order. A facility
  // whose lock date cannot be read stops the load with False (those before it keep theirs). A
  // facility met twice, or already loaded, raises the table's duplicate-key error 457.
  bool ReadVornKrymFacilLockDates(const std::string& RequestedFacilityTilda);

  // The facility's last run, or DefaultStart when it has none (that default is kept for it
  // from then on), raised to its lock date when that is later. A last run stored as Null
  // raises the conversion error.
  core::Date startdate(const std::string& FacilityID);
  core::Date enddate(const std::string& FacilityID) const;
  // The facility's lock date; date 0 for a facility whose lock date was not loaded.
  core::Date LockDate(const std::string& FacilityID) const;
  // True when the lock date is later than the end date.
  bool ViolatesLockDate(const std::string& FacilityID) const;

  void DefaultStart(core::Date d) { defaultStart_ = d; }
  core::Date DefaultStart() const { return defaultStart_; }
  void DefaultEnd(core::Date d) { defaultEnd_ = d; }
  core::Date DefaultEnd() const { return defaultEnd_; }

 private:
  bool ReadFacilityLockDate(const std::string& facilityID, core::Date& lockDate) const;
  void SubmitCalcRequest(platform::db::Connection& cnn, const std::string& facilityID, core::Date L);

  core::Date defaultStart_;
  core::Date defaultEnd_;
  HashTable lastRuns_;   // g2_server_run filename -> lastrun as text ("" for Null)
  HashTable lockDates_;  // facility id -> lock date
};
