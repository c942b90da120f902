#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {

std::string TestDatabase::KrymPassword() {
  std::ifstream in(std::string(K30418_SOURCE_DIR) + "/db/krym/postgresql/schema_password");
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string TestDatabase::OdbcString(const std::string& db) const {
  return "Driver={PostgreSQL Unicode};Server=" + host + ";Port=" + std::to_string(port) +
         ";Database=" + db + ";Uid=" + KrymUser() + ";Pwd=" + KrymPassword() + ";CommLog=0;Debug=0;";
}

bool RequireDatabase(TestDatabase& out) {
  const char* port = std::getenv("K30418_PG_PORT");
  if (!port || !*port) {
    ADD_FAILURE() << "This test needs the PostgreSQL test cluster: run it through scripts/test.sh, "
                     "which starts the cluster and sets K30418_PG_PORT.";
    return false;
  }
  const char* host = std::getenv("K30418_PG_HOST");
  const char* sock = std::getenv("K30418_PG_SOCKET");
  out.host = host && *host ? host : "127.0.0.1";
  out.port = std::atoi(port);
  out.socketDir = sock ? sock : "";
  return true;
}

}  // namespace testsupport
