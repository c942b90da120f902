// The additional-information columns of a facility's DATATBL_I, read through the column
// catalog of each Krym database type. PostgreSQL has neither catalog, so the facility database
// gets views in their shape over its own information schema: Oracle's user_tab_columns and SQL
// Server's syscolumns, systypes (with sysname sharing nvarchar's type code, as there) and
// sysobjects, names in upper case.
#include <gtest/gtest.h>

#include "ModelProgram.h"
#include "foundation/HashTable.h"
#include "import/model/CommonVarGatherer.h"
#include "platform/db/Connection.h"
#include "support/KrymFixture.h"

namespace {

const char* const kCatalogViews = R"sql(
CREATE VIEW user_tab_columns AS
SELECT upper(c.table_name::text) AS table_name, upper(c.column_name::text) AS column_name,
       CASE c.data_type WHEN 'character varying' THEN 'VARCHAR2' WHEN 'character' THEN 'NVARCHAR2'
                        WHEN 'integer' THEN 'NUMBER' WHEN 'double precision' THEN 'FLOAT'
                        WHEN 'timestamp without time zone' THEN 'DATE' ELSE upper(c.data_type) END AS data_type,
       CASE WHEN c.data_type = 'character' THEN 2 * c.character_maximum_length
            WHEN c.character_maximum_length IS NOT NULL THEN c.character_maximum_length
            WHEN c.data_type LIKE 'timestamp%' THEN 7 ELSE 22 END AS data_length
  FROM information_schema.columns c WHERE c.table_schema = 'public';
CREATE VIEW sysobjects AS
SELECT upper(t.relname::text) AS name, t.oid::integer AS id, 'U'::text AS xtype
  FROM pg_class t JOIN pg_namespace n ON n.oid = t.relnamespace
 WHERE n.nspname = 'public' AND t.relkind = 'r';
CREATE VIEW systypes AS
SELECT * FROM (VALUES ('varchar', 167), ('nvarchar', 231), ('sysname', 231), ('int', 56), ('float', 62),
                      ('datetime', 61)) AS t(name, xtype);
CREATE VIEW syscolumns AS
SELECT upper(c.column_name::text) AS name, t.oid::integer AS id,
       CASE c.data_type WHEN 'character varying' THEN 167 WHEN 'character' THEN 231 WHEN 'integer' THEN 56
                        WHEN 'double precision' THEN 62 ELSE 61 END AS xtype,
       CASE WHEN c.data_type = 'character' THEN 2 * c.character_maximum_length
            WHEN c.character_maximum_length IS NOT NULL THEN c.character_maximum_length
            WHEN c.data_type = 'integer' THEN 4 ELSE 8 END AS length
  FROM information_schema.columns c
  JOIN pg_class t ON t.relname = c.table_name
  JOIN pg_namespace n ON n.oid = t.relnamespace AND n.nspname = c.table_schema
 WHERE c.table_schema = 'public';
ALTER TABLE datatbl_i ADD COLUMN sample_point varchar(40), ADD COLUMN reading double precision,
                      ADD COLUMN remark char(20), ADD COLUMN count_in integer;
)sql";

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
  ASSERT_TRUE(facility_.Exec(kCatalogViews));
  struct Case {
    std::int16_t dbType;
    const char* text;     // SAMPLE_POINT
    const char* number;   // READING
    const char* wide;     // REMARK
    const char* integer;  // COUNT_IN
  };
  for (const Case& c : {Case{1, "VARCHAR2\t40", "FLOAT\t", "NVARCHAR2\t40", "NUMBER\t"},
                        Case{2, "VARCHAR\t40", "FLOAT\t", "NVARCHAR\t40", "INT\t"},
                        Case{0, "VARCHAR\t40", "FLOAT\t", "NVARCHAR\t40", "INT\t"}}) {
    program_.ctx.dbType = c.dbType;
    HashTable columns;
    columns.Add("LEFT_OVER", core::Value("x"));
    CommonVarGatherer g;
    ASSERT_TRUE(g.ReadDatatblIColumns(cnn_, columns)) << c.dbType;
    EXPECT_EQ(columns.Count(), 4) << c.dbType;  // the key and audit columns are left out
    EXPECT_EQ(columns.item("SAMPLE_POINT").ToString(), c.text) << c.dbType;
    EXPECT_EQ(columns.item("READING").ToString(), c.number) << c.dbType;
    EXPECT_EQ(columns.item("REMARK").ToString(), c.wide) << c.dbType;
    EXPECT_EQ(columns.item("COUNT_IN").ToString(), c.integer) << c.dbType;
    EXPECT_FALSE(columns.Exists("LEFT_OVER"));
  }
}

TEST_F(DatatblIColumnsTest, MissingCatalogFails) {
  for (std::int16_t dbType : {1, 2}) {
    program_.ctx.dbType = dbType;
    HashTable columns;
    CommonVarGatherer g;
    EXPECT_FALSE(g.ReadDatatblIColumns(cnn_, columns)) << dbType;
  }
}

}  // namespace
