// Opening, failing to open, running statements, timeouts and broken links, against the test cluster.
#include "platform/db/Connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "ScratchDatabase.h"
#include "platform/db/DbException.h"

using namespace platform::db;
using dbtest::OleDbString;

namespace {

// A TCP port on 127.0.0.1 that nothing listens on.
int ClosedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

// A server that takes the TCP connection and then never says a word.
class SilentServer {
 public:
  SilentServer() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 4);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~SilentServer() { close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ready_ = testsupport::RequireDatabase(cluster_); }
  std::string Root() const { return OleDbString(cluster_, "QALROOT"); }
  testsupport::TestDatabase cluster_;
  bool ready_ = false;
};

TEST_F(ConnectionTest, OpensFromTheOleDbFormAndReportsItsDataSource) {
  if (!ready_) return;
  Connection c;
  EXPECT_EQ(c.State(), adStateClosed);
  EXPECT_EQ(c.ConnectionTimeout(), 15);
  EXPECT_EQ(c.CommandTimeout(), 30);
  c.ConnectionString(Root());
  EXPECT_EQ(c.Property("Data Source"), "127.0.0.1");
  EXPECT_EQ(c.Property("initial catalog"), "QALROOT");
  EXPECT_EQ(c.Property("Nothing Such"), "");

  c.Open();
  EXPECT_EQ(c.State(), adStateOpen);
  EXPECT_EQ(c.DriverName(), "PostgreSQL Unicode");
  EXPECT_EQ(c.Family(), DriverFamily::PostgreSQL);
  EXPECT_TRUE(c.Errors().empty());
  EXPECT_FALSE(c.LinkBroken());
  Recordset rs = c.Execute("select current_database() as db, current_user as who");
  EXPECT_EQ(rs.Fields("db").Value().ToString(), "QALROOT");
  EXPECT_EQ(rs.Fields("who").Value().ToString(), "QALDBA");

  c.Close();
  EXPECT_EQ(c.State(), adStateClosed);
  c.Close();  // closing twice is harmless
  c.Open();   // and the same connection opens again
  EXPECT_TRUE(c.IsOpen());
}

TEST_F(ConnectionTest, FailedOpensCarryANumberAndADescription) {
  if (!ready_) return;
  struct Case {
    const char* what;
    std::string oledb;
    int number;  // expected number, 0 when it is the driver's own
  };
  const Case cases[] = {
      {"wrong password", OleDbString(cluster_, "QALROOT", "wrong"), 0},
      {"closed port (a stopped server)",
       "Provider=PostgreSQL Unicode;Data Source=127.0.0.1;Initial Catalog=QALROOT;User ID=QALDBA;Password=x;Port=" +
           std::to_string(ClosedPort()) + ";",
       0},
      {"no such database", OleDbString(cluster_, "NO_SUCH_DB"), 0},
      {"unknown provider", "Provider=Foo.Bar;Data Source=127.0.0.1;", dberr::kProviderNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Connection cn;
    cn.ConnectionTimeout(5);
    try {
      cn.Open(c.oledb);
      ADD_FAILURE() << "opened";
    } catch (const DbException& e) {
      EXPECT_FALSE(e.Description().empty());
      // The driver's line breaks stay (as plain LF), its indents and empty lines go.
      EXPECT_EQ(e.Description().find_first_of("\r\t"), std::string::npos) << e.Description();
      EXPECT_EQ(e.Description().find("\n "), std::string::npos) << e.Description();
      EXPECT_NE(e.Description().back(), '\n') << e.Description();
      if (c.number) {
        EXPECT_EQ(e.Number(), c.number);
      } else {
        EXPECT_NE(e.Number(), 0) << e.Description();
      }
      ASSERT_FALSE(cn.Errors().empty());
      EXPECT_EQ(cn.Errors().front().Text(), std::to_string(e.Number()) + " - " + e.Description());
    }
    EXPECT_EQ(cn.State(), adStateClosed);
  }
}

TEST_F(ConnectionTest, ConnectionTimeoutEndsAnOpenThatGetsNoAnswer) {
  if (!ready_) return;
  SilentServer silent;
  Connection c;
  c.ConnectionTimeout(2);
  // The server never answers: only a timeout ends the open. The one set (2 s), not the default
  // (15 s): the margin between the two is what the bound below rests on, not the machine's speed.
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_THROW(c.Open("Provider=PostgreSQL Unicode;Data Source=127.0.0.1;Initial Catalog=QALROOT;User ID=QALDBA;"
                      "Password=x;Port=" + std::to_string(silent.Port()) + ";"),
               DbException);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(15)) << "the default timeout ended it";
  EXPECT_FALSE(c.Errors().empty());
  EXPECT_EQ(c.State(), adStateClosed);
}

