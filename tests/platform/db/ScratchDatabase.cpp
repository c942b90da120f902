#include "ScratchDatabase.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/db/DbException.h"

namespace dbtest {

int ErrorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::db::DbException& e) {
    return e.Number();
  }
  return 0;
}

std::string OleDbString(const testsupport::TestDatabase& cluster, const std::string& db,
                        const std::string& password) {
  return "Provider=PostgreSQL Unicode;Persist Security Info=False;Data Source=" + cluster.host +
         ";Initial Catalog=" + db + ";User ID=" + testsupport::TestDatabase::KrymUser() + ";Password=" + password +
         ";OLE DB Services =-2;Application Name=30418;Port=" + std::to_string(cluster.port) + ";CommLog=0;Debug=0;";
}

ScratchDatabase::ScratchDatabase() {
  if (!testsupport::RequireDatabase(cluster_)) return;
  std::random_device rd;
  name_ = "T_DB_" + std::to_string(rd()) + std::to_string(rd() % 1000);
  platform::db::Connection root;
  root.Open(OleDbString(cluster_, "QALROOT"));
  root.Execute("CREATE DATABASE \"" + name_ + "\"");
  root.Close();
  connection_.Open(OleDb());
  valid_ = true;
}

ScratchDatabase::~ScratchDatabase() {
  if (!valid_) return;
  connection_.Close();
  try {
    platform::db::Connection root;
    root.Open(OleDbString(cluster_, "QALROOT"));
    root.Execute("DROP DATABASE \"" + name_ + "\" WITH (FORCE)");
  } catch (const std::exception& e) {
    ADD_FAILURE() << "could not drop " << name_ << ": " << e.what();
  }
}

}  // namespace dbtest
