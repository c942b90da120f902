#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Date.h"
#include "platform/db/Connection.h"
#include "support/TestDatabase.h"

// A process historian of the test's own: a database on the test cluster with two sample tables
// of the historian's shape (TagName, DateTime, Value), History and DiscreteHistory, dropped
// again at the end. Connection() is open on it through the program's database layer.
class HistorianDatabase {
 public:
  HistorianDatabase();
  ~HistorianDatabase();
  HistorianDatabase(const HistorianDatabase&) = delete;
  HistorianDatabase& operator=(const HistorianDatabase&) = delete;

  bool Valid() const { return valid_; }
  platform::db::Connection& Connection() { return connection_; }

  // Adds one sample; a missing value is a NULL sample.
  void Sample(const std::string& table, const std::string& tag, core::Date at, std::optional<double> value);
  // Runs a statement of the test's own.
  void Exec(const std::string& sql);

 private:
  testsupport::TestDatabase cluster_;
  bool valid_ = false;
  std::string name_;
  platform::db::Connection connection_;
};
