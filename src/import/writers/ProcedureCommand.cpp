#include "import/writers/ProcedureCommand.h"

#include "core/Text.h"

platform::db::Command ProcedureCommand::Prepare(platform::db::Connection& cnn, const std::string& name,
                                                std::initializer_list<Param> params) {
  platform::db::Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandText(name);
  cmd.CommandType(platform::db::adCmdStoredProc);
  for (const Param& p : params) cmd.CreateParameter(p.name, p.type, p.direction, p.size);
  return cmd;
}

std::string ProcedureCommand::TrimmedText(const core::Value& v) { return core::Trim(v.Text()); }

core::Date ProcedureCommand::DateOrZero(const core::Value& v) { return v.IsNull() ? core::Date() : v.ToDate(); }
