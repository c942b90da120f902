#include "RootDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace modeltest {

std::string RootDatabase::OleDbString(const testsupport::TestDatabase& cluster, const std::string& db) {
  return "Provider=PostgreSQL Unicode;Data Source=" + cluster.host + ";Initial Catalog=" + db +
         ";User ID=" + testsupport::TestDatabase::KrymUser() +
         ";Password=" + testsupport::TestDatabase::KrymPassword() + ";Port=" + std::to_string(cluster.port) + ";CommLog=0;Debug=0;";
}

RootDatabase::RootDatabase() {
  if (!testsupport::RequireDatabase(cluster_)) return;
  std::random_device rd;
  char buf[16];
  std::snprintf(buf, sizeof buf, "KR%08X", static_cast<unsigned>(rd()));
  std::ifstream in(std::string(K30418_SOURCE_DIR) + "/db/krym/postgresql/root.sql");
  std::stringstream script;
  script << in.rdbuf();
  try {
    platform::db::Connection shared;
    shared.Open(OleDbString(cluster_, "QALROOT"));
    // template0, as KrymFixture does: nobody connects to it.
    shared.Execute(std::string("CREATE DATABASE \"") + buf + "\" OWNER \"QALDBA\" TEMPLATE template0");
    name_ = buf;
    connection_.Open(OleDbString(cluster_, name_));
    connection_.Execute(script.str());
    ok_ = true;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot make a root database: " << e.what();
  }
}

RootDatabase::~RootDatabase() {
  connection_.Close();
  if (name_.empty()) return;
  try {
    platform::db::Connection shared;
    shared.Open(OleDbString(cluster_, "QALROOT"));
    shared.Execute("DROP DATABASE IF EXISTS \"" + name_ + "\" WITH (FORCE)");
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot drop " << name_ << ": " << e.what();
  }
}

void RootDatabase::Exec(const std::string& sql) {
  try {
    connection_.Execute(sql);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "in " << name_ << ": " << sql << "\n  " << e.what();
  }
}

}  // namespace modeltest
