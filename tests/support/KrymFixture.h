#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/TestDatabase.h"

namespace testsupport {

// A database of one test's own on the test cluster: a Krym facility (made from
// db/krym/postgresql/facility.sql) or a DeraRed database (db/derared/postgresql/
// derared.sql), created empty under a random upper-case name and dropped when the
// fixture goes, so that no test sees another's rows.
//
// The fixture owns the database and its own plain ODBC connections (to it and to
// QALROOT); it works without the program's database layer. A facility can be listed
// in QALROOT's Facility table with Register(); the fixture removes that row again.
// Connections a test opens itself should close before the fixture goes; the drop
// ends any that are still open.
class KrymFixture {
 public:
  enum class Kind { Facility, DeraRed };

  // Creates the database. When the cluster is missing or the script fails, the
  // current test fails with the reason and Ok() is false.
  explicit KrymFixture(Kind kind = Kind::Facility);
  ~KrymFixture();
  KrymFixture(const KrymFixture&) = delete;
  KrymFixture& operator=(const KrymFixture&) = delete;

  bool Ok() const { return ok_; }
  // The database's name: the facility's filename, upper case ("KT3F0A19C2").
  const std::string& Name() const { return name_; }
  const TestDatabase& Cluster() const { return db_; }

  // Connection strings in the program's OLE DB form, with the psqlODBC driver as
  // provider: to this database and to the Krym root schema.
  std::string OleDbString() const { return OleDbString(db_, name_); }
  std::string RootOleDbString() const { return OleDbString(db_, "QALROOT"); }
  static std::string OleDbString(const TestDatabase& db, const std::string& database);

  // The source settings (keys of the K30418 section, without it) that make the program read
  // this database as its DeraRed, in the SQL Server shape whose dialect PostgreSQL speaks.
  std::vector<std::pair<std::string, std::string>> SourceSettings() const;

  // Run SQL (one statement, or several separated by ";") in this database or in
  // QALROOT. A failure fails the current test with the driver's message and gives false.
  bool Exec(const std::string& sql);
  bool ExecRoot(const std::string& sql);

  // Lists this facility in QALROOT's Facility table under the given display name.
  bool Register(const std::string& displayName = "");

 private:
  class Session;

  bool Create(Kind kind);
  static bool ExecIn(Session* session, const std::string& database, const std::string& sql);

  TestDatabase db_;
  bool ok_ = false;
  bool registered_ = false;
  std::string name_;
  std::unique_ptr<Session> root_;
  std::unique_ptr<Session> own_;
};

}  // namespace testsupport
