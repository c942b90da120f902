// Lock dates and last runs of a collector: the last runs read in service mode only, the lock
// date of each facility from its Settings row, the start and end of the date range, and the
// last-run row written to the root schema with its calculation request.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ModelProgram.h"
#include "RootDatabase.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/NetInfo.h"
#include "import/model/CommonLastRun.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

using core::Date;

namespace {

const Date k1970 = Date::FromParts(1970, 1, 1);

class LastRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!root_.Ok()) GTEST_SKIP();
    program_.PointAt(root_.Cluster());
  }

  modeltest::ModelProgram program_;
  modeltest::RootDatabase root_;
};

TEST_F(LastRunTest, LastRunsAreReadInServiceModeOnly) {
  root_.Exec(
      "INSERT INTO g2_server_run (interface_id, filename, lastrun) VALUES (7, 'NORTH', '2024-03-05 14:20:00'), "
      "(7, 'EMPTY', NULL), (8, 'SOUTH', '2024-01-01 00:00:00')");
  CommonLastRun interactive;
  interactive.DefaultStart(Date::FromParts(2024, 2, 1));
  EXPECT_TRUE(interactive.ReadVornKrym(7, root_.Connection()));
  EXPECT_EQ(interactive.startdate("north"), Date::FromParts(2024, 2, 1));
  EXPECT_EQ(program_.LogCount("Last Run Date for facility"), 0);

  program_.ctx.isNTService = true;
  CommonLastRun service;
  service.DefaultStart(Date::FromParts(2024, 2, 1));
  EXPECT_TRUE(service.ReadVornKrym(7, root_.Connection()));
  EXPECT_EQ(program_.LogCount(" : Last Run Date for facility NORTH was detected to be 3/5/2024 2:20:00 PM\r\n"), 1);
  EXPECT_EQ(program_.LogCount(" : Last Run Date for facility EMPTY was detected to be \r\n"), 1);
  EXPECT_EQ(program_.LogCount("SOUTH"), 0);
  EXPECT_EQ(service.startdate("north"), Date::FromParts(2024, 3, 5, 14, 20, 0));
  EXPECT_EQ(service.startdate("SOUTH"), Date::FromParts(2024, 2, 1));
  // A last run stored as Null cannot be read as a date.
  EXPECT_EQ(modeltest::ErrorNumber([&] { service.startdate("EMPTY"); }), core::err::kTypeMismatch);

  // A second read starts from an empty table.
  root_.Exec("DELETE FROM g2_server_run");
  EXPECT_TRUE(service.ReadVornKrym(7, root_.Connection()));
  EXPECT_EQ(service.startdate("NORTH"), Date::FromParts(2024, 2, 1));

  root_.Exec("DROP TABLE g2_server_run");
  EXPECT_FALSE(service.ReadVornKrym(7, root_.Connection()));
}

TEST_F(LastRunTest, LockDateOfEachFacility) {
  testsupport::KrymFixture none, dated, nullValue, notADate, noTable;
  ASSERT_TRUE(none.Ok() && dated.Ok() && nullValue.Ok() && notADate.Ok() && noTable.Ok());
  dated.Exec("INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '12/07/2026'), ('Other', 'x')");
  nullValue.Exec("INSERT INTO settings (setting, curvalue) VALUES ('LockDate', NULL)");
  notADate.Exec("INSERT INTO settings (setting, curvalue) VALUES ('LockDate', 'soon')");
  noTable.Exec("DROP TABLE settings");

  CommonLastRun lr;
  EXPECT_TRUE(lr.ReadVornKrymFacilLockDates(""));
  ASSERT_TRUE(lr.ReadVornKrymFacilLockDates(none.Name() + "~" + dated.Name() + "~" + nullValue.Name()));
  EXPECT_EQ(lr.LockDate(none.Name()), k1970);
  EXPECT_EQ(lr.LockDate(core::LCase(dated.Name())), Date::FromParts(2026, 12, 7));
  EXPECT_EQ(lr.LockDate(nullValue.Name()), k1970);
  EXPECT_EQ(lr.LockDate(notADate.Name()), Date());  // not read

  for (const std::string& bad : {notADate.Name(), noTable.Name(), "NO_SUCH_" + none.Name()}) {
    CommonLastRun partial;
    EXPECT_FALSE(partial.ReadVornKrymFacilLockDates(dated.Name() + "~" + bad + "~" + none.Name())) << bad;
    EXPECT_EQ(partial.LockDate(dated.Name()), Date::FromParts(2026, 12, 7)) << bad;
    EXPECT_EQ(partial.LockDate(bad), Date()) << bad;
    EXPECT_EQ(partial.LockDate(none.Name()), Date()) << bad;  // after the failure
  }

  // A facility met twice is the table's duplicate key.
  EXPECT_EQ(modeltest::ErrorNumber([&] { lr.ReadVornKrymFacilLockDates(none.Name()); }), 457);
  CommonLastRun twice;
  EXPECT_EQ(modeltest::ErrorNumber([&] { twice.ReadVornKrymFacilLockDates(none.Name() + "~" + none.Name()); }), 457);
  EXPECT_EQ(twice.LockDate(none.Name()), k1970);
}

