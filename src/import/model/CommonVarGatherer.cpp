#include "import/model/CommonVarGatherer.h"

#include <exception>

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/model/KrymSchemaOpener.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/os/TimeZoneInfo.h"

using platform::db::Command;
using platform::db::Connection;
using platform::db::Recordset;

namespace {

constexpr std::int32_t kExclamation = 48;

const char* const kOracleColumns =
    "SELECT column_name name, data_type type, data_length length FROM user_tab_columns WHERE "
    "table_name='DATATBL_I' and column_name <> 'AUDITUSER' and column_name <> 'AUDITTIMESTAMP' and "
    "column_name <> 'DATESTAMP' and column_name  <> 'VARID'";
const char* const kSqlServerColumns =
    "SELECT c.name, t.name type, c.length FROM syscolumns c, systypes t, sysobjects o WHERE o.name = "
    "'DATATBL_I' AND o.id = c.id AND c.xtype = t.xtype and c.name <> 'AUDITUSER' and c.name <> "
    "'AUDITTIMESTAMP' and c.name <> 'DATESTAMP' and c.name <> 'VARID' and t.name <> 'sysname' order by c.id";

[[noreturn]] void NoEntry(const char* what) { core::Raise(core::err::kSubscript, what); }

// An error as the program quotes it: number & " - " & description.
std::string ErrorText(const std::exception& e) {
  if (const auto* rt = dynamic_cast<const core::RuntimeError*>(&e))
    return std::to_string(rt->Number()) + " - " + rt->Description();
  return e.what();
}

}  // namespace

CommonVarGatherer::CommonVarGatherer()
    : facilityNames_(std::make_shared<HashTable>()),
      facilityAInfoFields_(std::make_shared<HashTable>()),
      lastRunSettings_(std::make_shared<CommonLastRun>()) {}

