#include "import/writers/CommonFacilityWriter.h"

#include <exception>
#include <string_view>
#include <utility>
#include <vector>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/TimeUtils.h"
#include "import/model/VarTypeFunctions.h"
#include "import/writers/CommentsInt.h"
#include "import/writers/DataDDInt.h"
#include "import/writers/DatatblInt.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/DbException.h"
#include "platform/db/FailureClass.h"
#include "platform/db/Recordset.h"

using namespace platform::db;

namespace {

constexpr int kInternalError = 51;
constexpr int kObjectNotSet = 91;
constexpr std::size_t kCommentCharacters = 2000;
const char* const kAInfoSource = "CommonFacilityWriter.WriteToVornKrymainfo()";
// The daily table's procedures that a value goes through (DatatblInt).
const char* const kDailySeek = "seekddatevarid";
const char* const kDailyWrite = "writedtbl";

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* log = Program().logger) log->WriteLog(text, level);
}

int ErrorNumber(const std::exception& e) {
  const auto* rt = dynamic_cast<const core::RuntimeError*>(&e);
  return rt ? rt->Number() : kInternalError;
}

// The database's or driver's words, as a log line quotes them (they may echo a value).
std::string ErrorDescription(const std::exception& e) {
  const auto* rt = dynamic_cast<const core::RuntimeError*>(&e);
  return core::OutsideText(rt ? rt->Description() : std::string(e.what()));
}

// The first n characters of a UTF-8 text: a cut never splits a character.
std::string FirstCharacters(std::string text, std::size_t n) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continues a character
    if (chars++ == n) {
      text.resize(i);
      break;
    }
  }
  return text;
}

// Whether a stored row's status lets a value written with DataApproval replace it. A Null
// status compares with nothing, so such a row is kept.
bool ApprovalAllows(std::int32_t DataApproval, const core::Value& storedStatus) {
  return !storedStatus.IsNull() && !core::Value(DataApproval).Less(storedStatus);
}

// A column name as a quoted identifier, exactly as the database reported it.
std::string QuotedName(const std::string& name) { return "\"" + core::Replace(name, "\"", "\"\"") + "\""; }

// A field's text as a parameter for a column of the given type, converted here as the
// database's own assignment would (a text that is no number for a number column is error 13).
std::pair<DataTypeEnum, core::Value> ColumnValue(const std::string& text, DataTypeEnum type) {
  DataTypeEnum bindAs = adVarWChar;
  switch (type) {
    case adTinyInt:
    case adSmallInt:
    case adInteger:
      bindAs = adInteger;
      break;
    case adBigInt:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adNumeric:
      bindAs = adDouble;
      break;
    case adDate:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp:
      bindAs = adDate;
      break;
    case adBoolean:
      bindAs = adBoolean;
      break;
    default:
      break;
  }
  if (text.empty()) return {bindAs, core::Value::MakeNull()};
  const core::Value v(text);
  switch (bindAs) {
    case adInteger:
      return {bindAs, v.ToLong()};
    case adDouble:
      return {bindAs, v.ToDouble()};
    case adDate:
      return {bindAs, v.ToDate()};
    case adBoolean:
      return {bindAs, v.ToBool()};
    default:
      return {bindAs, v};
  }
}

struct ColumnSetting {
  std::string column;  // as it is written into the statement
  DataTypeEnum type;
  core::Value value;
};

// Sets a column once: a later setting of the same column replaces the earlier one.
void SetColumn(std::vector<ColumnSetting>& columns, ColumnSetting setting) {
  for (ColumnSetting& c : columns) {
    if (core::EqualsIgnoreCase(c.column, setting.column) ||
        core::EqualsIgnoreCase(c.column, QuotedName(setting.column)) ||
        core::EqualsIgnoreCase(QuotedName(c.column), setting.column)) {
      c = std::move(setting);
      return;
    }
  }
  columns.push_back(std::move(setting));
}

Command TextCommand(Connection& cnn, const std::string& sql) {
  Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandText(sql);
  cmd.CommandType(adCmdText);
  return cmd;
}

}  // namespace

CommonFacilityWriter::CommonFacilityWriter() = default;

CommonFacilityWriter::~CommonFacilityWriter() { DestroyConnection(); }

void CommonFacilityWriter::DestroyConnection() {
  if (!cnn_) return;
  cnn_->Close();
  cnn_.reset();
}

