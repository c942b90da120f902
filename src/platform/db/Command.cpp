#include "platform/db/Command.h"

#include <sqlext.h>

#include <algorithm>

#include "core/Text.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionStringParts.h"
#include "platform/db/DbException.h"
#include "platform/db/OdbcLink.h"
#include "platform/db/OdbcStatement.h"
#include "platform/db/ResultTable.h"
#include "platform/db/WideText.h"

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

// The driver's quote for identifiers ("" when it has none).
std::string IdentifierQuote(OdbcLink& link) {
  SQLWCHAR quote[8] = {};
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetInfoW(link.Dbc(), SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length);
  if (!SQL_SUCCEEDED(rc)) return "";
  const std::string q = WideText::ToUtf8(quote);
  return q == " " ? "" : q;
}

// A column name as an identifier of the driver's dialect: in its quotes, a quote inside doubled.
std::string QuotedName(const std::string& name, const std::string& quote) {
  if (quote.empty()) return name;
  std::string out = quote;
  for (std::size_t i = 0; i < name.size(); ++i) {
    out += name[i];
    if (name.compare(i, quote.size(), quote) == 0) out += quote;
  }
  return out + quote;
}

// " ORDER BY" the table's primary-key columns, or "" when it has no key or the driver
// cannot tell. A table opened by name is so read in its key order, as a clustered table
// reads on SQL Server, not in whatever order the server keeps its rows (which on
// PostgreSQL changes when a row is updated). The catalog is asked for the name as
// written and as the server may have folded an unquoted name (lower or upper case).
std::string KeyOrder(OdbcLink& link, int timeout, const std::string& table) {
  const std::size_t dot = table.rfind('.');
  const std::string schema = dot == std::string::npos ? "" : table.substr(0, dot);
  const std::string name = dot == std::string::npos ? table : table.substr(dot + 1);
  std::vector<std::string> tried;
  std::vector<std::string> columns;
  try {
    for (const std::string& candidate : {name, core::LCase(name), core::UCase(name)}) {
      if (std::find(tried.begin(), tried.end(), candidate) != tried.end()) continue;
      tried.push_back(candidate);
      columns = OdbcStatement(link, timeout).PrimaryKeyColumns(schema, candidate);
      if (!columns.empty()) break;
    }
  } catch (const DbException&) {
    return "";  // a driver without the catalog call reads the table as it always did
  }
  if (columns.empty()) return "";
  const std::string quote = IdentifierQuote(link);
  std::string order = " ORDER BY ";
  for (std::size_t i = 0; i < columns.size(); ++i) order += (i ? ", " : "") + QuotedName(columns[i], quote);
  return order;
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

Recordset Command::Execute(long* recordsAffected) { return Recordset(Run(recordsAffected, nullptr)); }

void Command::Execute(const RowSink& sink) { Run(nullptr, &sink); }

std::unique_ptr<ResultTable> Command::Run(long* recordsAffected, const RowSink* sink) {
  auto link = link_.lock();
  if (!link) NoConnection();
  link->RequireOpen();
  return link->Guard([&] {
    if (text_.empty()) throw DbException(dberr::kInvalidArgument, "Command text was not set for the command object.");
    std::vector<Parameter*> params;
    params.reserve(params_.size());
    for (auto& p : params_) params.push_back(p.get());
    std::string text = StatementText();
    if (type_ == adCmdTable) text += KeyOrder(*link, CommandTimeout(), text_);
    OdbcStatement statement(*link, CommandTimeout());
    return statement.Run(text, params, recordsAffected, sink);
  });
}

}  // namespace platform::db
