#include "import/model/CommonLastRunReadWrite.h"

#include <exception>

#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

using platform::db::Command;
using platform::db::Connection;
using platform::db::Recordset;

namespace {

void LogFailure(const std::string& what, const std::exception& e) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(what + ": " + e.what(), 0);
}

Command TextCommand(Connection& cnn, const std::string& sql) {
  Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandType(platform::db::adCmdText);
  cmd.CommandText(sql);
  return cmd;
}

// The row's key, the collector and the facility, as the statement's next two parameters.
void AddKey(Command& cmd, std::int32_t collector, const std::string& facilID) {
  cmd.CreateParameter("interface_id", platform::db::adInteger, platform::db::adParamInput, 0, core::Value(collector));
  cmd.CreateParameter("filename", platform::db::adVarWChar, platform::db::adParamInput, 255, core::Value(facilID));
}

void AddLastRun(Command& cmd, core::Date l) {
  cmd.CreateParameter("lastrun", platform::db::adDate, platform::db::adParamInput, 0, core::Value(l));
}

std::string TextOrEmpty(const Recordset& rs, const char* field) {
  const core::Value v = rs.Fields(field).Value();
  return v.IsNull() ? std::string() : v.Text();
}

}  // namespace

std::string CommonLastRunReadWrite::LastRun() const { return hasLastRun_ ? lastRun_.GeneralText() : std::string(); }

bool CommonLastRunReadWrite::SetLastRunDate(const std::string& facilID, core::Date l, Connection& aCNN,
                                            std::int32_t interface_id) {
  const std::int32_t collector = Collector(interface_id);
  if (collector == 0) return false;
  try {
    Command find = TextCommand(
        aCNN, "Select INTERFACE_ID, FILENAME, LASTRUN from g2_server_run where interface_id = ? and filename=?");
    AddKey(find, collector, facilID);
    Recordset rs;
    rs.Open(find);
    const bool exists = !rs.Eof();
    rs.Close();

    // Recordsets are read-only copies here, so the row is written by a statement of its own.
    Command write;
    if (exists) {
      write = TextCommand(aCNN, "UPDATE g2_server_run SET LASTRUN = ? WHERE interface_id = ? AND filename = ?");
      AddLastRun(write, l);
      AddKey(write, collector, facilID);
    } else {
      write = TextCommand(aCNN, "INSERT INTO g2_server_run (interface_id, FileName, LASTRUN) VALUES (?, ?, ?)");
      AddKey(write, collector, facilID);
      AddLastRun(write, l);
    }
    write.Execute();
    return true;
  } catch (const std::exception& e) {
    LogFailure("Unable to set the last run date of " + facilID, e);
    return false;
  }
}

bool CommonLastRunReadWrite::ReadLastRunInfo(const std::string& facilID, Connection& aCNN, core::Date* l,
                                             std::int32_t interface_id) {
  const std::int32_t collector = Collector(interface_id);
  if (collector == 0) return false;
  try {
    Command find = TextCommand(aCNN,
                               "Select AUDITUSER, FILENAME, LASTRUN, WORKSTATION, NETUSER, IP, LOCALPATH from "
                               "g2_server_run where interface_id = ? and filename=?");
    AddKey(find, collector, facilID);
    Recordset rs;
    rs.Open(find);
    if (rs.Eof() || rs.Bof()) return false;
    const core::Date lastRun = rs.Fields("LASTRUN").Value().ToDate();  // a Null last run raises
    if (l) *l = lastRun;
    lastRun_ = lastRun;
    hasLastRun_ = true;
    auditUser_ = TextOrEmpty(rs, "AUDITUSER");
    facilityID_ = TextOrEmpty(rs, "FILENAME");
    workStation_ = TextOrEmpty(rs, "WORKSTATION");
    netUser_ = TextOrEmpty(rs, "NETUSER");
    ip_ = TextOrEmpty(rs, "IP");
    localPath_ = TextOrEmpty(rs, "LOCALPATH");
    return true;
  } catch (const std::exception& e) {
    LogFailure("Unable to read the last run of " + facilID, e);
    return false;
  }
}
