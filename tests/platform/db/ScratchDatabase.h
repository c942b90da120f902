#pragma once

#include <functional>
#include <string>

#include "platform/db/Connection.h"
#include "support/TestDatabase.h"

namespace dbtest {

// The number of the DbException that f throws; 0 when it throws none.
int ErrorNumber(const std::function<void()>& f);

// The OLE DB form of a connection string to database db of the test cluster,
// through the PostgreSQL driver named as the provider.
std::string OleDbString(const testsupport::TestDatabase& cluster, const std::string& db,
                        const std::string& password = testsupport::TestDatabase::KrymPassword());

// A database of the test's own, created empty on the test cluster and dropped
// again at the end, so that no test depends on another's rows. Connection() is
// open on it. Valid() is false (and the test has failed) without a cluster.
class ScratchDatabase {
 public:
  ScratchDatabase();
  ~ScratchDatabase();
  ScratchDatabase(const ScratchDatabase&) = delete;
  ScratchDatabase& operator=(const ScratchDatabase&) = delete;

  bool Valid() const { return valid_; }
  const std::string& Name() const { return name_; }
  const testsupport::TestDatabase& Cluster() const { return cluster_; }
  std::string OleDb() const { return OleDbString(cluster_, name_); }
  platform::db::Connection& Connection() { return connection_; }

 private:
  testsupport::TestDatabase cluster_;
  bool valid_ = false;
  std::string name_;
  platform::db::Connection connection_;
};

}  // namespace dbtest
