#include "import/writers/DataDDInt.h"

#include <exception>

#include "core/RuntimeError.h"
#include "foundation/CommonGlobalsConnections.h"
#include "import/writers/ProcedureCommand.h"

using namespace platform::db;

namespace {

constexpr int kDivisionByZero = 11;
constexpr int kObjectNotSet = 91;

// The output names of the two value seeks: SEEKFDD and SEEKNEXTDD name them differently.
constexpr ProcedureCommand::ValueSeekOutputs kSeekData = {"varid_5",   "datestamp_out",  "curvalue_3", "textvalue_4",
                                                          "audituser", "audittimestamp", "status",     "forced"};
constexpr ProcedureCommand::ValueSeekOutputs kSeekNext = {"varid_out",     "datestamp_out", "curvalue_out",
                                                          "textvalue_out", "audituser_out", "audittimestamp_out",
                                                          "status_out",    "forced_out"};

// The procedures' parameters, in the order they are bound.
constexpr ProcedureCommand::Param kWriteParams[] = {
    {"date", adDate, adParamInput, 0},          {"varid", adInteger, adParamInput, 0},
    {"value", adDouble, adParamInput, 0},       {"textvalue", adVarWChar, adParamInput, 255},
    {"audituser", adVarChar, adParamInput, 50}, {"slotstarttime", adDate, adParamInput, 0},
    {"slotendtime", adDate, adParamInput, 0},   {"status", adInteger, adParamInput, 0}};

constexpr ProcedureCommand::Param kSeekParams[] = {
    {"datestamp_1", adDate, adParamInput, 0},     {"varid_2", adInteger, adParamInput, 0},
    {"curvalue_3", adDouble, adParamOutput, 0},   {"textvalue_4", adVarWChar, adParamOutput, 255},
    {"varid_5", adInteger, adParamOutput, 0},     {"audituser", adVarChar, adParamOutput, 50},
    {"audittimestamp", adDate, adParamOutput, 0}, {"datestamp_out", adDate, adParamOutput, 0},
    {"slotstarttime", adDate, adParamInput, 0},   {"slotendtime", adDate, adParamInput, 0},
    {"status", adInteger, adParamOutput, 0},      {"forced", adInteger, adParamOutput, 0}};

constexpr ProcedureCommand::Param kSeekNextParams[] = {
    {"varid_in", adInteger, adParamInput, 0},        {"slotstart_in", adDate, adParamInput, 0},
    {"slotend_in", adDate, adParamInput, 0},         {"topnum_in", adInteger, adParamInput, 0},
    {"varid_out", adInteger, adParamOutput, 0},      {"datestamp_out", adDate, adParamOutput, 0},
    {"curvalue_out", adDouble, adParamOutput, 0},    {"textvalue_out", adVarWChar, adParamOutput, 255},
    {"audituser_out", adVarChar, adParamOutput, 50}, {"audittimestamp_out", adDate, adParamOutput, 0},
    {"status_out", adInteger, adParamOutput, 0},     {"forced_out", adInteger, adParamOutput, 0}};

constexpr ProcedureCommand::Param kDeleteParams[] = {{"slotstarttime", adDate, adParamInput, 0},
                                                     {"varid", adInteger, adParamInput, 0},
                                                     {"audituser", adVarChar, adParamInput, 50},
                                                     {"slotendtime", adDate, adParamInput, 0}};

constexpr ProcedureCommand::Param kSetForcedParams[] = {{"slotstarttime", adDate, adParamInput, 0},
                                                        {"slotendtime", adDate, adParamInput, 0},
                                                        {"varid", adInteger, adParamInput, 0},
                                                        {"audituser", adVarChar, adParamInput, 50},
                                                        {"forced", adInteger, adParamInput, 0}};

constexpr ProcedureCommand::Param kSeekCommentParams[] = {
    {"varid_in", adInteger, adParamInput, 0},    {"comment_out", adVarWChar, adParamOutput, 2000},
    {"audituser", adVarChar, adParamOutput, 50}, {"audittimestamp", adDate, adParamOutput, 0},
    {"slotstarttime", adDate, adParamInput, 0},  {"slotendtime", adDate, adParamInput, 0}};

constexpr ProcedureCommand::Param kWriteCommentParams[] = {
    {"datestamp_1", adDate, adParamInput, 0},       {"varid_2", adInteger, adParamInput, 0},
    {"comment_in", adVarWChar, adParamInput, 2000}, {"audituser", adVarChar, adParamInput, 50},
    {"slotstarttime", adDate, adParamInput, 0},     {"slotendtime", adDate, adParamInput, 0}};

constexpr ProcedureCommand::Param kDeleteCommentParams[] = {{"slotstarttime", adDate, adParamInput, 0},
                                                            {"varid_2", adInteger, adParamInput, 0},
                                                            {"slotendtime", adDate, adParamInput, 0},
                                                            {"audituser", adVarChar, adParamInput, 50}};

}  // namespace

