#include "platform/db/Command.h"

#include "platform/db/Connection.h"
#include "platform/db/ConnectionStringParts.h"
#include "platform/db/DbException.h"
#include "platform/db/OdbcLink.h"
#include "platform/db/OdbcStatement.h"
#include "platform/db/ResultTable.h"

namespace platform::db {

namespace {

[[noreturn]] void ParameterNotFound(const std::string& item) {
  throw DbException(dberr::kItemNotFound,
                    "Item cannot be found in the collection corresponding to the requested name or ordinal. (" +
                        item + ")");
}

[[noreturn]] void NoConnection() {
  throw DbException(dberr::kConnectionUnusable,
                    "The connection cannot be used to perform this operation. It is either closed or invalid in "
                    "this context.");
}

}  // namespace

Command::Command() = default;
Command::~Command() = default;
Command::Command(Command&&) noexcept = default;
Command& Command::operator=(Command&&) noexcept = default;

void Command::ActiveConnection(Connection& connection) { link_ = connection.link_; }

bool Command::HasActiveConnection() const { return !link_.expired(); }

int Command::CommandTimeout() const {
  if (timeout_ >= 0) return timeout_;
  auto link = link_.lock();
  return link ? link->commandTimeout : 30;
}

void Command::CommandTimeout(int seconds) { timeout_ = seconds < 0 ? 0 : seconds; }

Parameter& Command::CreateParameter(std::string name, DataTypeEnum type, ParameterDirectionEnum direction,
                                    long size, core::Value value) {
  params_.push_back(std::make_unique<Parameter>(std::move(name), type, direction, size, std::move(value)));
  return *params_.back();
}

Parameter& Command::Parameters(std::string_view name) {
  return const_cast<Parameter&>(static_cast<const Command&>(*this).Parameters(name));
}

const Parameter& Command::Parameters(std::string_view name) const {
  for (const auto& p : params_) {
    if (ConnectionStringParts::SameName(p->Name(), name)) return *p;
  }
  ParameterNotFound(std::string(name));
}

Parameter& Command::Parameters(int index) {
  if (index < 0 || index >= ParameterCount()) ParameterNotFound(std::to_string(index));
  return *params_[static_cast<size_t>(index)];
}

std::string Command::StatementText() const {
  switch (type_) {
    case adCmdTable:
      return "SELECT * FROM " + text_;
    case adCmdStoredProc: {
      // A first return-value parameter takes the "? =" place; the others are
      // the procedure's arguments in creation order.
      size_t first = 0;
      std::string call = "{";
      if (!params_.empty() && params_.front()->Direction() == adParamReturnValue) {
        call += "? = ";
        first = 1;
      }
      call += "call " + text_ + "(";
      for (size_t i = first; i < params_.size(); ++i) call += i == first ? "?" : ",?";
      call += ")}";
      return call;
    }
    case adCmdText:
    default:
      return text_;
  }
}

Recordset Command::Execute(long* recordsAffected) {
  auto link = link_.lock();
  if (!link) NoConnection();
  link->RequireOpen();
  return link->Guard([&] {
    if (text_.empty()) throw DbException(dberr::kInvalidArgument, "Command text was not set for the command object.");
    std::vector<Parameter*> params;
    params.reserve(params_.size());
    for (auto& p : params_) params.push_back(p.get());
    OdbcStatement statement(*link, CommandTimeout());
    return Recordset(statement.Run(StatementText(), params, recordsAffected));
  });
}

}  // namespace platform::db
