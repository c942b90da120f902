#pragma once

#include <string>

namespace testsupport {

// The PostgreSQL cluster that the test command started. A test that needs the
// database calls RequireDatabase() first: without a cluster the test fails with
// a message that says how to run it, instead of passing silently.
struct TestDatabase {
  std::string host;    // 127.0.0.1
  int port = 0;
  std::string socketDir;

  // The login every Krym schema uses, with the fixed schema password.
  static std::string KrymUser() { return "QALDBA"; }
  static std::string KrymPassword();

  // A plain ODBC connection string for the psqlODBC driver to database db.
  std::string OdbcString(const std::string& db) const;
};

// Fails the current test (and returns false) when no cluster is running.
bool RequireDatabase(TestDatabase& out);

}  // namespace testsupport
