#pragma once

#include <cstdint>
#include <string>

#include "core/Date.h"

namespace platform::db {
class Connection;
}

// One row of the root schema's g2_server_run table: the last run of one collector for one
// facility, with the audit user, workstation, network user, addresses and program folder
// recorded with it. The last-run viewer reads each facility's row and writes edited dates back.
//
// The object keeps the values of the last row it read; it holds no connection: the caller owns
// and opens the root-schema connection handed to each call. The facility id travels as a bound
// parameter, so any text is looked up as it stands.
class CommonLastRunReadWrite {
 public:
  // The last run read, in the general date form ("3/10/2024 9:30:00 AM"); "" before any read.
  std::string LastRun() const;
  const std::string& AUDITUSER() const { return auditUser_; }
  const std::string& FacilityID() const { return facilityID_; }
  const std::string& WorkStation() const { return workStation_; }
  const std::string& NetUser() const { return netUser_; }
  const std::string& IP() const { return ip_; }
  const std::string& LocalPath() const { return localPath_; }

  // The collector used by calls that name none (0 at creation).
  std::int32_t InterfaceID() const { return interfaceID_; }
  void InterfaceID(std::int32_t id) { interfaceID_ = id; }

  // Sets the collector's last run for the facility to l, adding the row (collector, facility
  // and last run only) when there is none; the row's other columns are left as they are. An
  // interface_id of 0 means InterfaceID. False when the collector is 0 (nothing is touched) or
  // the statement fails.
  bool SetLastRunDate(const std::string& facilID, core::Date l, platform::db::Connection& aCNN,
                      std::int32_t interface_id = 0);

  // Reads the collector's row for the facility into the values above (and l, when given,
  // receives the last run). False when the collector is 0, there is no row (the values keep
  // those of the previous read), or reading fails (a Null last run among them).
  bool ReadLastRunInfo(const std::string& facilID, platform::db::Connection& aCNN, core::Date* l = nullptr,
                       std::int32_t interface_id = 0);

 private:
  std::int32_t Collector(std::int32_t interface_id) const { return interface_id != 0 ? interface_id : interfaceID_; }

  std::int32_t interfaceID_ = 0;
  bool hasLastRun_ = false;
  core::Date lastRun_;
  std::string auditUser_, facilityID_, workStation_, netUser_, ip_, localPath_;
};
