// One g2_server_run row read and written on the test Krym's root schema, under a collector id
// of the test's own.
#include <gtest/gtest.h>

#include <random>

#include "core/Date.h"
#include "import/model/CommonLastRunReadWrite.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

namespace {

class LastRunRow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::RequireDatabase(db_));
    cnn_.Open(testsupport::KrymFixture::OleDbString(db_, "QALROOT"));
    std::random_device rd;
    collector_ = static_cast<std::int32_t>(100000 + rd() % 2000000000u);
    Exec("delete from g2_server_run where interface_id = " + Id());
  }
  void TearDown() override {
    if (cnn_.IsOpen()) Exec("delete from g2_server_run where interface_id = " + Id());
  }

  std::string Id() const { return std::to_string(collector_); }
  void Exec(const std::string& sql) { cnn_.Execute(sql); }
  // The row's columns as text ("NULL" for Null), "none" when there is no row.
  std::string Row(const std::string& facility) {
    platform::db::Recordset rs;
    rs.Open("select lastrun, audituser, workstation, netuser, ip, localpath from g2_server_run where interface_id = " +
                Id() + " and filename = '" + facility + "'",
            cnn_);
    if (rs.Eof()) return "none";
    std::string out;
    for (int i = 0; i < rs.FieldCount(); ++i) {
      const core::Value v = rs.Fields(i).Value();
      out += (i ? "|" : "") + (v.IsNull() ? std::string("NULL") : v.Text());
    }
    return out;
  }
  void AddFullRow(const std::string& facility, const std::string& lastrun) {
    Exec(
        "insert into g2_server_run (interface_id, filename, lastrun, workstation, netuser, ip, localpath, "
        "audituser) values (" +
        Id() + ", '" + facility + "', " + lastrun + ", 'WS1', 'ANNA', '10.0.0.7', '/opt/k30418', 'VIA_K30418')");
  }

  testsupport::TestDatabase db_;
  platform::db::Connection cnn_;
  std::int32_t collector_ = 0;
  CommonLastRunReadWrite row_;
};

}  // namespace

TEST_F(LastRunRow, WithoutACollectorNeitherCallTouchesTheDatabase) {
  AddFullRow("PLANT", "'2024-03-01 06:00:00'");
  const core::Date l = core::Date::FromParts(2024, 5, 1);
  EXPECT_FALSE(row_.SetLastRunDate("PLANT", l, cnn_));
  EXPECT_FALSE(row_.ReadLastRunInfo("PLANT", cnn_));
  EXPECT_EQ(row_.LastRun(), "");
  EXPECT_EQ(Row("PLANT"), "3/1/2024 6:00:00 AM|VIA_K30418|WS1|ANNA|10.0.0.7|/opt/k30418");
}

TEST_F(LastRunRow, SettingAddsAMissingRowWithOnlyItsKeyAndDateAndChangesOnlyTheDateOfAnother) {
  row_.InterfaceID(collector_);
  AddFullRow("PLANT", "'2024-03-01 06:00:00'");
  ASSERT_TRUE(row_.SetLastRunDate("NEW", core::Date::FromParts(2024, 5, 1, 13, 5, 9), cnn_));
  EXPECT_EQ(Row("NEW"), "5/1/2024 1:05:09 PM|NULL|NULL|NULL|NULL|NULL");
  ASSERT_TRUE(row_.SetLastRunDate("PLANT", core::Date::FromParts(2024, 6, 2), cnn_));
  EXPECT_EQ(Row("PLANT"), "6/2/2024|VIA_K30418|WS1|ANNA|10.0.0.7|/opt/k30418");
}

TEST_F(LastRunRow, ReadingFillsEveryValueWithNullsAsEmptyTexts) {
  row_.InterfaceID(collector_);
  AddFullRow("PLANT", "'2024-03-01 06:00:00'");
  Exec("insert into g2_server_run (interface_id, filename, lastrun) values (" + Id() +
       ", 'BARE', '2024-04-02 18:30:00')");

  core::Date l;
  ASSERT_TRUE(row_.ReadLastRunInfo("PLANT", cnn_, &l));
  EXPECT_EQ(l, core::Date::FromParts(2024, 3, 1, 6, 0, 0));
  EXPECT_EQ(row_.LastRun(), "3/1/2024 6:00:00 AM");
  EXPECT_EQ(row_.FacilityID(), "PLANT");
  EXPECT_EQ(row_.AUDITUSER(), "VIA_K30418");
  EXPECT_EQ(row_.WorkStation(), "WS1");
  EXPECT_EQ(row_.NetUser(), "ANNA");
  EXPECT_EQ(row_.IP(), "10.0.0.7");
  EXPECT_EQ(row_.LocalPath(), "/opt/k30418");

  ASSERT_TRUE(row_.ReadLastRunInfo("BARE", cnn_));
  EXPECT_EQ(row_.LastRun(), "4/2/2024 6:30:00 PM");
  EXPECT_EQ(row_.FacilityID(), "BARE");
  EXPECT_EQ(row_.WorkStation(), "");
  EXPECT_EQ(row_.LocalPath(), "");
}

TEST_F(LastRunRow, AMissingRowOrANullDateFailsAndKeepsThePreviousValues) {
  row_.InterfaceID(collector_);
  AddFullRow("PLANT", "'2024-03-01 06:00:00'");
  AddFullRow("NODATE", "null");
  ASSERT_TRUE(row_.ReadLastRunInfo("PLANT", cnn_));
  for (const char* facility : {"ABSENT", "NODATE"}) {
    core::Date l = core::Date::FromParts(2000, 1, 1);
    EXPECT_FALSE(row_.ReadLastRunInfo(facility, cnn_, &l)) << facility;
    EXPECT_EQ(l, core::Date::FromParts(2000, 1, 1)) << facility;
    EXPECT_EQ(row_.FacilityID(), "PLANT") << facility;
    EXPECT_EQ(row_.LastRun(), "3/1/2024 6:00:00 AM") << facility;
  }
}

TEST_F(LastRunRow, AGivenCollectorOverridesTheObjectsAndFacilityTextsAreLookedUpAsTheyStand) {
  row_.InterfaceID(collector_ + 1);  // a collector with no rows
  ASSERT_TRUE(row_.SetLastRunDate("O'HARA", core::Date::FromParts(2024, 7, 1), cnn_, collector_));
  EXPECT_EQ(Row("O''HARA"), "7/1/2024|NULL|NULL|NULL|NULL|NULL");
  EXPECT_FALSE(row_.ReadLastRunInfo("O'HARA", cnn_));
  ASSERT_TRUE(row_.ReadLastRunInfo("O'HARA", cnn_, nullptr, collector_));
  EXPECT_EQ(row_.FacilityID(), "O'HARA");
}