bool CommonVarGatherer::ReadVornKrym(std::int32_t interface_id, Connection& aRootCNN) {
  try {
    // A second gathering adds to the ids of the first; only the tables start again.
    facilityNames_ = std::make_shared<HashTable>();
    facilityAInfoFields_ = std::make_shared<HashTable>();
    ungathered_.clear();
    ungatheredReasons_.clear();

    ProgramContext& ctx = Program();
    if (!ctx.config) core::Raise(91, "CommonVarGatherer.ReadVornKrym");
    const std::string limit = ctx.config->item("OPTIONS\\NOIU\\LIMITFACILITY");
    Command query;
    query.ActiveConnection(aRootCNN);
    query.CommandType(platform::db::adCmdText);
    if (limit.empty()) {
      query.CommandText("Select upper(filename),name from Facility order by upper(filename)");
    } else {
      if (ctx.logger) ctx.logger->WriteLog("Limiting gathering variables to facility: " + core::UCase(limit), 1);
      // The setting is a bound value, never part of the statement: whatever it holds, it can
      // only name a facility.
      query.CommandText("Select upper(filename),name from Facility where upper(filename) = ? order by upper(filename)");
      query.CreateParameter("filename", platform::db::adVarWChar, platform::db::adParamInput, 0,
                            core::Value(core::UCase(limit)));
    }
    Recordset rs;
    rs.Open(query);
    for (; !rs.Eof(); rs.MoveNext()) {
      const std::string facility = core::UCase(core::Trim(rs.Fields(0).Value().Text()));
      GatherFacilityVariables(facility, interface_id);
      facilityNames_->Add(facility, core::Value(rs.Fields(1).Value().Text()));
    }
    collectorID_ = interface_id;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string CommonVarGatherer::UngatheredReason(const std::string& facilityID) const {
  const auto it = ungatheredReasons_.find(facilityID);
  return it == ungatheredReasons_.end() ? std::string() : it->second;
}

void CommonVarGatherer::GatherFacilityVariables(const std::string& facilityID, std::int32_t interface_id) {
  Connection cnn;
  const KrymSchemaOpener::Outcome outcome = KrymSchemaOpener::Standard().Open(cnn, facilityID);
  if (outcome == KrymSchemaOpener::Outcome::NoSettings) {
    if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(KrymSchemaOpener::kNoSettingsMessage, kExclamation);
    ungathered_.push_back(facilityID);
    ungatheredReasons_[facilityID] = KrymSchemaOpener::kNoSettingsMessage;
    return;
  }
  if (outcome != KrymSchemaOpener::Outcome::Opened) {
    ungathered_.push_back(facilityID);
    // The failed open keeps its errors on the connection.
    std::string reason;
    for (const platform::db::DbError& e : cnn.Errors()) reason += (reason.empty() ? "" : "; ") + e.Text();
    ungatheredReasons_[facilityID] = reason;
    return;
  }
  try {
    Recordset rs;
    rs.Open("Select Varid from Vardesc where G2_Interface_ID = " + std::to_string(interface_id) +
                " and G2_Enabled = -1 order by varid",
            cnn);
    for (; !rs.Eof(); rs.MoveNext()) ADHOCAddVariable(facilityID, rs.Fields("Varid").Value().ToLong());
  } catch (const std::exception& e) {
    // An unreadable facility contributes what was read before the failure; the others go on.
    ungathered_.push_back(facilityID);
    ungatheredReasons_[facilityID] = ErrorText(e);
  }
}

bool CommonVarGatherer::IsVarInList(const std::string& list, std::int32_t varid) const {
  // Whole ids only: ",123," holds 123 but not 12.
  return (list + ",").find("," + std::to_string(varid) + ",") != std::string::npos;
}

bool CommonVarGatherer::ADHOCAddVariable(const std::string& FacilityID, std::int32_t varid) {
  const std::string key = core::UCase(FacilityID);
  if (ids_.Exists(key)) {
    const std::string list = ids_.item(key).Text();
    if (IsVarInList(list, varid)) return true;
    ids_.item(key, core::Value(list + "," + std::to_string(varid)));
  } else {
    ids_.Add(key, core::Value("," + std::to_string(varid)));
  }
  ++variableCount_;
  return true;
}

void CommonVarGatherer::Clear() {
  ids_.RemoveAll();
  variableCount_ = 0;
}

void CommonVarGatherer::LoadFacilityIds(std::size_t facility) {
  // The snapshot may be shorter than the id table when ids were added after MoveFirst.
  if (facility >= facilitySnapshot_.size()) NoEntry("CommonVarGatherer.MoveNext_Facility");
  const std::string list = ids_.item(facilitySnapshot_[facility]).Text();
  currentIds_ = core::Split(core::Mid(list, 2), ",");
}

void CommonVarGatherer::MoveFirst() {
  facilityCursor_ = -1;
  variableCursor_ = -1;
  if (variableCount_ == 0) return;
  facilitySnapshot_ = ids_.Keys();
  facilityCursor_ = 0;
  variableCursor_ = 0;
  LoadFacilityIds(0);
}

bool CommonVarGatherer::EOF_Facility() const { return facilityCursor_ == -1 || facilityCursor_ >= ids_.Count(); }

bool CommonVarGatherer::EOF_Variable() const {
  return variableCursor_ == -1 || variableCursor_ >= static_cast<std::int32_t>(currentIds_.size());
}

void CommonVarGatherer::MoveNext_Variable() {
  if (variableCursor_ != -1) ++variableCursor_;
}

void CommonVarGatherer::MoveNext_Facility() {
  if (facilityCursor_ == -1) return;
  if (facilityCursor_ < ids_.Count() - 1) {
    ++facilityCursor_;
    LoadFacilityIds(static_cast<std::size_t>(facilityCursor_));
    variableCursor_ = 0;
  } else {
    ++facilityCursor_;  // past the end; the last facility's ids stay loaded
  }
}

std::string CommonVarGatherer::Current_Facility() const {
  if (facilityCursor_ < 0 || facilityCursor_ >= static_cast<std::int32_t>(facilitySnapshot_.size()))
    NoEntry("CommonVarGatherer.Current_Facility");
  return core::UCase(facilitySnapshot_[static_cast<std::size_t>(facilityCursor_)]);
}

std::int32_t CommonVarGatherer::Current_Variable() const {
  if (variableCursor_ < 0 || variableCursor_ >= static_cast<std::int32_t>(currentIds_.size()))
    NoEntry("CommonVarGatherer.Current_Variable");
  return core::Value(currentIds_[static_cast<std::size_t>(variableCursor_)]).ToLong();
}

bool CommonVarGatherer::ReadAboutCollector(std::int32_t interface_id, Connection& aRootCNN) {
  try {
    Recordset rs;
    rs.Open(
        "Select audituser, audittimestamp, name,description,enabled,override_audituser,collector_dateadjust, "
        "collector_qaltimezoneid from g2_server where interface_id=" +
            std::to_string(interface_id),
        aRootCNN);
    if (rs.Eof()) return false;
    auto text = [&rs](const char* column) { return core::Trim(rs.Fields(column).Value().Text()); };
    collectorName_ = text("name");
    collectorDescription_ = text("description");
    collectorEnabled_ = rs.Fields("enabled").Value().ToBool();
    collectorWriteAsUser_ = text("override_audituser");
    collectorChangedAuditUser_ = text("audituser");
    const core::Value stamp = rs.Fields("audittimestamp").Value();
    collectorChangedTimeStamp_ = !stamp.IsNull() && stamp.IsDate() ? stamp.ToDate() : core::Date();
    collectorID_ = interface_id;
    collectorTimeZoneID_ = rs.Fields("collector_qaltimezoneid").Value().ToLong();
    collectorTimeZoneOffset_ = GetCollectorTimeZoneOffset(collectorTimeZoneID_, aRootCNN);
    collectorDateAdjust_ = rs.Fields("collector_dateadjust").Value().ToDouble();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

double CommonVarGatherer::GetLocalTimeZoneBias() const {
  const platform::os::TimeZoneInfo tz = platform::os::TimeZoneInfo::Current();
  double bias = -tz.Bias;
  if (tz.Result == platform::os::TimeZoneInfo::State::Daylight && tz.DaylightDate.Month != 0) bias -= tz.DaylightBias;
  return bias;
}

double CommonVarGatherer::GetCollectorTimeZoneOffset(std::int32_t timeZoneID, Connection& cnn) {
  double offset = 0;
  try {
    const core::Date now = Program().clock->Now();
    interfaceTimezoneOffset_ = GetLocalTimeZoneBias();
    Recordset rs;
    rs.Open(
        "select bias_standard, bias_daylight , start_standard, start_daylight from qaltimezone_bias where "
        "qaltimezoneid = " +
            std::to_string(timeZoneID) + " and yearid=" + std::to_string(now.Year()),
        cnn);
    if (rs.Eof()) return 0;
    auto negated = [&rs](const char* column) { return -rs.Fields(column).Value().ToDouble(); };
    const core::Value daylightStart = rs.Fields("start_daylight").Value();
    if (daylightStart.IsNull() || daylightStart.Text().empty()) return negated("bias_standard");
    const core::Date d = daylightStart.ToDate();
    const core::Date s = rs.Fields("start_standard").Value().ToDate();
    // A year whose standard time starts before its daylight time never reaches daylight time.
    offset = now >= d && now < s ? negated("bias_daylight") : negated("bias_standard");
  } catch (const std::exception&) {
    // The offset stays as it stood.
  }
  return offset;
}

void CommonVarGatherer::CopyCollectorInfo(const CommonVarGatherer& x) {
  collectorChangedAuditUser_ = x.collectorChangedAuditUser_;
  collectorChangedTimeStamp_ = x.collectorChangedTimeStamp_;
  collectorDateAdjust_ = x.collectorDateAdjust_;
  collectorDescription_ = x.collectorDescription_;
  collectorEnabled_ = x.collectorEnabled_;
  collectorID_ = x.collectorID_;
  collectorName_ = x.collectorName_;
  collectorTimeZoneID_ = x.collectorTimeZoneID_;
  collectorTimeZoneOffset_ = x.collectorTimeZoneOffset_;
  collectorWriteAsUser_ = x.collectorWriteAsUser_;
  interfaceTimezoneOffset_ = x.interfaceTimezoneOffset_;
}

bool CommonVarGatherer::ReadDatatblIColumns(Connection& cnn, HashTable& columns) const {
  try {
    columns.RemoveAll();
    Recordset rs;
    rs.Open(Program().dbType == 1 ? kOracleColumns : kSqlServerColumns, cnn);
    for (; !rs.Eof(); rs.MoveNext()) {
      const std::string name = rs.Fields(0).Value().Text();
      if (name.empty()) continue;
      const std::string type = core::UCase(rs.Fields(1).Value().Text());
      const bool sized = type == "VARCHAR2" || type == "VARCHAR" || type == "NVARCHAR" || type == "NVARCHAR2";
      columns.Add(core::UCase(name), core::Value(type + "\t" + (sized ? rs.Fields(2).Value().Text() : "")));
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}
