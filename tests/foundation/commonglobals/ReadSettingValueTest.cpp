// The settings lookup against a real Krym root database: the key is data, never
// part of the statement, and every failure reads as Null.
#include <gtest/gtest.h>

#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "platform/db/Connection.h"
#include "support/TestDatabase.h"

namespace {

class ReadSettingValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::TestDatabase db;
    ASSERT_TRUE(testsupport::RequireDatabase(db));  // a fatal failure keeps the test body from running
    cnn_.Open(db.OdbcString("QALROOT"));
    // A temporary table lives in this session only, so parallel tests never meet.
    cnn_.Execute("CREATE TEMPORARY TABLE keys_settings (keyvalue varchar(64), curvalue varchar(255))");
    cnn_.Execute(
        "INSERT INTO keys_settings VALUES ('LockDate', '12/07/2026'), ('Owner', 'O''Brien'), "
        "('O''Brien', 'quoted key'), ('Blank', NULL), ('Zeta', 'last')");
  }

  platform::db::Connection cnn_;
};

TEST_F(ReadSettingValueTest, FindsTheRowOfTheKey) {
  struct Case {
    const char* key;
    const char* value;  // nullptr: Null
  };
  for (const Case& c :
       {Case{"LockDate", "12/07/2026"}, Case{"Owner", "O'Brien"}, Case{"O'Brien", "quoted key"}, Case{"Zeta", "last"},
        Case{"Blank", nullptr}, Case{"NoSuchKey", nullptr}, Case{"lockdate", nullptr},
        // Text that would widen a statement built from it matches no row here.
        Case{"x' OR '1'='1", nullptr}, Case{"'; DELETE FROM keys_settings; --", nullptr}}) {
    const core::Value v = CommonGlobals::ReadSettingValue(cnn_, "keys_settings", c.key);
    if (c.value) {
      ASSERT_FALSE(v.IsNull()) << c.key;
      EXPECT_EQ(v.ToString(), c.value) << c.key;
    } else {
      EXPECT_TRUE(v.IsNull()) << c.key;
    }
  }
  EXPECT_EQ(cnn_.Execute("SELECT count(*) FROM keys_settings").Fields(0).Value().ToLong(), 5);
}

TEST_F(ReadSettingValueTest, ATableNameThatIsNotOneReadsNull) {
  for (const char* table : {"keys_settings WHERE 1=1; DROP TABLE keys_settings; --", "keys_settings s,",
                            "\"keys_settings\"", "", "1abc", "a..b", "keys_settings."})
    EXPECT_TRUE(CommonGlobals::ReadSettingValue(cnn_, table, "LockDate").IsNull()) << table;
  EXPECT_EQ(cnn_.Execute("SELECT count(*) FROM keys_settings").Fields(0).Value().ToLong(), 5);
  EXPECT_EQ(CommonGlobals::ReadSettingValue(cnn_, "pg_temp.keys_settings", "Zeta").ToString(), "last");
}

TEST_F(ReadSettingValueTest, DatabaseErrorsReadNull) {
  EXPECT_TRUE(CommonGlobals::ReadSettingValue(cnn_, "no_such_table", "LockDate").IsNull());
  cnn_.Execute("CREATE TEMPORARY TABLE keys_other (keyvalue varchar(64), something varchar(10))");
  cnn_.Execute("INSERT INTO keys_other VALUES ('LockDate', 'x')");
  EXPECT_TRUE(CommonGlobals::ReadSettingValue(cnn_, "keys_other", "LockDate").IsNull());  // no curvalue
  // The connection stays usable after a failed lookup.
  EXPECT_EQ(CommonGlobals::ReadSettingValue(cnn_, "keys_settings", "Zeta").ToString(), "last");
}

TEST_F(ReadSettingValueTest, UsesTheProgramRootConnection) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  EXPECT_TRUE(CommonGlobals::ReadSettingValue("keys_settings", "Zeta").IsNull());  // no connection yet
  ctx.vornKrymCnn = &cnn_;
  EXPECT_EQ(CommonGlobals::ReadSettingValue("keys_settings", "Zeta").ToString(), "last");
  cnn_.Close();
  EXPECT_TRUE(CommonGlobals::ReadSettingValue("keys_settings", "Zeta").IsNull());  // closed
}

}  // namespace
