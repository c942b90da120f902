#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Date.h"
#include "foundation/HashTable.h"
#include "import/model/CommonLastRun.h"

namespace platform::db {
class Connection;
}

// One collector (a g2_server row of the Krym root schema, named by its interface_id): its
// record (name, state, write-as user, time zone, date adjustment) and the set of Krym variables
// linked to it, kept per facility and walked facility by facility and, within a facility,
// variable by variable with two cursors.
//
// A variable belongs to the set when its facility's vardesc row names the collector and is
// enabled (G2_Enabled = -1). ReadVornKrym gathers them from every facility; a set can also be
// built by hand with ADHOCAddVariable. The walk follows the id table's key order (the hash
// table's bucket order), not the order in which facilities were read; call MoveFirst before
// walking.
//
// FacilityNames, FacilityAInfoFields and LastRunSettings are shared objects: assigning one hands
// the same object to another gatherer (the variable picker's result shares the session's).
// Connections passed in stay the caller's; facility connections of its own are opened and
// closed inside each call.
class CommonVarGatherer {
 public:
  CommonVarGatherer();

  // Facility id (filename trimmed, upper case) -> the facility's name ("" for Null); every
  // facility the last ReadVornKrym read, with or without variables.
  std::shared_ptr<HashTable> FacilityNames() const { return facilityNames_; }
  void FacilityNames(std::shared_ptr<HashTable> table) { facilityNames_ = std::move(table); }
  // Facility id -> a table of its additional-information columns; the gathering leaves it empty.
  std::shared_ptr<HashTable> FacilityAInfoFields() const { return facilityAInfoFields_; }
  void FacilityAInfoFields(std::shared_ptr<HashTable> table) { facilityAInfoFields_ = std::move(table); }
  std::shared_ptr<CommonLastRun> LastRunSettings() const { return lastRunSettings_; }
  void LastRunSettings(std::shared_ptr<CommonLastRun> lastRun) { lastRunSettings_ = std::move(lastRun); }

  // Gathers the collector's variables from every facility of the root schema (only the one
  // named by OPTIONS\NOIU\LIMITFACILITY when that is set), adding to the ids already held. A
  // facility whose schema cannot be read adds nothing (or what it read before the failure) and
  // is listed in UngatheredFacilities. False when the facility query fails or names a facility
  // twice; the ids added so far stay.
  bool ReadVornKrym(std::int32_t interface_id, platform::db::Connection& aRootCNN);
  // The facilities the last ReadVornKrym could not read whole (schema not opened, settings
  // unusable, query failed), in the order met. Their variables are missing from the set, so an
  // import must not move the last imported id past answers that may be theirs.
  const std::vector<std::string>& UngatheredFacilities() const { return ungathered_; }
  // Why an ungathered facility could not be read: the driver's or the program's error text
  // (as it stands; a log line quotes it through core::OutsideText), "" when none is known.
  std::string UngatheredReason(const std::string& facilityID) const;
  // Adds one variable (the facility id is upper-cased); an id the facility already holds is
  // not added again. Always True.
  bool ADHOCAddVariable(const std::string& FacilityID, std::int32_t varid);
  // Forgets every id (the walk's snapshot, FacilityNames and the collector record stay).
  void Clear();

  std::int32_t TotalFacility() const { return ids_.Count(); }
  std::int32_t TotalVariable() const { return variableCount_; }

  // The walk. Current_Facility and Current_Variable raise error 9 when their cursor is at no entry.
  void MoveFirst();
  bool EOF_Facility() const;
  bool EOF_Variable() const;
  void MoveNext_Facility();
  void MoveNext_Variable();
  std::string Current_Facility() const;
  std::int32_t Current_Variable() const;

  // Reads the collector's g2_server row and its time-zone offsets. False when there is no row
  // (the record keeps its values) or a column cannot be read (Null enabled, time zone or date
  // adjustment): the fields read before it keep their new values.
  bool ReadAboutCollector(std::int32_t interface_id, platform::db::Connection& aRootCNN);

  double CollectorDateAdjust() const { return collectorDateAdjust_; }
  std::int32_t CollectorTimeZoneID() const { return collectorTimeZoneID_; }
  std::int32_t CollectorID() const { return collectorID_; }
  core::Date CollectorChangedTimeStamp() const { return collectorChangedTimeStamp_; }
  const std::string& CollectorChangedAuditUSer() const { return collectorChangedAuditUser_; }
  const std::string& CollectorWriteAsUser() const { return collectorWriteAsUser_; }
  const std::string& CollectorName() const { return collectorName_; }
  const std::string& CollectorDescription() const { return collectorDescription_; }
  bool CollectorEnabled() const { return collectorEnabled_; }
  // Minutes east of UTC: the collector's zone now, and this machine's zone.
  double CollectorTimeZoneOffset() const { return collectorTimeZoneOffset_; }
  double InterfaceTimezoneOffset() const { return interfaceTimezoneOffset_; }

  // Copies the collector record of x (not its ids, tables or last-run settings).
  void CopyCollectorInfo(const CommonVarGatherer& x);

  // Fills columns with the additional-information columns of the facility table DATATBL_I
  // on cnn (a facility connection), by the program's Krym database type: upper-case column
  // name -> upper-case type, TAB, and the length for text types. The table is emptied first.
  // False when the catalog cannot be read.
  bool ReadDatatblIColumns(platform::db::Connection& cnn, HashTable& columns) const;

 private:
  double GetLocalTimeZoneBias() const;
  double GetCollectorTimeZoneOffset(std::int32_t timeZoneID, platform::db::Connection& cnn);
  bool IsVarInList(const std::string& list, std::int32_t varid) const;
  void GatherFacilityVariables(const std::string& facilityID, std::int32_t interface_id);
  void LoadFacilityIds(std::size_t facility);

  std::shared_ptr<HashTable> facilityNames_;
  std::shared_ptr<HashTable> facilityAInfoFields_;
  std::shared_ptr<CommonLastRun> lastRunSettings_;

  HashTable ids_;  // facility id -> ",id,id,..." in the order added
  std::int32_t variableCount_ = 0;
  std::int32_t facilityCursor_ = -1;
  std::int32_t variableCursor_ = -1;
  std::vector<std::string> facilitySnapshot_;
  std::vector<std::string> currentIds_;
  std::vector<std::string> ungathered_;
  std::map<std::string, std::string> ungatheredReasons_;

  std::string collectorName_, collectorDescription_, collectorWriteAsUser_, collectorChangedAuditUser_;
  bool collectorEnabled_ = false;
  core::Date collectorChangedTimeStamp_;
  std::int32_t collectorID_ = 0;
  std::int32_t collectorTimeZoneID_ = 0;
  double collectorDateAdjust_ = 0;
  double collectorTimeZoneOffset_ = 0;
  double interfaceTimezoneOffset_ = 0;
};