TEST_F(ConnectionTest, TheUnknownProviderErrorNamesIt) {
  if (!ready_) return;
  Connection c;
  try {
    c.Open("Provider=SQLOLEDB.X;Data Source=x;");
    FAIL() << "opened";
  } catch (const DbException& e) {
    EXPECT_NE(e.Description().find("'SQLOLEDB.X'"), std::string::npos) << e.Description();
  }
}

TEST_F(ConnectionTest, RefusesWhatAnOpenOrClosedConnectionCannotDo) {
  if (!ready_) return;
  Connection c;
  try {
    c.Execute("select 1");
    FAIL() << "ran on a closed connection";
  } catch (const DbException& e) {
    EXPECT_EQ(e.Number(), dberr::kConnectionUnusable);
  }
  c.Open(Root());
  try {
    c.ConnectionString("Provider=Other;");
    FAIL() << "changed the string of an open connection";
  } catch (const DbException& e) {
    EXPECT_EQ(e.Number(), dberr::kObjectOpen);
  }
  EXPECT_EQ(c.ConnectionString(), Root());
  EXPECT_THROW(c.Open(), DbException);
  EXPECT_TRUE(c.IsOpen());
}

TEST_F(ConnectionTest, ExecuteGivesRowsOrARowCount) {
  dbtest::ScratchDatabase db;
  if (!db.Valid()) return;
  Connection& c = db.Connection();
  Recordset none = c.Execute("create table t (id integer)");
  EXPECT_EQ(none.State(), adStateClosed);
  long affected = 0;
  c.Execute("insert into t values (1), (2), (3)", &affected);
  EXPECT_EQ(affected, 3);
  c.Execute("delete from t where id > 5", &affected);
  EXPECT_EQ(affected, 0);
  Recordset rs = c.Execute("select count(id) from t");
  EXPECT_EQ(rs.Fields(0).Value().ToLong(), 3);
}

TEST_F(ConnectionTest, SqlErrorsAreKeptUntilTheNextFailure) {
  if (!ready_) return;
  Connection c;
  c.Open(Root());
  try {
    c.Execute("select * from no_such_table");
    FAIL();
  } catch (const DbException& e) {
    EXPECT_EQ(e.Errors().front().SqlState(), "42P01");
    EXPECT_NE(e.Description().find("no_such_table"), std::string::npos);
    EXPECT_FALSE(e.LinkBroken());
  }
  c.Execute("select 1");
  ASSERT_FALSE(c.Errors().empty());
  EXPECT_EQ(c.Errors().front().SqlState(), "42P01");
  EXPECT_FALSE(c.LinkBroken());
}

TEST_F(ConnectionTest, CommandTimeoutEndsALongStatement) {
  if (!ready_) return;
  Connection c;
  c.CommandTimeout(1);
  c.Open(Root());
  // Nothing else ends the statement before its 20 s: failing at all, it was the timeout.
  EXPECT_THROW(c.Execute("select pg_sleep(20)"), DbException);
  EXPECT_FALSE(c.LinkBroken());
  // The connection goes on working after the timeout.
  EXPECT_EQ(c.Execute("select 5").Fields(0).Value().ToLong(), 5);

  c.CommandTimeout(0);  // no limit
  EXPECT_NO_THROW(c.Execute("select pg_sleep(1.5)"));
}

TEST_F(ConnectionTest, NoticesALinkTheServerCut) {
  if (!ready_) return;
  Connection victim, admin;
  victim.Open(Root());
  admin.Open(Root());
  const auto pid = victim.Execute("select pg_backend_pid()").Fields(0).Value().ToLong();
  admin.Execute("select pg_terminate_backend(" + std::to_string(pid) + ")");

  try {
    victim.Execute("select 1");
    FAIL() << "ran on a terminated connection";
  } catch (const DbException& e) {
    EXPECT_TRUE(e.LinkBroken()) << e.Errors().front().SqlState() << " " << e.Description();
  }
  EXPECT_TRUE(victim.LinkBroken());
  EXPECT_FALSE(admin.LinkBroken());

  // Recovery: close and open again.
  victim.Close();
  victim.Open();
  EXPECT_FALSE(victim.LinkBroken());
  EXPECT_EQ(victim.Execute("select 2").Fields(0).Value().ToLong(), 2);
}

}  // namespace
