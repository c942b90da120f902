#include "import/writers/DatatblInt.h"

#include "core/RuntimeError.h"
#include "foundation/CommonGlobalsConnections.h"
#include "import/writers/ProcedureCommand.h"

using namespace platform::db;

namespace {
constexpr int kObjectNotSet = 91;
}

void DatatblInt::Connect(Connection& aCNN) {
  seek_ = ProcedureCommand::Prepare(aCNN, "seekddatevarid",
                                    {{"datestamp_1", adDate, adParamInput, 0},
                                     {"varid_2", adInteger, adParamInput, 0},
                                     {"curvalue_3", adDouble, adParamOutput, 0},
                                     {"textvalue_4", adVarWChar, adParamOutput, 255},
                                     {"varid_5", adInteger, adParamOutput, 0},
                                     {"audituser", adVarChar, adParamOutput, 50},
                                     {"audittimestamp", adDate, adParamOutput, 0},
                                     {"forced", adInteger, adParamOutput, 0},
                                     {"status", adInteger, adParamOutput, 0}});
  delete_ = ProcedureCommand::Prepare(aCNN, "deletedtbl",
                                      {{"date", adDate, adParamInput, 0},
                                       {"varid", adInteger, adParamInput, 0},
                                       {"audituser", adVarChar, adParamInput, 50}});
  write_ = ProcedureCommand::Prepare(aCNN, "writedtbl",
                                     {{"date", adDate, adParamInput, 0},
                                      {"varid", adInteger, adParamInput, 0},
                                      {"value", adDouble, adParamInput, 0},
                                      {"textvalue", adVarWChar, adParamInput, 255},
                                      {"audituser", adVarChar, adParamInput, 50},
                                      {"status", adInteger, adParamInput, 0}});
  setForced_ = ProcedureCommand::Prepare(aCNN, "SETFORCED",
                                         {{"date", adDate, adParamInput, 0},
                                          {"varid", adInteger, adParamInput, 0},
                                          {"audituser", adVarChar, adParamInput, 50},
                                          {"forced", adInteger, adParamInput, 0}});
  connected_ = true;
}

void DatatblInt::RequireConnected() const {
  if (!connected_) core::Raise(kObjectNotSet, "DatatblInt");
}

void DatatblInt::SeekDateVarId(core::Date DateValue, std::int32_t varid, double& value, std::string& TEXTVALUE,
                               core::Value* AUDITUSER, core::Value* AUDITTIMESTAMP, core::Value* FORCED,
                               core::Value* STATUS) {
  RequireConnected();
  seek_.Parameters("datestamp_1").Value(DateValue);
  seek_.Parameters("varid_2").Value(varid);
  seek_.Execute();
  if (FORCED) *FORCED = std::int32_t{0};
  if (seek_.Parameters("varid_5").IsNull()) {
    noMatch_ = true;
    return;
  }
  // Every output is read before any is handed back, so a value that cannot be read (a Null
  // curvalue) leaves the caller's variables and NoMatch as they were.
  const double foundValue = seek_.Parameters("curvalue_3").Value().ToDouble();
  const std::string foundText = ProcedureCommand::TrimmedText(seek_.Parameters("textvalue_4").Value());
  const std::string foundUser = ProcedureCommand::TrimmedText(seek_.Parameters("audituser").Value());
  const core::Date foundStamp = ProcedureCommand::DateOrZero(seek_.Parameters("audittimestamp").Value());
  noMatch_ = false;
  value = foundValue;
  TEXTVALUE = foundText;
  if (AUDITUSER) *AUDITUSER = foundUser;
  if (AUDITTIMESTAMP) *AUDITTIMESTAMP = foundStamp;
  if (FORCED) *FORCED = seek_.Parameters("forced").Value();
  if (STATUS) *STATUS = seek_.Parameters("status").Value();
}

void DatatblInt::deletedtbl(core::Date DateValue, std::int32_t varid) {
  RequireConnected();
  delete_.Parameters("date").Value(DateValue);
  delete_.Parameters("varid").Value(varid);
  delete_.Parameters("audituser").Value(CommonGlobals::GetAuditUserName());
  delete_.Execute();
}

void DatatblInt::WriteData(core::Date DateValue, std::int32_t varid, double value, const std::string& TEXTVALUE,
                           const std::string& Guard, std::int32_t STATUS) {
  RequireConnected();
  write_.Parameters("date").Value(DateValue);
  write_.Parameters("varid").Value(varid);
  write_.Parameters("value").Value(value);
  write_.Parameters("textvalue").Value(TEXTVALUE);
  write_.Parameters("audituser").Value(Guard);
  write_.Parameters("status").Value(STATUS);
  write_.Execute();
}

void DatatblInt::SetForced(core::Date DateValue, std::int32_t varid, std::int32_t FORCED) {
  RequireConnected();
  setForced_.Parameters("date").Value(DateValue);
  setForced_.Parameters("varid").Value(varid);
  setForced_.Parameters("audituser").Value(CommonGlobals::GetAuditUserName());
  setForced_.Parameters("forced").Value(FORCED);
  setForced_.Execute();
}

void DatatblInt::SetStatus(core::Date DateValue, std::int32_t varid, std::int32_t STATUS) {
  double value = 0;
  std::string text;
  core::Value user, stamp, forced, stored;
  SeekDateVarId(DateValue, varid, value, text, &user, &stamp, &forced, &stored);
  // A Null stored status equals nothing, so it is left alone like an equal one.
  if (NoMatch() || stored.IsNull() || stored.Equals(core::Value(STATUS))) return;
  WriteData(DateValue, varid, value, text, CommonGlobals::GetAuditUserName(), STATUS);
}
