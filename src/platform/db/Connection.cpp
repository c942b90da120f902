#include "platform/db/Connection.h"

#include "platform/db/Command.h"
#include "platform/db/ConnectionStringParts.h"
#include "platform/db/DbException.h"
#include "platform/db/OdbcLink.h"

namespace platform::db {

Connection::Connection() : link_(std::make_shared<OdbcLink>()) {}

Connection::~Connection() {
  if (link_) link_->Close();
}

// A moved-from connection gets a fresh link, so it stays usable as a closed connection.
Connection::Connection(Connection&& other) noexcept
    : link_(std::exchange(other.link_, std::make_shared<OdbcLink>())) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    link_->Close();
    link_ = std::exchange(other.link_, std::make_shared<OdbcLink>());
  }
  return *this;
}

const std::string& Connection::ConnectionString() const { return link_->connectionString; }

void Connection::ConnectionString(std::string value) {
  if (link_->IsOpen()) {
    link_->Guard([] {
      throw DbException(dberr::kObjectOpen, "Operation is not allowed when the object is open.");
    });
  }
  link_->connectionString = std::move(value);
}

int Connection::ConnectionTimeout() const { return link_->connectionTimeout; }
void Connection::ConnectionTimeout(int seconds) { link_->connectionTimeout = seconds < 0 ? 0 : seconds; }
int Connection::CommandTimeout() const { return link_->commandTimeout; }
void Connection::CommandTimeout(int seconds) { link_->commandTimeout = seconds < 0 ? 0 : seconds; }
CursorLocationEnum Connection::CursorLocation() const { return link_->cursorLocation; }
void Connection::CursorLocation(CursorLocationEnum value) { link_->cursorLocation = value; }

void Connection::Open() { link_->Open(); }

void Connection::Open(std::string connectionString) {
  ConnectionString(std::move(connectionString));
  Open();
}

void Connection::Close() noexcept { link_->Close(); }

ObjectStateEnum Connection::State() const { return link_->IsOpen() ? adStateOpen : adStateClosed; }

const std::vector<DbError>& Connection::Errors() const { return link_->Errors(); }

std::string Connection::Property(std::string_view name) const {
  return ConnectionStringParts(link_->connectionString).Get(name).value_or("");
}

Recordset Connection::Execute(const std::string& sql, long* recordsAffected) {
  Command cmd;
  cmd.ActiveConnection(*this);
  cmd.CommandText(sql);
  return cmd.Execute(recordsAffected);
}

bool Connection::LinkBroken() const {
  if (!link_->IsOpen()) return false;
  if (link_->Dead()) return true;
  for (const auto& e : link_->Errors()) {
    if (e.LinkBroken()) return true;
  }
  return false;
}

const std::string& Connection::DriverName() const { return link_->DriverName(); }
DriverFamily Connection::Family() const { return link_->Family(); }

}  // namespace platform::db
