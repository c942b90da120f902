#include "import/writers/DatatblInt.h"

#include "core/RuntimeError.h"
#include "foundation/CommonGlobalsConnections.h"
#include "import/writers/ProcedureCommand.h"

using namespace platform::db;

namespace {
constexpr int kObjectNotSet = 91;

// The outputs of seekddatevarid, which returns no date.
constexpr ProcedureCommand::ValueSeekOutputs kSeek = {"varid_5",   nullptr,          "curvalue_3", "textvalue_4",
                                                      "audituser", "audittimestamp", "status",     "forced"};

// The procedures' parameters, in the order they are bound.
constexpr ProcedureCommand::Param kSeekParams[] = {
    {"datestamp_1", adDate, adParamInput, 0},     {"varid_2", adInteger, adParamInput, 0},
    {"curvalue_3", adDouble, adParamOutput, 0},   {"textvalue_4", adVarWChar, adParamOutput, 255},
    {"varid_5", adInteger, adParamOutput, 0},     {"audituser", adVarChar, adParamOutput, 50},
    {"audittimestamp", adDate, adParamOutput, 0}, {"forced", adInteger, adParamOutput, 0},
    {"status", adInteger, adParamOutput, 0}};

constexpr ProcedureCommand::Param kDeleteParams[] = {{"date", adDate, adParamInput, 0},
                                                     {"varid", adInteger, adParamInput, 0},
                                                     {"audituser", adVarChar, adParamInput, 50}};

constexpr ProcedureCommand::Param kWriteParams[] = {
    {"date", adDate, adParamInput, 0},          {"varid", adInteger, adParamInput, 0},
    {"value", adDouble, adParamInput, 0},       {"textvalue", adVarWChar, adParamInput, 255},
    {"audituser", adVarChar, adParamInput, 50}, {"status", adInteger, adParamInput, 0}};

constexpr ProcedureCommand::Param kSetForcedParams[] = {{"date", adDate, adParamInput, 0},
                                                        {"varid", adInteger, adParamInput, 0},
                                                        {"audituser", adVarChar, adParamInput, 50},
                                                        {"forced", adInteger, adParamInput, 0}};

}  // namespace

void DatatblInt::Connect(Connection& aCNN) {
  seek_ = ProcedureCommand::OnDemand(aCNN, "seekddatevarid", kSeekParams);
  delete_ = ProcedureCommand::OnDemand(aCNN, "deletedtbl", kDeleteParams);
  write_ = ProcedureCommand::OnDemand(aCNN, "writedtbl", kWriteParams);
  setForced_ = ProcedureCommand::OnDemand(aCNN, "SETFORCED", kSetForcedParams);
  connected_ = true;
}

void DatatblInt::RequireConnected() const {
  if (!connected_) core::Raise(kObjectNotSet, "DatatblInt");
}

void DatatblInt::SeekDateVarId(core::Date DateValue, std::int32_t varid, double& value, std::string& TEXTVALUE,
                               core::Value* AUDITUSER, core::Value* AUDITTIMESTAMP, core::Value* FORCED,
                               core::Value* STATUS) {
  RequireConnected();
  ProcedureCommand::Run(seek_.Get(), {{"datestamp_1", DateValue}, {"varid_2", varid}});
  if (FORCED) *FORCED = std::int32_t{0};
  noMatch_ = !ProcedureCommand::TakeValueRow(seek_.Get(), kSeek, nullptr, value, TEXTVALUE, AUDITUSER, AUDITTIMESTAMP,
                                             STATUS, FORCED);
}

void DatatblInt::deletedtbl(core::Date DateValue, std::int32_t varid) {
  RequireConnected();
  ProcedureCommand::Run(delete_.Get(),
                        {{"date", DateValue}, {"varid", varid}, {"audituser", CommonGlobals::GetAuditUserName()}});
}

void DatatblInt::WriteData(core::Date DateValue, std::int32_t varid, double value, const std::string& TEXTVALUE,
                           const std::string& Guard, std::int32_t STATUS) {
  RequireConnected();
  ProcedureCommand::Run(write_.Get(), {{"date", DateValue},
                                       {"varid", varid},
                                       {"value", value},
                                       {"textvalue", TEXTVALUE},
                                       {"audituser", Guard},
                                       {"status", STATUS}});
}

void DatatblInt::SetForced(core::Date DateValue, std::int32_t varid, std::int32_t FORCED) {
  RequireConnected();
  ProcedureCommand::Run(
      setForced_.Get(),
      {{"date", DateValue}, {"varid", varid}, {"audituser", CommonGlobals::GetAuditUserName()}, {"forced", FORCED}});
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
