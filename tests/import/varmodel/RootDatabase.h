#pragma once

#include <string>

#include "platform/db/Connection.h"
#include "support/TestDatabase.h"

namespace modeltest {

// A Krym root schema of one test's own: a database made from db/krym/postgresql/root.sql under
// a random name and dropped at the end, so that facilities, collectors, time zones and symbols
// written by a test meet no other test's rows. Connection() is open on it.
class RootDatabase {
 public:
  RootDatabase();
  ~RootDatabase();
  RootDatabase(const RootDatabase&) = delete;
  RootDatabase& operator=(const RootDatabase&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Name() const { return name_; }
  const testsupport::TestDatabase& Cluster() const { return cluster_; }
  platform::db::Connection& Connection() { return connection_; }
  // Runs SQL on it; a failure fails the test.
  void Exec(const std::string& sql);

  // The OLE DB form of a connection string to database db of the test cluster.
  static std::string OleDbString(const testsupport::TestDatabase& cluster, const std::string& db);

 private:
  testsupport::TestDatabase cluster_;
  bool ok_ = false;
  std::string name_;
  platform::db::Connection connection_;
};

}  // namespace modeltest
