// Filling a manager from the VORNKRYM keys, and the program's Krym database type
// that it sets on the way.
#include <gtest/gtest.h>

#include <string>

#include "core/RuntimeError.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"

namespace {

const char* const kType = "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE";
const char* const kProvider = "VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER";
const char* const kDataSource = "VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE";
const char* const kCustomizations = "VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS";
const char* const kTimeout = "VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT";
const char* const kCommandTimeout = "VORNKRYM\\VORNKRYM_CONNECTION_COMMAND_TIMEOUT";

// The six keys with their start-up defaults, in a store that never touches a file.
void DeclareKeys(QALConfiguration& config) {
  config.DefineTree("VORNKRYM", "");
  config.DefineTree(kType, "2");
  config.DefineTree(kProvider, "SQLNCLI");
  config.DefineTree(kDataSource, "type_in_name_of_your_datasource");
  config.DefineTree(kCustomizations, "");
  config.DefineTree(kTimeout, "15");
  config.DefineTree(kCommandTimeout, "30");
}

class InitVornKrymTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeclareKeys(config_);
    ctx_.config = &config_;
  }

  QALConfiguration config_;
  ProgramContext ctx_;
  ProgramScope scope_{ctx_};
};

TEST_F(InitVornKrymTest, TheDefaultsMakeASqlServerManager) {
  ConnectionManager cm;
  EXPECT_EQ(ctx_.dbType, 0);
  ASSERT_TRUE(CommonGlobals::InitVornKrymConnectionManager(cm));
  EXPECT_EQ(ctx_.dbType, 2);
  EXPECT_EQ(cm.CONNECTION_TIMEOUT_s(), 15);
  EXPECT_EQ(cm.COMMAND_TIMEOUT_s(), 30);
  EXPECT_EQ(cm.BuildConnectionString("QALROOT"),
            "Provider=SQLNCLI;Persist Security Info=False;Data Source=type_in_name_of_your_datasource;"
            "Initial Catalog=QALROOT;User ID=QALDBA;Password=Zt4wq;OLE DB Services =-2;Application Name=30418;");
}

TEST_F(InitVornKrymTest, KeysAreConvertedAndTrimmed) {
  config_.item(kType, " 1 ");
  config_.item(kProvider, " OraOLEDB.Oracle ");
  config_.item(kDataSource, " KRYMPROD ");
  config_.item(kCustomizations, " FetchSize=100; ");
  config_.item(kTimeout, "20.5");  // halves go to even
  config_.item(kCommandTimeout, " 120 ");
  ConnectionManager cm;
  ASSERT_TRUE(CommonGlobals::InitVornKrymConnectionManager(cm));
  EXPECT_EQ(ctx_.dbType, 1);
  EXPECT_EQ(cm.CONNECTION_TIMEOUT_s(), 20);
  EXPECT_EQ(cm.COMMAND_TIMEOUT_s(), 120);
  EXPECT_EQ(cm.BuildConnectionString("QALROOT"),
            "Provider=OraOLEDB.Oracle;Persist Security Info=False;Data Source=KRYMPROD;User ID=QALROOT;"
            "Password=Zt4wq;OLE DB Services =-2;Application Name=30418;FetchSize=100;");
}

TEST_F(InitVornKrymTest, TheTypeIsSetEvenWhenInitRefuses) {
  struct Case {
    const char* name;
    const char* type;
    const char* provider;
    const char* dataSource;
    std::int16_t dbType;
  };
  for (const Case& c :
       {Case{"type 3", "3", "SQLNCLI", "SRV", 3}, Case{"type 0", "0", "SQLNCLI", "SRV", 0},
        Case{"blank provider", "1", "  ", "ORA", 1}, Case{"blank data source", "2", "SQLNCLI", " ", 2}}) {
    config_.item(kType, c.type);
    config_.item(kProvider, c.provider);
    config_.item(kDataSource, c.dataSource);
    ConnectionManager cm;
    ASSERT_TRUE(cm.Init(2, "SQLNCLI", "EARLIER", "", false, 1, 2));
    ctx_.dbType = 9;
    EXPECT_FALSE(CommonGlobals::InitVornKrymConnectionManager(cm)) << c.name;
    EXPECT_EQ(ctx_.dbType, c.dbType) << c.name;
    EXPECT_EQ(cm.DB_DATASOURCE(), "EARLIER") << c.name;
    EXPECT_EQ(cm.CONNECTION_TIMEOUT_s(), 1) << c.name;
  }
}

TEST_F(InitVornKrymTest, ANumberThatIsNoneRaisesAndChangesNothing) {
  struct Case {
    const char* key;
    const char* value;
    int error;
  };
  for (const Case& c : {Case{kType, "abc", 13}, Case{kType, "", 13}, Case{kType, "40000", 6}, Case{kTimeout, "abc", 13},
                        Case{kCommandTimeout, "1e10", 6}, Case{kCommandTimeout, "", 13}}) {
    QALConfiguration config;
    DeclareKeys(config);
    ctx_.config = &config;
    config.item(c.key, c.value);
    config.item(kDataSource, "CHANGED");
    ConnectionManager cm;
    ASSERT_TRUE(cm.Init(1, "MSDAORA", "EARLIER", "", false, 1, 2));
    ctx_.dbType = 1;
    try {
      CommonGlobals::InitVornKrymConnectionManager(cm);
      ADD_FAILURE() << c.key << " = '" << c.value << "' raised nothing";
    } catch (const core::RuntimeError& e) {
      EXPECT_EQ(e.Number(), c.error) << c.key << " = '" << c.value << "'";
    }
    EXPECT_EQ(ctx_.dbType, 1) << c.key;
    EXPECT_EQ(cm.DB_DATASOURCE(), "EARLIER") << c.key;
    ctx_.config = &config_;
  }
}

TEST(InitVornKrymWithoutConfiguration, RaisesObjectNotSet) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  ConnectionManager cm;
  try {
    CommonGlobals::InitVornKrymConnectionManager(cm);
    ADD_FAILURE() << "raised nothing";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 91);
  }
  EXPECT_EQ(ctx.dbType, 0);
}

}  // namespace