TEST_F(LastRunTest, DateRangeAgainstTheLockDate) {
  testsupport::KrymFixture locked;
  ASSERT_TRUE(locked.Ok());
  locked.Exec("INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '2026-12-07 00:00:00')");
  CommonLastRun lr;
  EXPECT_EQ(lr.startdate("ANY"), program_.clock.Now());  // the defaults start as now
  EXPECT_EQ(lr.enddate("ANY"), program_.clock.Now());
  ASSERT_TRUE(lr.ReadVornKrymFacilLockDates(locked.Name()));

  lr.DefaultStart(Date::FromParts(2026, 1, 1, 6, 0, 0));
  EXPECT_EQ(lr.startdate("plain"), Date::FromParts(2026, 1, 1, 6, 0, 0));
  EXPECT_EQ(lr.startdate(locked.Name()), Date::FromParts(2026, 12, 7));  // raised to the lock date
  // The default a facility was given stays with it.
  lr.DefaultStart(Date::FromParts(2027, 1, 1));
  EXPECT_EQ(lr.startdate("PLAIN"), Date::FromParts(2026, 1, 1, 6, 0, 0));
  EXPECT_EQ(lr.startdate("other"), Date::FromParts(2027, 1, 1));

  struct Case {
    Date end;
    bool violates;
  };
  for (const Case& c : {Case{Date::FromParts(2026, 12, 7), false}, Case{Date::FromParts(2026, 12, 6, 23, 59, 59), true},
                        Case{Date::FromParts(2026, 12, 8), false}}) {
    lr.DefaultEnd(c.end);
    EXPECT_EQ(lr.enddate(locked.Name()), c.end);
    EXPECT_EQ(lr.ViolatesLockDate(locked.Name()), c.violates) << c.end.GeneralText();
    EXPECT_FALSE(lr.ViolatesLockDate("not read"));  // lock date 0
  }
}

// Last-run rows go to the shared root schema: each test uses a collector id and facility names
// of its own and removes its rows again.
class PersistLastRunTest : public LastRunTest {
 protected:
  void SetUp() override {
    LastRunTest::SetUp();
    if (IsSkipped()) return;
    std::random_device rd;
    collector_ = 1000000 + static_cast<std::int32_t>(rd() % 1000000000);
    facility_ = root_.Name() + "_F";
    shared_.Open(modeltest::RootDatabase::OleDbString(root_.Cluster(), "QALROOT"));
  }
  void TearDown() override {
    if (!shared_.IsOpen()) return;
    shared_.Execute("DELETE FROM g2_server_run WHERE interface_id = " + std::to_string(collector_));
    shared_.Execute("DELETE FROM calcqueue WHERE facility LIKE '" + root_.Name() + "%'");
  }

  platform::db::Recordset Rows(const std::string& sql) {
    platform::db::Recordset rs;
    rs.Open(sql, shared_);
    return rs;
  }
  platform::db::Recordset RunRows() {
    return Rows("SELECT * FROM g2_server_run WHERE interface_id = " + std::to_string(collector_));
  }
  platform::db::Recordset CalcRows() {
    return Rows("SELECT * FROM calcqueue WHERE facility LIKE '" + root_.Name() + "%' ORDER BY id");
  }

