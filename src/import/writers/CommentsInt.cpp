#include "import/writers/CommentsInt.h"

#include "core/RuntimeError.h"
#include "foundation/CommonGlobalsConnections.h"
#include "import/writers/ProcedureCommand.h"

using namespace platform::db;

void CommentsInt::Connect(Connection& aCNN) {
  // "audittuser" is the procedure's own spelling of the parameter.
  write_ = ProcedureCommand::Prepare(aCNN, "WRITETBL_C",
                                     {{"date", adDate, adParamInput, 0},
                                      {"varId", adInteger, adParamInput, 0},
                                      {"comment_in", adVarWChar, adParamInput, 2000},
                                      {"audittuser", adVarChar, adParamInput, 50}});
  delete_ = ProcedureCommand::Prepare(aCNN, "deletecmts",
                                      {{"date", adDate, adParamInput, 0},
                                       {"varId", adInteger, adParamInput, 0},
                                       {"audituser", adVarChar, adParamInput, 50}});
  connected_ = true;
}

void CommentsInt::RequireConnected() const {
  if (!connected_) core::Raise(91, "CommentsInt");
}

void CommentsInt::WriteData(core::Date DateValue, std::int32_t varid, const std::string& Comment) {
  RequireConnected();
  ProcedureCommand::Run(write_, {{"date", DateValue},
                                 {"varId", varid},
                                 {"comment_in", Comment},
                                 {"audittuser", CommonGlobals::GetAuditUserName()}});
}

void CommentsInt::deletecmts(core::Date DateValue, std::int32_t varid) {
  RequireConnected();
  ProcedureCommand::Run(delete_,
                        {{"date", DateValue}, {"varId", varid}, {"audituser", CommonGlobals::GetAuditUserName()}});
}

void CommentsInt::Seekcmts(core::Date, std::int32_t, std::string&, core::Value*, core::Value*) {}