bool CommonFacilityWriter::ConnectionAlive() {
  if (!cnn_) return false;
  try {
    Recordset rs = cnn_->Execute("select count(id) from approvalini");
    (void)rs.Fields(0).Value();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool CommonFacilityWriter::EnsureConnection() {
  if (!cnn_) {
    auto cnn = std::make_unique<Connection>();
    ConnectionManager cm;
    bool configured = false;
    try {
      configured = CommonGlobals::InitVornKrymConnectionManager(cm);
    } catch (const std::exception&) {
      configured = false;  // a target setting that is not a number
    }
    if (!configured) return false;
    cm.ConfigCnn4FACILITY(*cnn, facilID_);
    try {
      cnn->Open();
    } catch (const std::exception& e) {
      const std::vector<DbError>& errors = cnn->Errors();
      const std::string why = errors.empty() ? std::to_string(ErrorNumber(e)) + " - " + ErrorDescription(e)
                                             : std::to_string(errors.front().Number()) + " - " +
                                                   core::OutsideText(errors.front().Description());
      CommonGlobals::ShowStatus("Unable to Open Connection to Vorn Krym. Error : " + why, 1);
      // Nothing is kept of a connection that never opened: the next write tries afresh.
      return false;
    }
    cnn_ = std::move(cnn);
  }
  return ConnectionAlive();
}

void CommonFacilityWriter::Failed(const std::exception& e, const std::string& procedure) {
  const auto* db = dynamic_cast<const DbException*>(&e);
  const std::string state = db ? db->Errors().front().SqlState() : std::string();
  // Without a connection nothing reached the database; otherwise the codes tell whose fault it is.
  switch (cnn_ ? ClassifyFailure(e) : FailureClass::Transient) {
    case FailureClass::Transient:
      lastFailure_.kind = Failure::Kind::Link;
      break;
    case FailureClass::Structure:
      lastFailure_.kind = Failure::Kind::Structure;
      break;
    case FailureClass::Value:
      lastFailure_.kind = Failure::Kind::Refused;
      break;
  }
  lastFailure_.procedure = procedure;
  lastFailure_.code = state.empty() ? std::to_string(ErrorNumber(e)) : state;
  lastFailure_.message = ErrorDescription(e);
}

void CommonFacilityWriter::NoLink(const std::string& why) {
  lastFailure_ = Failure{Failure::Kind::Link, std::string(), std::string(), why};
}

void CommonFacilityWriter::ResetResult() {
  lastFailure_ = Failure{};
  lastWritePhysical_ = false;
  lastWriteLogical_ = false;
  lastWriteSkipped_ = false;
  lastWriteDateStamp_ = core::Date();
}

bool CommonFacilityWriter::CanWrite() {
  if (facilID_.empty()) {
    NoLink("no facility is set");
  } else if (lockDate_ == core::Date()) {
    NoLink("the facility has no lock date");
  } else if (!EnsureConnection()) {
    NoLink("the facility's database cannot be reached");
  } else {
    return true;
  }
  return false;
}

CommonFacilityWriter::ValueProcedureNames CommonFacilityWriter::ValueProcedures(const std::string& VarType) {
  if (VarTypeFunctions::IsDailyVar(VarType)) return {kDailySeek, kDailyWrite};
  const std::string s = DataDDInt::SuffixFor(VarTypeFunctions::GetSlotsPerDay(VarType));
  return {"SEEKFDD" + s, "WRITEDD" + s};
}

bool CommonFacilityWriter::BeforeLockDate(core::Date stamp) const {
  // Dates travel to the database to the millisecond; closer than that they are the same instant.
  constexpr double kHalfMillisecond = 0.5 / 86400000.0;
  return stamp.Serial() < lockDate_.Serial() - kHalfMillisecond;
}

void CommonFacilityWriter::Skipped(core::Date stamp) {
  lastWriteSkipped_ = true;
  lastWriteDateStamp_ = stamp;
}

void CommonFacilityWriter::Accepted(core::Date stamp, bool sent) {
  lastWritePhysical_ = sent;
  lastWriteDateStamp_ = stamp;
  lastWriteLogical_ = true;
}

bool CommonFacilityWriter::WriteToVornKrym(const std::string& VarType, std::int32_t varid, core::Date DateStamp,
                                           double value, const std::string& TEXTVALUE, std::int32_t DataApproval,
                                           const HashTable* ainfo, const std::string& Guard) {
  ResetResult();
  lastWriteAInfoLogical_ = 0;
  lastWriteAInfoPhysical_ = 0;
  if (!CanWrite()) return false;

  const bool daily = VarTypeFunctions::IsDailyVar(VarType);
  const core::Date stamp = daily ? DateStamp.DatePart() : VarTypeFunctions::GetSlotStartDate(DateStamp, VarType);
  const std::int32_t intervals = daily ? 1 : VarTypeFunctions::GetSlotsPerDay(VarType);
  if (BeforeLockDate(stamp)) {
    Skipped(stamp);
  } else {
    const bool ok = daily ? WriteDaily(varid, stamp, value, TEXTVALUE, DataApproval, Guard)
                          : WriteInterval(intervals, varid, stamp, value, TEXTVALUE, DataApproval, Guard);
    if (!ok) return false;
  }

  if (ainfo && !lastWriteSkipped_ && ainfo->Count() > 0 && !WriteToVornKrymainfo(VarType, varid, stamp, *ainfo))
    Log("CommonFacilityWriter.WriteToVornKrym() : WriteToVornKrymainfo returned failure during write of Additional "
        "Info Fields",
        9);
  return true;
}

bool CommonFacilityWriter::WriteDaily(std::int32_t varid, core::Date DateStamp, double value,
                                      const std::string& TEXTVALUE, std::int32_t DataApproval,
                                      const std::string& Guard) {
  const char* procedure = kDailySeek;
  try {
    DatatblInt table;
    table.Connect(*cnn_);
    double storedValue = 0;
    std::string storedText;
    core::Value user, stamp, forced, status;
    table.SeekDateVarId(DateStamp, varid, storedValue, storedText, &user, &stamp, &forced, &status);
    if (!table.NoMatch() && !ApprovalAllows(DataApproval, status)) {
      Skipped(DateStamp);
      return true;
    }
    procedure = kDailyWrite;
    if (!testMode_) table.WriteData(DateStamp, varid, value, TEXTVALUE, Guard, DataApproval);
    Accepted(DateStamp, !testMode_);
    return true;
  } catch (const std::exception& e) {
    Failed(e, procedure);
    return false;
  }
}

bool CommonFacilityWriter::WriteInterval(std::int32_t intervals, std::int32_t varid, core::Date DateStamp, double value,
                                         const std::string& TEXTVALUE, std::int32_t DataApproval,
                                         const std::string& Guard) {
  std::string procedure = "SEEKFDD";
  try {
    DataDDInt table;
    table.ConnectTo(*cnn_, intervals);
    procedure = "SEEKFDD" + table.Suffix();
    core::Date storedAt;
    double storedValue = 0;
    std::string storedText;
    core::Value user, stamp, status, forced;
    table.SeekData(DateStamp, varid, storedAt, storedValue, storedText, &user, &stamp, &status, &forced);
    if (!table.NoMatch() && !ApprovalAllows(DataApproval, status)) {
      Skipped(DateStamp);
      return true;
    }
    procedure = "WRITEDD" + table.Suffix();
    if (!testMode_) {
      Log("Writing DD Value to database.", 9);
      table.WriteData(DateStamp, DateStamp, varid, value, TEXTVALUE, Guard, DataApproval);
    }
    Accepted(DateStamp, !testMode_);
    return true;
  } catch (const std::exception& e) {
    Log(std::to_string(ErrorNumber(e)) + " - " + ErrorDescription(e), 0);
    Failed(e, procedure);
    return false;
  }
}

bool CommonFacilityWriter::WriteCOMtoVornKrym(const std::string& VarType, std::int32_t varid, core::Date DateStamp,
                                              std::string comment) {
  ResetResult();
  if (!CanWrite()) return false;
  comment = FirstCharacters(std::move(comment), kCommentCharacters);
  const bool daily = VarTypeFunctions::IsDailyVar(VarType);
  const core::Date stamp = daily ? DateStamp.DatePart() : VarTypeFunctions::GetSlotStartDate(DateStamp, VarType);
  const std::int32_t intervals = daily ? 1 : VarTypeFunctions::GetSlotsPerDay(VarType);
  // Comments have no approval level; only the lock date holds them back.
  if (BeforeLockDate(stamp)) {
    Skipped(stamp);
    return true;
  }
  try {
    if (daily) {
      CommentsInt comments;
      comments.Connect(*cnn_);
      if (!testMode_) comments.WriteData(stamp, varid, comment);
    } else {
      DataDDInt table;
      table.ConnectTo(*cnn_, intervals);
      if (!testMode_) table.WriteComment(stamp, stamp, varid, comment);
    }
    Accepted(stamp, !testMode_);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool CommonFacilityWriter::WriteToVornKrymainfo(const std::string& VarType, std::int32_t varid, core::Date DateStamp,
                                                const HashTable& ainfo) {
  const std::string prefix = std::string(kAInfoSource) + ": ";
  std::string whenKey, whenValue;
  try {
    if (!cnn_) core::Raise(kObjectNotSet, kAInfoSource);
    const std::string table = std::string(VarTypeFunctions::GetDataTableName(VarType)) + "_I";
    const std::string where = " where varid=? and datestamp=?";
    Command select = TextCommand(*cnn_, "select * from " + table + where);
    select.CreateParameter("varid", adInteger, adParamInput, 0, varid);
    select.CreateParameter("datestamp", adDate, adParamInput, 0, DateStamp);
    Recordset row;
    row.Open(select);
    const bool exists = row.RecordCount() > 0;

    std::vector<ColumnSetting> columns;
    if (!exists) {
      columns.push_back({"datestamp", adDate, DateStamp});
      columns.push_back({"varid", adInteger, varid});
    }
    columns.push_back({"audituser", adVarChar, CommonGlobals::GetAuditUserName()});
    columns.push_back({"audittimestamp", adDate, TimeUtils::GetServerNow()});
    const std::vector<std::string> keys = ainfo.Keys();
    for (const std::string& key : keys) {
      whenKey = key;
      whenValue = ainfo.item(key).Text();
      // A field names a column of the table; one that names none is refused before anything
      // is written, as the row's own field lookup would refuse it.
      if (!row.HasField(key))
        throw DbException(dberr::kItemNotFound,
                          "Item cannot be found in the collection "
                          "corresponding to the requested name or "
                          "ordinal: " +
                              key);
      const Field field = row.Fields(key);
      auto [type, value] = ColumnValue(whenValue, field.Type());
      SetColumn(columns, {QuotedName(field.Name()), type, std::move(value)});
    }
    whenKey.clear();
    whenValue.clear();

    std::string sql;
    if (exists) {
      for (const ColumnSetting& c : columns) sql += (sql.empty() ? "" : ", ") + c.column + "=?";
      sql = "update " + table + " set " + sql + where;
    } else {
      std::string names, marks;
      for (const ColumnSetting& c : columns) {
        names += (names.empty() ? "" : ", ") + c.column;
        marks += marks.empty() ? "?" : ", ?";
      }
      sql = "insert into " + table + " (" + names + ") values (" + marks + ")";
    }
    Command save = TextCommand(*cnn_, sql);
    for (const ColumnSetting& c : columns) save.CreateParameter(c.column, c.type, adParamInput, 0, c.value);
    if (exists) {
      save.CreateParameter("where_varid", adInteger, adParamInput, 0, varid);
      save.CreateParameter("where_datestamp", adDate, adParamInput, 0, DateStamp);
    }
    if (!testMode_) save.Execute();

    const auto count = static_cast<std::int16_t>(keys.size());
    lastWriteAInfoLogical_ = count;
    if (!testMode_) lastWriteAInfoPhysical_ = count;
    const std::string line =
        testMode_ ? "(Test) Wrote Additional Info [Field] Value :" : "Wrote Additional Info [Field] Value :";
    for (const std::string& key : keys) Log(line + " [" + key + "] " + ainfo.item(key).Text(), 5);
    return true;
  } catch (const std::exception& e) {
    Log(prefix + " Error Handler dump BEGIN --------------------------", 9);
    Log(prefix + " WHEN_KEY = " + whenKey + ", WHEN_VALUE = " + whenValue, 9);
    Log(prefix + " WHEN_FACILID = " + facilID_ + ", WHEN_VARID = " + std::to_string(varid) +
            ", WHEN_DATESTAMP = " + DateStamp.GeneralText(),
        9);
    Log(std::string(kAInfoSource) + ": Generic Error # " + std::to_string(ErrorNumber(e)) + " - '" +
            ErrorDescription(e) + " ' occured",
        0);
    if (cnn_) {
      const std::vector<DbError>& errors = cnn_->Errors();
      for (std::size_t i = 0; i < errors.size(); ++i)
        Log(std::string(kAInfoSource) + ": Connection Error (" + std::to_string(i) + ") # " +
                std::to_string(errors[i].Number()) + " - '" + core::OutsideText(errors[i].Description()) + " ' occured",
            0);
    }
    if (ainfo.Count() > 0)
      for (const std::string& key : ainfo.Keys())
        Log(std::string(kAInfoSource) + ": HASH_DUMP : " + key + " = " + ainfo.item(key).Text(), 9);
    Log(prefix + " Error Handler dump END   --------------------------", 9);
    return false;
  }
}

bool CommonFacilityWriter::LogbookExists(std::int32_t id) {
  if (!cnn_) return false;
  try {
    Command cmd = TextCommand(*cnn_, "select id from logbook where id=?");
    cmd.CreateParameter("id", adInteger, adParamInput, 0, id);
    Recordset rs;
    rs.Open(cmd);
    return rs.RecordCount() > 0;
  } catch (const std::exception&) {
    return false;
  }
}

bool CommonFacilityWriter::WriteToLogbook(std::int32_t InLogBookID, core::Date InDateStamp, core::Date InTimeStamp,
                                          const std::string& InComment, const std::int32_t& InDefaultLogBookId,
                                          const std::string& InGuard) {
  // The step tells, in the error line, how far the note got.
  lastFailure_ = Failure{};
  lastWriteSkipped_ = false;
  std::int16_t step = 1;
  try {
    step = 2;
    if (core::Trim(InComment).empty()) {
      step = 3;
      return true;
    }
    // The note is compared as it is stored, apostrophes and blanks included, and the date as a date.
    step = 4;
    const char* const duplicateSql =
        "select id from logbookentries where \"comment\" = ? and datestamp = ? and lbid = ?";
    step = 42;
    EnsureConnection();  // without a connection the query below fails
    step = 5;
    if (!cnn_) core::Raise(kObjectNotSet, "CommonFacilityWriter.WriteToLogbook");
    // The logbook the note goes to is decided before the duplicate check (LogbookExists never
    // raises): a note that an earlier run stored under the default logbook (or 0) is looked for
    // there.
    std::int32_t lbid = 0;
    std::int16_t lbidStep = 19;
    if (LogbookExists(InLogBookID)) {
      lbid = InLogBookID, lbidStep = 17;
    } else if (LogbookExists(InDefaultLogBookId)) {
      lbid = InDefaultLogBookId, lbidStep = 18;
    }
    Command duplicate = TextCommand(*cnn_, duplicateSql);
    duplicate.CreateParameter("comment", adVarWChar, adParamInput, 0, InComment);
    duplicate.CreateParameter("datestamp", adDate, adParamInput, 0, InDateStamp);
    duplicate.CreateParameter("lbid", adInteger, adParamInput, 0, lbid);
    Recordset found;
    found.Open(duplicate);
    step = 6;
    if (found.RecordCount() > 0) {
      step = 7;
      CommonGlobals::ShowStatus("Comment Already Exists! Skipping it's import.", 4);
      lastWriteSkipped_ = true;  // nothing went into the table
      return true;
    }
    step = 8;
    found.Close();

    step = 9;
    EnsureConnection();
    step = 10;
    const char* const insertSql =
        "insert into logbookentries (\"comment\", \"timestamp\", datestamp, lbid, audituser, audittimestamp) "
        "values (?, ?, ?, ?, ?, ?)";
    step = 11;
    if (!cnn_) core::Raise(kObjectNotSet, "CommonFacilityWriter.WriteToLogbook");
    Command insert = TextCommand(*cnn_, insertSql);
    step = 12;  // the new row is the insert's parameters
    step = 13;
    insert.CreateParameter("comment", adVarWChar, adParamInput, 0, InComment);
    step = 14;
    insert.CreateParameter("timestamp", adDate, adParamInput, 0, InTimeStamp);
    step = 15;
    insert.CreateParameter("datestamp", adDate, adParamInput, 0, InDateStamp);
    step = 16;  // the logbook ids were checked for the duplicate query
    step = lbidStep;
    insert.CreateParameter("lbid", adInteger, adParamInput, 0, lbid);
    step = 20;
    insert.CreateParameter("audituser", adVarChar, adParamInput, 50, core::Trim(InGuard));
    step = 21;
    insert.CreateParameter("audittimestamp", adDate, adParamInput, 0, Program().clock->Now());
    step = 22;
    insert.Execute();
    step = 23;  // nothing stays open: the insert returns no rows
    step = 24;
    step = 25;
    return true;
  } catch (const std::exception& e) {
    CommonGlobals::ShowStatus("Error in WriteToLogbook: " + std::to_string(ErrorNumber(e)) + " - " +
                                  ErrorDescription(e) + "Error No. " + std::to_string(step),
                              0);
    Failed(e, kLogbookTable);
    return false;
  }
}