DataDDInt::Binding DataDDInt::BindingFor(std::int32_t IntervalsInDay) {
  switch (IntervalsInDay) {
    case 24:
      return {"H", 60};
    case 6:
      return {"4", 240};
    case 48:
      return {"3", 30};
    case 96:
      return {"F", 15};
    case 288:
      return {"5", 5};
    case 1440:
      return {"1", 1};
    default:
      if (IntervalsInDay == 0) core::Raise(kDivisionByZero, "DataDDInt.ConnectTo");
      return {"H", core::ToLong(1440.0 / IntervalsInDay)};
  }
}

std::string DataDDInt::SuffixFor(std::int32_t IntervalsInDay) { return BindingFor(IntervalsInDay).suffix; }

void DataDDInt::ConnectTo(Connection& aCNN, std::int32_t IntervalsInDay) {
  const auto [suffix, minutes] = BindingFor(IntervalsInDay);
  const std::string& s = suffix;
  write_ = ProcedureCommand::OnDemand(aCNN, "WRITEDD" + s, kWriteParams);
  seek_ = ProcedureCommand::OnDemand(aCNN, "SEEKFDD" + s, kSeekParams);
  seekNext_ = ProcedureCommand::OnDemand(aCNN, "SEEKNEXTDD" + s, kSeekNextParams);
  delete_ = ProcedureCommand::OnDemand(aCNN, "DELETEDD" + s, kDeleteParams);
  setForced_ = ProcedureCommand::OnDemand(aCNN, "SETFDD" + s, kSetForcedParams);
  seekComment_ = ProcedureCommand::OnDemand(aCNN, "SEEKDD" + s + "_C", kSeekCommentParams);
  writeComment_ = ProcedureCommand::OnDemand(aCNN, "WRITEDD" + s + "_C", kWriteCommentParams);
  deleteComment_ = ProcedureCommand::OnDemand(aCNN, "DELETEDD" + s + "_C", kDeleteCommentParams);
  intervalsInDay_ = IntervalsInDay;
  minutesPerInterval_ = minutes;
  suffix_ = suffix;
  connected_ = true;
}

void DataDDInt::RequireConnected() const {
  if (!connected_) core::Raise(kObjectNotSet, "DataDDInt");
}

core::Date DataDDInt::SlotEnd(core::Date slotStart) const { return core::DateAdd("n", minutesPerInterval_, slotStart); }

void DataDDInt::DeleteComment(core::Date SlotStartDatetime, std::int32_t varid) {
  RequireConnected();
  ProcedureCommand::Run(deleteComment_.Get(), {{"slotstarttime", SlotStartDatetime},
                                               {"varid_2", varid},
                                               {"slotendtime", SlotEnd(SlotStartDatetime)},
                                               {"audituser", CommonGlobals::GetAuditUserName()}});
}

void DataDDInt::WriteComment(core::Date SlotStartDatetime, core::Date NewDateTime, std::int32_t varid,
                             const std::string& Comment) {
  RequireConnected();
  ProcedureCommand::Run(writeComment_.Get(), {{"datestamp_1", NewDateTime},
                                              {"varid_2", varid},
                                              {"comment_in", Comment},
                                              {"audituser", CommonGlobals::GetAuditUserName()},
                                              {"slotstarttime", SlotStartDatetime},
                                              {"slotendtime", SlotEnd(SlotStartDatetime)}});
}

void DataDDInt::SeekComment(core::Date SlotStartDatetime, std::int32_t varid, std::string& comment_out,
                            core::Value* AUDITUSER, core::Value* AUDITTIMESTAMP) {
  RequireConnected();
  ProcedureCommand::Run(
      seekComment_.Get(),
      {{"varid_in", varid}, {"slotstarttime", SlotStartDatetime}, {"slotendtime", SlotEnd(SlotStartDatetime)}});
  const std::string comment = seekComment_.Get().Parameters("comment_out").Value().Text();
  if (comment.empty()) {
    noMatch_ = true;
    return;
  }
  const core::Date stamp = ProcedureCommand::DateOrZero(seekComment_.Get().Parameters("audittimestamp").Value());
  noMatch_ = false;
  comment_out = comment;
  if (AUDITUSER) *AUDITUSER = seekComment_.Get().Parameters("audituser").Value().Text();
  if (AUDITTIMESTAMP) *AUDITTIMESTAMP = stamp;
}