  std::int32_t collector_ = 0;
  std::string facility_;
  platform::db::Connection shared_;
};

TEST_F(PersistLastRunTest, WritesTheRowWithTheHostFacts) {
  program_.config.item("OPTIONS\\AUTOMATED_IMPORT\\SUBMIT_CALC_REQUEST", "NO");
  const std::string quoted = facility_ + "'S";
  CommonLastRun lr;
  ASSERT_TRUE(lr.PersistLastRunDate(collector_, quoted, Date::FromParts(2024, 3, 5, 14, 20, 0)));
  NetInfo host;
  host.GetNetInfo();
  {
    platform::db::Recordset rs = RunRows();
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("filename").Value().ToString(), quoted);
    EXPECT_EQ(rs.Fields("lastrun").Value().ToDate(), Date::FromParts(2024, 3, 5, 14, 20, 0));
    EXPECT_EQ(rs.Fields("audituser").Value().ToString(), "VIA_K30418");
    EXPECT_EQ(rs.Fields("audittimestamp").Value().ToDate(), program_.clock.Now());
    EXPECT_EQ(rs.Fields("workstation").Value().Text(), host.WorkStation());
    EXPECT_EQ(rs.Fields("netuser").Value().Text(), host.NetUser());
    EXPECT_EQ(rs.Fields("ip").Value().Text(), host.IPAddrs());
    EXPECT_EQ(rs.Fields("localpath").Value().ToString(), program_.ctx.app.Path);
  }
  EXPECT_EQ(program_.LogCount(" : Updated Last Run Date for facility " + quoted + " to 3/5/2024 2:20:00 PM\r\n"), 1);

  // The same facility again changes its one row.
  program_.ctx.writeAsUser = "OPS";
  program_.clock.Set(Date::FromParts(2024, 7, 2, 8, 0, 0));
  ASSERT_TRUE(lr.PersistLastRunDate(collector_, quoted, Date::FromParts(2024, 3, 6)));
  ASSERT_TRUE(lr.PersistLastRunDate(collector_, facility_, Date::FromParts(2024, 3, 7)));
  platform::db::Recordset rs =
      Rows("SELECT * FROM g2_server_run WHERE interface_id = " + std::to_string(collector_) + " ORDER BY filename");
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Fields("filename").Value().ToString(), facility_);
  rs.MoveNext();
  EXPECT_EQ(rs.Fields("filename").Value().ToString(), quoted);
  EXPECT_EQ(rs.Fields("lastrun").Value().ToDate(), Date::FromParts(2024, 3, 6));
  EXPECT_EQ(rs.Fields("audituser").Value().ToString(), "OPS");
  EXPECT_EQ(rs.Fields("audittimestamp").Value().ToDate(), Date::FromParts(2024, 7, 2, 8, 0, 0));
  EXPECT_EQ(CalcRows().RecordCount(), 0);
}

// The facility id is a value of the statement that looks for the row, never a part of it, also
// where the server reads a backslash in a literal as an escape: a look-up that found another
// facility's row would update nothing and lose the last run.
TEST_F(PersistLastRunTest, TheFacilityIdOnlyEverNamesItsOwnRow) {
  program_.config.item("OPTIONS\\AUTOMATED_IMPORT\\SUBMIT_CALC_REQUEST", "NO");
  program_.config.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS",
                       "Port=" + std::to_string(root_.Cluster().port) +
                           ";ConnSettings=SET standard_conforming_strings TO off;");
  const std::string hostile = facility_ + "\\' OR 1=1 --";
  CommonLastRun lr;
  ASSERT_TRUE(lr.PersistLastRunDate(collector_, facility_, Date::FromParts(2024, 3, 5)));
  ASSERT_TRUE(lr.PersistLastRunDate(collector_, hostile, Date::FromParts(2024, 3, 6)));

  platform::db::Recordset rs =
      Rows("SELECT * FROM g2_server_run WHERE interface_id = " + std::to_string(collector_) + " ORDER BY filename");
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Fields("filename").Value().ToString(), facility_);
  EXPECT_EQ(rs.Fields("lastrun").Value().ToDate(), Date::FromParts(2024, 3, 5));
  rs.MoveNext();
  EXPECT_EQ(rs.Fields("filename").Value().ToString(), hostile);
  EXPECT_EQ(rs.Fields("lastrun").Value().ToDate(), Date::FromParts(2024, 3, 6));
}

