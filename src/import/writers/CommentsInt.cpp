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
  write_.Parameters("date").Value(DateValue);
  write_.Parameters("varId").Value(varid);
  write_.Parameters("comment_in").Value(Comment);
  write_.Parameters("audittuser").Value(CommonGlobals::GetAuditUserName());
  write_.Execute();
}

void CommentsInt::deletecmts(core::Date DateValue, std::int32_t varid) {
  RequireConnected();
  delete_.Parameters("date").Value(DateValue);
  delete_.Parameters("varId").Value(varid);
  delete_.Parameters("audituser").Value(CommonGlobals::GetAuditUserName());
  delete_.Execute();
}

void CommentsInt::Seekcmts(core::Date, std::int32_t, std::string&, core::Value*, core::Value*) {}
