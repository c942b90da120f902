// The additional-information columns of a facility's DATATBL_I, read through the column
// catalog of each Krym database type, as the test Krym's facility database has them (views in
// the shape of SQL Server's syscolumns, systypes and sysobjects and of Oracle's
// user_tab_columns over its own tables).
#include <gtest/gtest.h>

#include "ModelProgram.h"
#include "foundation/HashTable.h"
#include "import/model/CommonVarGatherer.h"
#include "platform/db/Connection.h"
#include "support/KrymFixture.h"

namespace {

// Columns a site added to the additional-information table, one of each kind.
const char* const kSiteColumns =
    "ALTER TABLE datatbl_i ADD COLUMN sample_point varchar(40), ADD COLUMN reading double precision, "
    "ADD COLUMN remark char(20), ADD COLUMN count_in integer, ADD COLUMN taken timestamp";

class DatatblIColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!facility_.Ok()) GTEST_SKIP();
    cnn_.Open(facility_.OleDbString());
  }

  modeltest::ModelProgram program_;
  testsupport::KrymFixture facility_;
  platform::db::Connection cnn_;
};

TEST_F(DatatblIColumnsTest, ReadsTheColumnsOfEachDatabaseType) {
  ASSERT_TRUE(facility_.Exec(kSiteColumns));
  struct Case {
    std::int16_t dbType;
    const char* text;     // SAMPLE_POINT
    const char* number;   // READING
    const char* fixed;    // REMARK
    const char* integer;  // COUNT_IN
    const char* date;     // TAKEN
  };
  for (const Case& c : {Case{1, "VARCHAR2\t40", "FLOAT\t", "CHAR\t", "NUMBER\t", "DATE\t"},
                        Case{2, "VARCHAR\t40", "FLOAT\t", "CHAR\t", "INT\t", "DATETIME\t"},
                        Case{0, "VARCHAR\t40", "FLOAT\t", "CHAR\t", "INT\t", "DATETIME\t"}}) {
    program_.ctx.dbType = c.dbType;
    HashTable columns;
    columns.Add("LEFT_OVER", core::Value("x"));
    CommonVarGatherer g;
    ASSERT_TRUE(g.ReadDatatblIColumns(cnn_, columns)) << c.dbType;
    EXPECT_EQ(columns.Count(), 5) << c.dbType;  // the key and audit columns are left out
    EXPECT_EQ(columns.item("SAMPLE_POINT").ToString(), c.text) << c.dbType;
    EXPECT_EQ(columns.item("READING").ToString(), c.number) << c.dbType;
    EXPECT_EQ(columns.item("REMARK").ToString(), c.fixed) << c.dbType;
    EXPECT_EQ(columns.item("COUNT_IN").ToString(), c.integer) << c.dbType;
    EXPECT_EQ(columns.item("TAKEN").ToString(), c.date) << c.dbType;
    EXPECT_FALSE(columns.Exists("LEFT_OVER"));
  }
}

TEST_F(DatatblIColumnsTest, MissingCatalogFails) {
  ASSERT_TRUE(facility_.Exec("DROP VIEW syscolumns, systypes, sysobjects, user_tab_columns"));
  for (std::int16_t dbType : {1, 2}) {
    program_.ctx.dbType = dbType;
    HashTable columns;
    CommonVarGatherer g;
    EXPECT_FALSE(g.ReadDatatblIColumns(cnn_, columns)) << dbType;
  }
}

}  // namespace
