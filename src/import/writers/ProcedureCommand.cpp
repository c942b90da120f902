#include "import/writers/ProcedureCommand.h"

#include "core/RuntimeError.h"
#include "core/Text.h"

using namespace platform::db;

namespace {

// A text output as the callers read it: trimmed, "" for Null.
std::string TrimmedText(const core::Value& v) { return core::Trim(v.Text()); }

}  // namespace

Command ProcedureCommand::Prepare(Connection& cnn, const std::string& name, std::initializer_list<Param> params) {
  return Prepare(cnn, name, std::span<const Param>(params.begin(), params.size()));
}

Command ProcedureCommand::Prepare(Connection& cnn, const std::string& name, std::span<const Param> params) {
  Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandText(name);
  cmd.CommandType(adCmdStoredProc);
  for (const Param& p : params) cmd.CreateParameter(p.name, p.type, p.direction, p.size);
  return cmd;
}

Command& ProcedureCommand::OnDemand::Get() {
  if (!prepared_) {
    if (cnn_ == nullptr)
      throw core::RuntimeError(91, "Object variable or With block variable not set", "ProcedureCommand");
    command_ = Prepare(*cnn_, name_, params_);
    prepared_ = true;
  }
  return command_;
}

void ProcedureCommand::Run(Command& cmd, std::initializer_list<Input> inputs) {
  for (const Input& in : inputs) cmd.Parameters(in.name).Value(in.value);
  cmd.Execute();
}

bool ProcedureCommand::TakeValueRow(const Command& cmd, const ValueSeekOutputs& names, core::Date* DateOut,
                                    double& value, std::string& TEXTVALUE, core::Value* AUDITUSER,
                                    core::Value* AUDITTIMESTAMP, core::Value* STATUS, core::Value* FORCED) {
  if (cmd.Parameters(names.varid).IsNull()) return false;
  const double foundValue = cmd.Parameters(names.value).Value().ToDouble();
  const core::Date foundDate = names.dateOut ? cmd.Parameters(names.dateOut).Value().ToDate() : core::Date();
  const std::string foundText = TrimmedText(cmd.Parameters(names.text).Value());
  const std::string foundUser = TrimmedText(cmd.Parameters(names.user).Value());
  const core::Date foundStamp = DateOrZero(cmd.Parameters(names.stamp).Value());
  value = foundValue;
  if (DateOut && names.dateOut) *DateOut = foundDate;
  TEXTVALUE = foundText;
  if (AUDITUSER) *AUDITUSER = foundUser;
  if (AUDITTIMESTAMP) *AUDITTIMESTAMP = foundStamp;
  if (STATUS) *STATUS = cmd.Parameters(names.status).Value();
  if (FORCED) *FORCED = cmd.Parameters(names.forced).Value();
  return true;
}

core::Date ProcedureCommand::DateOrZero(const core::Value& v) { return v.IsNull() ? core::Date() : v.ToDate(); }
