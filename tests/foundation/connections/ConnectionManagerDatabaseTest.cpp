// The manager's strings against the real test Krym: the root and a facility
// schema open through them, an open connection keeps its settings, and the
// data-source table is read from the root's Facility rows.
#include <gtest/gtest.h>

#include "ConnectionsFixture.h"
#include "core/Text.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

namespace {

using ConnectionManagerDatabaseTest = ConnectionsTest;

TEST_F(ConnectionManagerDatabaseTest, RootAndFacilityStringsOpenTheirSchemas) {
  testsupport::KrymFixture facility;
  ASSERT_TRUE(facility.Ok());
  ConnectionManager cm;
  ASSERT_TRUE(InitForTestKrym(cm));

  platform::db::Connection root;
  cm.ConfigCnn4QALROOT(root);
  ASSERT_NO_THROW(root.Open());
  EXPECT_EQ(core::UCase(root.Execute("select current_database()").Fields(0).Value().ToString()), "QALROOT");

  // The facility id as a user might type it: blanks around, lower case.
  platform::db::Connection plant;
  cm.ConfigCnn4FACILITY(plant, "  " + core::LCase(facility.Name()) + " ");
  ASSERT_NO_THROW(plant.Open());
  EXPECT_EQ(plant.Execute("select current_database()").Fields(0).Value().ToString(), facility.Name());
  plant.Close();
}

// A facility whose file name is the name of another in braces or quotes reaches the database
// of exactly its own name, never the other one. A name the driver cannot be given exactly
// (psqlODBC keeps braces and cannot take a ";" in a database name) is refused with the reason.
TEST_F(ConnectionManagerDatabaseTest, AFacilityNameInBracesReachesExactlyThatDatabase) {
  testsupport::KrymFixture south;
  ASSERT_TRUE(south.Ok());
  ConnectionManager cm;
  ASSERT_TRUE(InitForTestKrym(cm));
  platform::db::Connection root;
  cm.ConfigCnn4QALROOT(root);
  ASSERT_NO_THROW(root.Open());

  struct Case {
    std::string name;
    bool reachable;
  };
  const Case cases[] = {{"{" + south.Name() + "}", true},
                        {"\"" + south.Name() + "\"", true},
                        {"'" + south.Name() + "'", true},
                        {south.Name() + ";X", false},
                        {"{" + south.Name() + "}}", false}};
  for (const Case& c : cases) {
    const std::string quoted = "\"" + core::Replace(c.name, "\"", "\"\"") + "\"";
    root.Execute("CREATE DATABASE " + quoted + " OWNER \"QALDBA\"");
    platform::db::Connection plant;
    cm.ConfigCnn4FACILITY(plant, core::LCase(c.name));
    if (c.reachable) {
      EXPECT_NO_THROW(plant.Open()) << c.name;
    } else {
      EXPECT_ANY_THROW(plant.Open()) << c.name;
      ASSERT_FALSE(plant.Errors().empty()) << c.name;
      EXPECT_NE(plant.Errors().front().Description().find("\"" + c.name + "\" of \"Initial Catalog\""),
                std::string::npos)
          << plant.Errors().front().Description();
    }
    if (plant.IsOpen()) {
      EXPECT_EQ(plant.Execute("select current_database()").Fields(0).Value().ToString(), c.name);
    }
    plant.Close();
    root.Execute("DROP DATABASE " + quoted + " WITH (FORCE)");
  }
}

TEST_F(ConnectionManagerDatabaseTest, AnOpenConnectionKeepsItsStringAndTimeouts) {
  ConnectionManager cm;
  ASSERT_TRUE(InitForTestKrym(cm));
  platform::db::Connection cnn;
  cm.ConfigCnn4QALROOT(cnn);
  cnn.CommandTimeout(7);
  cnn.ConnectionTimeout(8);
  ASSERT_NO_THROW(cnn.Open());
  const std::string before = cnn.ConnectionString();

  cm.COMMAND_TIMEOUT_s(44);
  cm.CONNECTION_TIMEOUT_s(55);
  EXPECT_NO_THROW(cm.ConfigCnn4FACILITY(cnn, "OTHER"));
  EXPECT_NO_THROW(cm.ConfigCnn4QALROOT(cnn));

  EXPECT_EQ(cnn.ConnectionString(), before);
  EXPECT_EQ(cnn.CommandTimeout(), 7);
  EXPECT_EQ(cnn.ConnectionTimeout(), 8);
  EXPECT_TRUE(cnn.IsOpen());
}

// A session of its own on the Krym root whose temporary facility table hides the
// shared one, so the rows are this test's alone.
class DataSourceTableTest : public ConnectionsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitForTestKrym(cm_));
    platform::db::Connection cnn;
    cm_.ConfigCnn4QALROOT(cnn);
    ASSERT_NO_THROW(cnn.Open());
    root_ = std::move(cnn);
    root_.Execute("create temporary table facility (filename varchar(64), name varchar(64), directory varchar(255))");
  }

  std::string DataSourceFor(const std::string& schema) {
    platform::db::Connection cnn;
    cm_.ConfigCnn4FACILITY(cnn, schema);
    return cnn.Property("Data Source");
  }

  ConnectionManager cm_;
  platform::db::Connection root_;
};

