#include "support/KrymFixture.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace testsupport {

namespace {

std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string out;
  SQLCHAR state[6] = {};
  SQLCHAR text[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &len) == SQL_SUCCESS; ++i) {
    if (!out.empty()) out += "; ";
    out += reinterpret_cast<const char*>(state);
    out += " ";
    out += reinterpret_cast<const char*>(text);
  }
  return out.empty() ? "no diagnostics" : out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string RandomName() {
  std::random_device rd;
  std::mt19937 gen(rd());
  char buf[16];
  std::snprintf(buf, sizeof buf, "KT%08X", static_cast<unsigned>(gen()));
  return buf;
}

}  // namespace

// One plain ODBC connection, autocommit, closed on destruction.
class KrymFixture::Session {
 public:
  Session() = default;
  ~Session() {
    if (dbc_ != SQL_NULL_HDBC) {
      if (connected_) SQLDisconnect(dbc_);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool Connect(const std::string& odbc, std::string& error) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
      error = "cannot allocate an ODBC environment";
      return false;
    }
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
      error = "cannot allocate an ODBC connection";
      return false;
    }
    SQLRETURN rc =
        SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)odbc.c_str(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
      error = Diagnostics(SQL_HANDLE_DBC, dbc_);
      return false;
    }
    connected_ = true;
    return true;
  }

  // Runs the text; several statements run as one batch, all or nothing.
  bool Run(const std::string& sql, std::string& error) {
    SQLHSTMT st = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st))) {
      error = Diagnostics(SQL_HANDLE_DBC, dbc_);
      return false;
    }
    SQLRETURN rc = SQLExecDirect(st, (SQLCHAR*)sql.c_str(), static_cast<SQLINTEGER>(sql.size()));
    bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
    while (ok) {
      rc = SQLMoreResults(st);
      if (rc == SQL_NO_DATA) break;
      ok = SQL_SUCCEEDED(rc);
    }
    if (!ok) error = Diagnostics(SQL_HANDLE_STMT, st);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return ok;
  }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

std::string KrymFixture::OleDbString(const TestDatabase& db, const std::string& database) {
  return "Provider=PostgreSQL Unicode;Data Source=" + db.host + ";Initial Catalog=" + database +
         ";User ID=" + TestDatabase::KrymUser() + ";Password=" + TestDatabase::KrymPassword() +
         ";Port=" + std::to_string(db.port) + ";CommLog=0;Debug=0;";
}

KrymFixture::KrymFixture(Kind kind) {
  if (!RequireDatabase(db_)) return;
  ok_ = Create(kind);
}

bool KrymFixture::Create(Kind kind) {
  std::string error;
  root_ = std::make_unique<Session>();
  if (!root_->Connect(db_.OdbcString("QALROOT"), error)) {
    ADD_FAILURE() << "cannot connect to QALROOT: " << error;
    return false;
  }
  // A clash with another test's random name is unlikely; try a few names anyway. The copy is
  // made of template0, which nobody connects to: a copy of template1 fails while an autovacuum
  // worker visiting template1 is slow to leave it, as it can be on a loaded machine.
  for (int attempt = 0; attempt < 3 && name_.empty(); ++attempt) {
    std::string candidate = RandomName();
    if (root_->Run(
            "CREATE DATABASE \"" + candidate + "\" OWNER \"" + TestDatabase::KrymUser() + "\" TEMPLATE template0",
            error))
      name_ = candidate;
  }
  if (name_.empty()) {
    ADD_FAILURE() << "cannot create a test database: " << error;
    return false;
  }
  const std::string script =
      std::string(K30418_SOURCE_DIR) +
      (kind == Kind::Facility ? "/db/krym/postgresql/facility.sql" : "/db/derared/postgresql/derared.sql");
  const std::string text = ReadFile(script);
  if (text.empty()) {
    ADD_FAILURE() << "cannot read " << script;
    return false;
  }
  own_ = std::make_unique<Session>();
  if (!own_->Connect(db_.OdbcString(name_), error)) {
    ADD_FAILURE() << "cannot connect to " << name_ << ": " << error;
    return false;
  }
  if (!own_->Run(text, error)) {
    ADD_FAILURE() << script << " failed in " << name_ << ": " << error;
    return false;
  }
  return true;
}

KrymFixture::~KrymFixture() {
  own_.reset();  // our own connection must go before the drop
  if (!root_ || name_.empty()) return;
  std::string error;
  if (registered_) root_->Run("DELETE FROM facility WHERE filename = '" + name_ + "'", error);
  if (!root_->Run("DROP DATABASE IF EXISTS \"" + name_ + "\" WITH (FORCE)", error))
    ADD_FAILURE() << "cannot drop the test database " << name_ << ": " << error;
}

bool KrymFixture::Exec(const std::string& sql) { return ExecIn(own_.get(), name_, sql); }

bool KrymFixture::ExecRoot(const std::string& sql) { return ExecIn(root_.get(), "QALROOT", sql); }

bool KrymFixture::ExecIn(Session* session, const std::string& database, const std::string& sql) {
  if (!session) {
    ADD_FAILURE() << "no connection to " << (database.empty() ? "the test database" : database);
    return false;
  }
  std::string error;
  if (session->Run(sql, error)) return true;
  ADD_FAILURE() << "in " << database << ": " << sql << "\n  " << error;
  return false;
}

bool KrymFixture::Register(const std::string& displayName) {
  if (!ok_) return false;
  std::string name = displayName.empty() ? name_ : displayName;
  std::string quoted;
  for (char c : name) quoted += (c == '\'') ? std::string("''") : std::string(1, c);
  if (!ExecRoot("INSERT INTO facility (filename, name) VALUES ('" + name_ + "', '" + quoted + "')")) return false;
  registered_ = true;
  return true;
}

std::vector<std::pair<std::string, std::string>> KrymFixture::SourceSettings() const {
  return {{"SourceProvider", "PostgreSQL Unicode"},
          {"SourceDS", db_.host},
          {"SourceDB", name_},
          {"SourceUserID", TestDatabase::KrymUser()},
          {"SourcePassword", TestDatabase::KrymPassword()},
          {"SourceCustomization", "Port=" + std::to_string(db_.port) + ";CommLog=0;Debug=0;"},
          {"SourceDBType", "2"}};
}

}  // namespace testsupport
