#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Value.h"
#include "platform/db/DbTypes.h"
#include "platform/db/Parameter.h"
#include "platform/db/Recordset.h"
#include "platform/db/ResultTable.h"

namespace platform::db {

class Connection;
class OdbcLink;

// A statement to run on a connection, with parameters created by name, type,
// direction and size and bound by position in creation order:
//   adCmdStoredProc  "{call name(?,...)}" (a first adParamReturnValue parameter
//                    gives "{? = call name(?,...)}"); output parameters are read
//                    back after Execute, a NULL output reading as Null;
//   adCmdText        the text as it stands, its "?" markers bound to the parameters;
//   adCmdTable       every row of the named table.
// Parameters are found by name ignoring case. Stored texts go into parameters,
// never into the SQL text.
//
// The command shares the link of its active connection but does not keep it
// open: once that connection is closed or destroyed, Execute throws
// dberr::kConnectionUnusable. Failures throw DbException and are also kept in
// the connection's Errors().
class Command {
 public:
  Command();
  ~Command();
  Command(Command&&) noexcept;
  Command& operator=(Command&&) noexcept;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  CommandTypeEnum CommandType() const { return type_; }
  void CommandType(CommandTypeEnum value) { type_ = value; }
  const std::string& CommandText() const { return text_; }
  void CommandText(std::string value) { text_ = std::move(value); }

  // The connection the command runs on; it must be the one the caller keeps.
  void ActiveConnection(Connection& connection);
  bool HasActiveConnection() const;

  // Seconds the statement may run; 0 = no limit. Until set, the active
  // connection's CommandTimeout applies.
  int CommandTimeout() const;
  void CommandTimeout(int seconds);

  // Creates a parameter and appends it after the others. Returns it for
  // setting further properties; the reference stays valid for the command's life.
  Parameter& CreateParameter(std::string name, DataTypeEnum type,
                             ParameterDirectionEnum direction = adParamInput, long size = 0,
                             core::Value value = core::Value());
  // Throw dberr::kItemNotFound for an unknown name or an index out of range.
  Parameter& Parameters(std::string_view name);
  const Parameter& Parameters(std::string_view name) const;
  Parameter& Parameters(int index);
  int ParameterCount() const { return static_cast<int>(params_.size()); }
  void ClearParameters() { params_.clear(); }

  // Runs the command. Rows it returns come back as an open static recordset
  // (callers that expect none may ignore it); output parameters are filled.
  // recordsAffected, when given, receives the driver's row count (-1 when none).
  Recordset Execute(long* recordsAffected = nullptr);
  // Runs the command and hands the rows of its first result to the sink one by one as the
  // driver gives them, keeping none: a forward-only, one-pass read of a result of any size.
  void Execute(const RowSink& sink);

 private:
  std::string StatementText() const;
  std::unique_ptr<ResultTable> Run(long* recordsAffected, const RowSink* sink);

  CommandTypeEnum type_ = adCmdText;
  std::string text_;
  std::weak_ptr<OdbcLink> link_;
  int timeout_ = -1;  // -1: the connection's
  std::vector<std::unique_ptr<Parameter>> params_;
};

}  // namespace platform::db