TEST_F(DataSourceTableTest, FacilitiesTakeTheirDirectoryWhenAsked) {
  root_.Execute(
      "insert into facility values ('north', 'North', '  srv-north  '), ('South', 'South', NULL), "
      "('West', 'West', 'srv-west')");
  // Nothing is read while replacement is off, and the data source stays the configured one.
  EXPECT_TRUE(cm_.RefreshDsHASH(root_));
  EXPECT_EQ(DataSourceFor("north"), "127.0.0.1");

  cm_.DataSourceReplace(true);
  EXPECT_EQ(DataSourceFor("north"), "");  // no table yet
  ASSERT_TRUE(cm_.RefreshDsHASH(root_));
  struct Case {
    const char* schema;
    const char* dataSource;
  };
  for (const Case& c : {Case{"NORTH", "srv-north"}, Case{" north ", "srv-north"}, Case{"south", ""},
                        Case{"WEST", "srv-west"}, Case{"EAST", ""}})
    EXPECT_EQ(DataSourceFor(c.schema), c.dataSource) << c.schema;
  // The root schema always uses the configured data source.
  platform::db::Connection rootCnn;
  cm_.ConfigCnn4QALROOT(rootCnn);
  EXPECT_EQ(rootCnn.Property("Data Source"), "127.0.0.1");

  cm_.DataSourceReplace(false);
  EXPECT_EQ(DataSourceFor("WEST"), "127.0.0.1");
}

TEST_F(DataSourceTableTest, NoRowsGiveAnEmptyTable) {
  cm_.DataSourceReplace(true);
  EXPECT_TRUE(cm_.RefreshDsHASH(root_));
  EXPECT_EQ(DataSourceFor("NORTH"), "");
}

TEST_F(DataSourceTableTest, FailuresLeaveNoHalfTable) {
  cm_.DataSourceReplace(true);
  root_.Execute("insert into facility values ('West', 'West', 'srv-west')");
  ASSERT_TRUE(cm_.RefreshDsHASH(root_));
  ASSERT_EQ(DataSourceFor("WEST"), "srv-west");

  struct Case {
    const char* name;
    const char* rows;
  };
  for (const Case& c : {Case{"file name twice in other case", "('Aa', 'A', 'srv-a'), ('AA', 'B', 'srv-b')"},
                        Case{"no file name", "(NULL, 'N', 'srv-n')"}, Case{"empty file name", "('', 'E', 'srv-e')"}}) {
    root_.Execute("delete from facility");
    root_.Execute(std::string("insert into facility values ('West', 'West', 'srv-west'), ") + c.rows);
    EXPECT_FALSE(cm_.RefreshDsHASH(root_)) << c.name;
    EXPECT_EQ(DataSourceFor("WEST"), "") << c.name;
    EXPECT_EQ(DataSourceFor("AA"), "") << c.name;
  }

  root_.Close();  // the query fails
  EXPECT_FALSE(cm_.RefreshDsHASH(root_));
  EXPECT_EQ(DataSourceFor("WEST"), "");
  bool logged = false;
  for (const std::string& line : LogLines()) logged = logged || line.rfind("RefreshDsHASH failed: ", 0) == 0;
  EXPECT_TRUE(logged);
}

}  // namespace