void DataDDInt::SeekData(core::Date SlotStartDatetime, std::int32_t varid, core::Date& DateOut, double& value,
                         std::string& TEXTVALUE, core::Value* AUDITUSER, core::Value* AUDITTIMESTAMP,
                         core::Value* STATUS, core::Value* FORCED) {
  RequireConnected();
  ProcedureCommand::Run(seek_.Get(), {{"varid_2", varid},
                                      {"datestamp_1", SlotStartDatetime},
                                      {"slotstarttime", SlotStartDatetime},
                                      {"slotendtime", SlotEnd(SlotStartDatetime)}});
  noMatch_ = !ProcedureCommand::TakeValueRow(seek_.Get(), kSeekData, &DateOut, value, TEXTVALUE, AUDITUSER,
                                             AUDITTIMESTAMP, STATUS, FORCED);
}

void DataDDInt::DeleteData(core::Date SlotStartDatetime, std::int32_t varid) {
  RequireConnected();
  ProcedureCommand::Run(delete_.Get(), {{"slotstarttime", SlotStartDatetime},
                                        {"varid", varid},
                                        {"audituser", CommonGlobals::GetAuditUserName()},
                                        {"slotendtime", SlotEnd(SlotStartDatetime)}});
}

void DataDDInt::WriteData(core::Date SlotStartDatetime, core::Date NewDateTime, std::int32_t varid, double value,
                          const std::string& TEXTVALUE, const std::string& Guard, std::int32_t STATUS) {
  RequireConnected();
  ProcedureCommand::Run(write_.Get(), {{"date", NewDateTime},
                                       {"varid", varid},
                                       {"value", value},
                                       {"textvalue", TEXTVALUE},
                                       {"audituser", Guard},
                                       {"slotstarttime", SlotStartDatetime},
                                       {"slotendtime", SlotEnd(SlotStartDatetime)},
                                       {"status", STATUS}});
}

void DataDDInt::SetStatus(core::Date DateTimeStamp, std::int32_t varid, std::int32_t STATUS) {
  try {
    const core::Date start = GetSlotStartDateTime(DateTimeStamp);
    core::Date stored;
    double value = 0;
    std::string text;
    core::Value user, stamp, status, forced;
    SeekData(start, varid, stored, value, text, &user, &stamp, &status, &forced);
    // A Null stored status equals nothing, so it is left alone like an equal one.
    if (NoMatch() || status.IsNull() || status.Equals(core::Value(STATUS))) return;
    WriteData(start, stored, varid, value, text, CommonGlobals::GetAuditUserName(), STATUS);
  } catch (const std::exception&) {
    // A status change nobody waits for: a failure leaves the row as it was.
  }
}

void DataDDInt::SetForced(core::Date DateTimeStamp, std::int32_t varid, std::int32_t FORCED) {
  RequireConnected();
  const core::Date start = GetSlotStartDateTime(DateTimeStamp);
  ProcedureCommand::Run(setForced_.Get(), {{"slotstarttime", start},
                                           {"slotendtime", SlotEnd(start)},
                                           {"varid", varid},
                                           {"audituser", CommonGlobals::GetAuditUserName()},
                                           {"forced", FORCED}});
}

core::Date DataDDInt::GetSlotStartDateTime(core::Date DateTime) const {
  core::Date::Parts p = DateTime.Split();
  // The parts of the time as it reads to the whole second: from half a second on, the next
  // second's (and so, just before midnight, the next day's).
  if (p.millisecond >= 500) p = core::DateAdd("s", 1, DateTime).Split();
  int h = 0, m = 0;
  switch (intervalsInDay_) {
    case 24:
      h = p.hour;
      break;
    case 6:
      h = 4 * (p.hour / 4);
      break;
    case 48:
      h = p.hour, m = 30 * (p.minute / 30);
      break;
    case 96:
      h = p.hour, m = 15 * (p.minute / 15);
      break;
    case 288:
      h = p.hour, m = 5 * (p.minute / 5);
      break;
    case 1440:
      h = p.hour, m = p.minute;
      break;
    default:
      break;
  }
  return core::Date::FromParts(p.year, p.month, p.day, h, m, 0);
}

void DataDDInt::SeekNext(core::Date SlotStartDatetime, core::Date SlotEndDatetime, std::int32_t varid,
                         core::Date& DateOut, double& value, std::string& TEXTVALUE, std::int32_t GetNthRecord,
                         core::Value* AUDITUSER, core::Value* AUDITTIMESTAMP, core::Value* STATUS,
                         core::Value* FORCED) {
  RequireConnected();
  ProcedureCommand::Run(seekNext_.Get(), {{"varid_in", varid},
                                          {"slotstart_in", SlotStartDatetime},
                                          {"slotend_in", SlotEndDatetime},
                                          {"topnum_in", GetNthRecord < 1 ? 1 : GetNthRecord}});
  noMatch_ = !ProcedureCommand::TakeValueRow(seekNext_.Get(), kSeekNext, &DateOut, value, TEXTVALUE, AUDITUSER,
                                             AUDITTIMESTAMP, STATUS, FORCED);
}
