#include "import/model/CommonLastRun.h"

#include <exception>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/NetInfo.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "import/model/KrymSchemaOpener.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

using platform::db::Command;
using platform::db::Connection;
using platform::db::Recordset;

namespace {

void Log(const std::string& text) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, 0);
}

std::string ConfigItem(const std::string& key) {
  QALConfiguration* config = Program().config;
  if (!config) core::Raise(91, "CommonLastRun");
  return config->item(key);
}

Command TextCommand(Connection& cnn, const std::string& sql) {
  Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandType(platform::db::adCmdText);
  cmd.CommandText(sql);
  return cmd;
}

void AddText(Command& cmd, const std::string& name, const std::string& value) {
  cmd.CreateParameter(name, platform::db::adVarWChar, platform::db::adParamInput, 0, core::Value(value));
}

}  // namespace

CommonLastRun::CommonLastRun() : defaultStart_(Program().clock->Now()), defaultEnd_(defaultStart_) {}

bool CommonLastRun::ReadVornKrym(std::int32_t interface_id, Connection& aRootCNN) {
  try {
    lastRuns_ = HashTable();
    lastRuns_.SetSize(2048);
    // Interactive runs choose their dates themselves.
    if (!Program().isNTService) return true;
    Recordset rs;
    rs.Open("Select Filename,lastrun from g2_server_run where interface_id = " + std::to_string(interface_id),
            aRootCNN);
    for (; !rs.Eof(); rs.MoveNext()) {
      const std::string file = rs.Fields("Filename").Value().ToString();  // a Null name raises
      const std::string lastRun = rs.Fields("lastrun").Value().Text();
      lastRuns_.Add(file, core::Value(lastRun));
      Log("Last Run Date for facility " + core::OutsideText(file) + " was detected to be " +
          core::OutsideText(lastRun));
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool CommonLastRun::ReadVornKrymFacilLockDates(const std::string& RequestedFacilityTilda) {
  for (const std::string& facility : core::Split(RequestedFacilityTilda, "~")) {
    core::Date lockDate;
    if (!ReadFacilityLockDate(facility, lockDate)) return false;
    lockDates_.Add(facility, core::Value(lockDate));
  }
  return true;
}

bool CommonLastRun::ReadFacilityLockDate(const std::string& facilityID, core::Date& lockDate) const {
  // A facility that never set a lock date accepts everything from 1970 on.
  lockDate = core::Date::FromParts(1970, 1, 1);
  try {
    Connection cnn;
    if (KrymSchemaOpener::Standard().Open(cnn, facilityID) != KrymSchemaOpener::Outcome::Opened) return false;
    Recordset rs;
    rs.Open("Select curvalue from Settings Where Setting = 'LockDate'", cnn);
    if (!rs.Eof()) {
      const core::Value v = rs.Fields("curvalue").Value();
      if (!v.IsNull()) lockDate = v.ToDate();
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

core::Date CommonLastRun::LockDate(const std::string& FacilityID) const {
  return lockDates_.item(core::UCase(FacilityID)).ToDate();
}

core::Date CommonLastRun::startdate(const std::string& FacilityID) {
  const std::string key = core::UCase(FacilityID);
  if (!lastRuns_.Exists(key)) lastRuns_.Add(key, core::Value(core::Value(defaultStart_).ToString()));
  const core::Date start = lastRuns_.item(key).ToDate();
  const core::Date lock = LockDate(FacilityID);
  return start < lock ? lock : start;
}

core::Date CommonLastRun::enddate(const std::string&) const { return defaultEnd_; }

bool CommonLastRun::ViolatesLockDate(const std::string& FacilityID) const {
  return LockDate(FacilityID) > enddate(FacilityID);
}

bool CommonLastRun::PersistLastRunDate(std::int32_t interface_id, const std::string& facilID, core::Date l) {
  try {
    NetInfo host;
    host.GetNetInfo();
    Connection cnn;
    if (KrymSchemaOpener::Standard().Open(cnn, "QALROOT") != KrymSchemaOpener::Outcome::Opened) return false;

    Command find = TextCommand(cnn,
                               "Select AUDITUSER,AUDITTIMESTAMP,interface_id,FileName,LASTRUN,WorkStation,NetUser,IP,"
                               "LOCALPATH from g2_server_run where interface_id = ? and filename=?");
    find.CreateParameter("interface_id", platform::db::adInteger, platform::db::adParamInput, 0,
                         core::Value(interface_id));
    AddText(find, "filename", facilID);
    Recordset rs;
    rs.Open(find);
    const bool exists = !rs.Eof();
    rs.Close();

    // Recordsets here are read-only copies, so the row is written with a statement of its own.
    Command write = TextCommand(
        cnn, exists ? "UPDATE g2_server_run SET AUDITUSER = ?, AUDITTIMESTAMP = ?, interface_id = ?, "
                      "FileName = ?, LASTRUN = ?, WorkStation = ?, NetUser = ?, IP = ?, LOCALPATH = ? "
                      "WHERE interface_id = ? AND filename = ?"
                    : "INSERT INTO g2_server_run (AUDITUSER, AUDITTIMESTAMP, interface_id, FileName, LASTRUN, "
                      "WorkStation, NetUser, IP, LOCALPATH) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    AddText(write, "AUDITUSER", CommonGlobals::GetAuditUserName());
    write.CreateParameter("AUDITTIMESTAMP", platform::db::adDate, platform::db::adParamInput, 0,
                          core::Value(Program().clock->Now()));
    write.CreateParameter("interface_id", platform::db::adInteger, platform::db::adParamInput, 0,
                          core::Value(interface_id));
    AddText(write, "FileName", facilID);
    write.CreateParameter("LASTRUN", platform::db::adDate, platform::db::adParamInput, 0, core::Value(l));
    AddText(write, "WorkStation", host.WorkStation());
    AddText(write, "NetUser", host.NetUser());
    AddText(write, "IP", host.IPAddrs());
    AddText(write, "LOCALPATH", Program().app.Path);
    if (exists) {
      write.CreateParameter("key_interface_id", platform::db::adInteger, platform::db::adParamInput, 0,
                            core::Value(interface_id));
      AddText(write, "key_filename", facilID);
    }
    write.Execute();

    Log("Updated Last Run Date for facility " + core::OutsideText(facilID) + " to " + core::Value(l).ToString());
    if (ConfigItem("OPTIONS\\AUTOMATED_IMPORT\\SUBMIT_CALC_REQUEST") == "YES") SubmitCalcRequest(cnn, facilID, l);
    cnn.Close();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void CommonLastRun::SubmitCalcRequest(Connection& cnn, const std::string& facilityID, core::Date L) {
  try {
    core::Date start = startdate(facilityID).DatePart();
    const std::int32_t shift = core::Value(ConfigItem("OPTIONS\\AUTOMATED_IMPORT\\STARTDATE_SHIFT_MINUTE")).ToLong();
    if (shift != 0) start = core::DateAdd("n", shift, start);

    Command add = TextCommand(cnn,
                              "INSERT INTO CALCQUEUE (status, vlist, datestart, dateend, facility, audituser) "
                              "VALUES (?, ?, ?, ?, ?, ?)");
    add.CreateParameter("status", platform::db::adInteger, platform::db::adParamInput, 0, core::Value(std::int32_t{0}));
    AddText(add, "vlist", "");
    add.CreateParameter("datestart", platform::db::adDate, platform::db::adParamInput, 0, core::Value(start));
    add.CreateParameter("dateend", platform::db::adDate, platform::db::adParamInput, 0, core::Value(L));
    AddText(add, "facility", facilityID);
    AddText(add, "audituser", CommonGlobals::GetAuditUserName());
    add.Execute();

    Log("Submitted Calc Request for facility " + core::OutsideText(facilityID) + " for dates from " +
        core::Format(start, "mm/dd/yyyy HH:nn:ss") + " to " + core::Format(L, "mm/dd/yyyy HH:nn:ss"));
  } catch (const std::exception&) {
    // A request that cannot be made leaves the last run written.
  }
}
