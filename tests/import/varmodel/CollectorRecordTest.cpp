// The collector record: the g2_server row as read, its failures part-way, the collector's
// time-zone offset from the zone's bias row of the year, this machine's own offset, and the
// copy of a record between variable sets.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

#include "ModelProgram.h"
#include "RootDatabase.h"
#include "core/Date.h"
#include "import/model/CommonVarGatherer.h"

using core::Date;

namespace {

// Sets TZ for the scope and restores it.
class ScopedZone {
 public:
  explicit ScopedZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedZone() {
    if (old_)
      setenv("TZ", old_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  ScopedZone(const ScopedZone&) = delete;
  ScopedZone& operator=(const ScopedZone&) = delete;

 private:
  std::optional<std::string> old_;
};

class CollectorRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!root_.Ok()) GTEST_SKIP();
  }

  // A collector in zone 5 and the zone's rows of 2023 and 2024.
  void AddCollector(std::int32_t id, const std::string& enabled, const std::string& zone = "5",
                    const std::string& adjust = "1.5") {
    root_.Exec(
        "INSERT INTO g2_server (interface_id, name, description, enabled, override_audituser, collector_dateadjust, "
        "collector_qaltimezoneid, audituser, audittimestamp) VALUES (" +
        std::to_string(id) + ", '  Rounds  ', NULL, " + enabled + ", ' OPERATOR1 ', " + adjust + ", " + zone +
        ", 'ADMIN', '2024-02-03 04:05:06')");
  }
  void AddBias(std::int32_t zone, int year, int standard, int daylight, const char* startStandard,
               const char* startDaylight) {
    auto literal = [](const char* t) { return t ? "'" + std::string(t) + "'" : std::string("NULL"); };
    root_.Exec("INSERT INTO qaltimezone_bias VALUES (" + std::to_string(zone) + ", " + std::to_string(year) + ", " +
               std::to_string(standard) + ", " + std::to_string(daylight) + ", " + literal(startStandard) + ", " +
               literal(startDaylight) + ")");
  }

  modeltest::ModelProgram program_;
  modeltest::RootDatabase root_;
};

TEST_F(CollectorRecordTest, ReadsTheRow) {
  AddCollector(7, "-1");
  CommonVarGatherer g;
  ASSERT_TRUE(g.ReadAboutCollector(7, root_.Connection()));
  EXPECT_EQ(g.CollectorID(), 7);
  EXPECT_EQ(g.CollectorName(), "Rounds");
  EXPECT_EQ(g.CollectorDescription(), "");
  EXPECT_TRUE(g.CollectorEnabled());
  EXPECT_EQ(g.CollectorWriteAsUser(), "OPERATOR1");
  EXPECT_EQ(g.CollectorChangedAuditUSer(), "ADMIN");
  EXPECT_EQ(g.CollectorChangedTimeStamp(), Date::FromParts(2024, 2, 3, 4, 5, 6));
  EXPECT_EQ(g.CollectorTimeZoneID(), 5);
  EXPECT_EQ(g.CollectorDateAdjust(), 1.5);
  EXPECT_EQ(g.CollectorTimeZoneOffset(), 0);  // zone 5 has no row for 2024

  root_.Exec("UPDATE g2_server SET enabled = 0, audittimestamp = NULL WHERE interface_id = 7");
  ASSERT_TRUE(g.ReadAboutCollector(7, root_.Connection()));
  EXPECT_FALSE(g.CollectorEnabled());
  EXPECT_EQ(g.CollectorChangedTimeStamp(), Date());
}

TEST_F(CollectorRecordTest, MissingRowKeepsTheRecord) {
  AddCollector(7, "-1");
  CommonVarGatherer g;
  ASSERT_TRUE(g.ReadAboutCollector(7, root_.Connection()));
  EXPECT_FALSE(g.ReadAboutCollector(8, root_.Connection()));
  EXPECT_EQ(g.CollectorID(), 7);
  EXPECT_EQ(g.CollectorName(), "Rounds");
}

TEST_F(CollectorRecordTest, UnreadableColumnFailsPartWay) {
  struct Case {
    const char* name;
    const char* enabled;
    const char* zone;
    const char* adjust;
    bool writeAsUserRead;  // read after enabled
    bool zoneRead;
  };
  const Case cases[] = {
      {"NullEnabled", "NULL", "5", "1.5", false, false},
      {"NullZone", "-1", "NULL", "1.5", true, false},
      {"NullAdjustment", "-1", "5", "NULL", true, true},
  };
  std::int32_t id = 10;
  for (const Case& c : cases) {
    AddCollector(++id, c.enabled, c.zone, c.adjust);
    CommonVarGatherer g;
    EXPECT_FALSE(g.ReadAboutCollector(id, root_.Connection())) << c.name;
    EXPECT_EQ(g.CollectorName(), "Rounds") << c.name;  // read before the failing column
    EXPECT_EQ(g.CollectorWriteAsUser(), c.writeAsUserRead ? "OPERATOR1" : "") << c.name;
    EXPECT_EQ(g.CollectorID(), c.writeAsUserRead ? id : 0) << c.name;
    EXPECT_EQ(g.CollectorTimeZoneID(), c.zoneRead ? 5 : 0) << c.name;
    EXPECT_EQ(g.CollectorDateAdjust(), 0) << c.name;
  }
}