TEST_F(PersistLastRunTest, SettingsThatFillNoManagerWriteNothing) {
  program_.config.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "3");
  CommonLastRun lr;
  EXPECT_FALSE(lr.PersistLastRunDate(collector_, facility_, Date::FromParts(2024, 3, 5)));
  EXPECT_EQ(RunRows().RecordCount(), 0);
  EXPECT_EQ(CalcRows().RecordCount(), 0);
  EXPECT_EQ(program_.LogCount("Unable to init"), 0);  // no message box here
}

TEST_F(PersistLastRunTest, CalculationRequestStartsAtTheShiftedLastRunDay) {
  testsupport::KrymFixture locked;
  ASSERT_TRUE(locked.Ok());
  locked.Exec("INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '2024-03-10 06:00:00')");
  const std::string plain = facility_;
  const std::string lockedName = locked.Name();
  root_.Exec("INSERT INTO g2_server_run (interface_id, filename, lastrun) VALUES (7, '" + plain +
             "', '2024-03-05 14:20:00'), (7, '" + lockedName + "', '2024-03-05 14:20:00')");
  program_.ctx.isNTService = true;

  struct Case {
    const char* submit;
    const char* shift;
    bool locked;
    bool requested;
    Date start;
  };
  const Case cases[] = {
      {"YES", "-60", false, true, Date::FromParts(2024, 3, 4, 23, 0, 0)},
      {"YES", "0", false, true, Date::FromParts(2024, 3, 5)},
      {"YES", "90", true, true, Date::FromParts(2024, 3, 10, 1, 30, 0)},  // from the lock date's day
      {"YES", "abc", false, false, Date()},
      {"yes", "0", false, false, Date()},
      {"NO", "0", false, false, Date()},
  };
  const Date end = Date::FromParts(2024, 3, 12, 8, 0, 0);
  for (const Case& c : cases) {
    const std::string facility = c.locked ? lockedName : plain;
    program_.config.item("OPTIONS\\AUTOMATED_IMPORT\\SUBMIT_CALC_REQUEST", c.submit);
    program_.config.item("OPTIONS\\AUTOMATED_IMPORT\\STARTDATE_SHIFT_MINUTE", c.shift);
    shared_.Execute("DELETE FROM calcqueue WHERE facility LIKE '" + root_.Name() + "%'");
    shared_.Execute("DELETE FROM calcqueue WHERE facility = '" + lockedName + "'");
    CommonLastRun lr;
    ASSERT_TRUE(lr.ReadVornKrym(7, root_.Connection()));
    if (c.locked) {
      ASSERT_TRUE(lr.ReadVornKrymFacilLockDates(lockedName));
    }
    ASSERT_TRUE(lr.PersistLastRunDate(collector_, facility, end)) << c.shift;

    platform::db::Recordset rs = Rows("SELECT * FROM calcqueue WHERE facility = '" + core::SqlQuoted(facility) + "'");
    ASSERT_EQ(rs.RecordCount(), c.requested ? 1 : 0) << c.submit << " " << c.shift;
    if (!c.requested) continue;
    EXPECT_EQ(rs.Fields("status").Value().ToLong(), 0);
    EXPECT_EQ(rs.Fields("vlist").Value().Text(), "");
    EXPECT_EQ(rs.Fields("datestart").Value().ToDate(), c.start) << c.shift;
    EXPECT_EQ(rs.Fields("dateend").Value().ToDate(), end);
    EXPECT_EQ(rs.Fields("audituser").Value().ToString(), "VIA_K30418");
    EXPECT_EQ(program_.LogCount(" : Submitted Calc Request for facility " + facility + " for dates from " +
                                core::Format(c.start, "mm/dd/yyyy HH:nn:ss") + " to 03/12/2024 08:00:00\r\n"),
              1);
  }
  shared_.Execute("DELETE FROM calcqueue WHERE facility = '" + lockedName + "'");
}

}  // namespace