TEST_F(CollectorRecordTest, ZoneOffsetFollowsTheBiasRowOfTheYear) {
  // Minutes west of UTC in the table, east of UTC in the result.
  AddBias(1, 2024, -60, -120, "2024-10-27 03:00:00", "2024-03-31 02:00:00");   // northern daylight time
  AddBias(2, 2024, -600, -660, "2024-04-07 03:00:00", "2024-10-06 02:00:00");  // standard starts first
  AddBias(3, 2024, 300, 240, nullptr, nullptr);                                // no daylight time
  AddBias(4, 2023, -60, -120, "2023-10-29 03:00:00", "2023-03-26 02:00:00");   // only an older year
  struct Case {
    std::int32_t zone;
    Date now;
    double offset;
  };
  const Case cases[] = {
      {1, Date::FromParts(2024, 7, 1, 12, 0, 0), 120},  {1, Date::FromParts(2024, 12, 1, 12, 0, 0), 60},
      {1, Date::FromParts(2024, 3, 31, 2, 0, 0), 120},  {1, Date::FromParts(2024, 10, 27, 3, 0, 0), 60},
      {1, Date::FromParts(2024, 3, 31, 1, 59, 0), 60},  {2, Date::FromParts(2024, 1, 15, 12, 0, 0), 600},
      {2, Date::FromParts(2024, 7, 1, 12, 0, 0), 600},  {2, Date::FromParts(2024, 11, 15, 12, 0, 0), 600},
      {3, Date::FromParts(2024, 7, 1, 12, 0, 0), -300}, {4, Date::FromParts(2024, 7, 1, 12, 0, 0), 0},
      {4, Date::FromParts(2023, 7, 1, 12, 0, 0), 120},  {9, Date::FromParts(2024, 7, 1, 12, 0, 0), 0},
  };
  std::int32_t id = 100;
  for (const Case& c : cases) {
    AddCollector(++id, "-1", std::to_string(c.zone));
    program_.clock.Set(c.now);
    CommonVarGatherer g;
    ASSERT_TRUE(g.ReadAboutCollector(id, root_.Connection()));
    EXPECT_EQ(g.CollectorTimeZoneOffset(), c.offset) << "zone " << c.zone << " at " << c.now.GeneralText();
  }
}

TEST_F(CollectorRecordTest, InterfaceOffsetIsThisMachinesZone) {
  AddCollector(7, "-1");
  struct Case {
    const char* tz;
    double offset;
  };
  // The last zone keeps daylight time all year.
  for (const Case& c : {Case{"UTC0", 0}, Case{"XYZ-3", 180}, Case{"ABC+5", -300}, Case{"EST5EDT,0/0,J365/25", -240}}) {
    ScopedZone zone(c.tz);
    CommonVarGatherer g;
    ASSERT_TRUE(g.ReadAboutCollector(7, root_.Connection()));
    EXPECT_EQ(g.InterfaceTimezoneOffset(), c.offset) << c.tz;
  }
}

TEST_F(CollectorRecordTest, CopyTakesTheRecordOnly) {
  AddBias(1, 2024, -60, -120, "2024-10-27 03:00:00", "2024-03-31 02:00:00");
  AddCollector(7, "-1", "1");
  CommonVarGatherer session;
  ASSERT_TRUE(session.ReadAboutCollector(7, root_.Connection()));
  session.ADHOCAddVariable("PLANT", 1);

  CommonVarGatherer picked;
  picked.CopyCollectorInfo(session);
  EXPECT_EQ(picked.CollectorID(), 7);
  EXPECT_EQ(picked.CollectorName(), "Rounds");
  EXPECT_EQ(picked.CollectorDescription(), "");
  EXPECT_TRUE(picked.CollectorEnabled());
  EXPECT_EQ(picked.CollectorWriteAsUser(), "OPERATOR1");
  EXPECT_EQ(picked.CollectorChangedAuditUSer(), "ADMIN");
  EXPECT_EQ(picked.CollectorChangedTimeStamp(), Date::FromParts(2024, 2, 3, 4, 5, 6));
  EXPECT_EQ(picked.CollectorTimeZoneID(), 1);
  EXPECT_EQ(picked.CollectorTimeZoneOffset(), 120);
  EXPECT_EQ(picked.InterfaceTimezoneOffset(), session.InterfaceTimezoneOffset());
  EXPECT_EQ(picked.CollectorDateAdjust(), 1.5);
  EXPECT_EQ(picked.TotalVariable(), 0);
  EXPECT_NE(picked.FacilityNames().get(), session.FacilityNames().get());
  EXPECT_NE(picked.LastRunSettings().get(), session.LastRunSettings().get());
}

}  // namespace
