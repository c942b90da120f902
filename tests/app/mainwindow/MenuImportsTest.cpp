// The import items of the File and Test menus against a Krym facility and a DeraRed database of
// the test's own: a test import reads every answer and writes nothing into Krym, the real one
// writes them.
#include <QAction>
#include <random>

#include "ShellProgram.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

namespace {

class MenuImports : public shelltest::ShellProgram {
 protected:
  void SetUp() override {
    shelltest::ShellProgram::SetUp();
    ASSERT_TRUE(facility_.Ok());
    ASSERT_TRUE(derared_.Ok());
    ASSERT_TRUE(facility_.Register("Menu Plant"));
    ASSERT_TRUE(PointAtTestKrym());
    PointSourceAt(derared_);
    Set("OPTIONS\\NOIU\\LIMITFACILITY", facility_.Name());
    Set("SOURCE\\RECOVERY\\SECONDS", "1");
    Set("TARGET\\RECOVERY\\SECONDS", "1");
    // The fixed range instead of the date range window.
    Set("OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI", "TRUE");
    Set("OPTIONS\\NOIU\\ASKFORDATES\\FIX_STARTDATE", "03-04-2024 00:00:00");
    Set("OPTIONS\\NOIU\\ASKFORDATES\\FIX_ENDDATE", "03-06-2024 00:00:00");

    // A collector of this test's own with one hourly variable, 12, asked at point 10.
    std::random_device rd;
    collector_ = static_cast<std::int32_t>(100000 + rd() % 2000000000u);
    ASSERT_TRUE(facility_.ExecRoot(
        "insert into g2_server (interface_id, name, description, enabled, override_audituser, collector_dateadjust, "
        "collector_qaltimezoneid, lu_id, audituser) values (" +
        std::to_string(collector_) + ", 'Menu Rounds', 'Operator rounds', -1, '', 0, 0, 30418, 'ANNA')"));
    Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", std::to_string(collector_));
    ASSERT_TRUE(facility_.Exec(
        "insert into vardesc (varid, varnum, name, vartype, units, decplaces, g2_interface_id, g2_enabled) values "
        "(12, 12, 'Var 12', 'H', 'bar', 2, " +
        std::to_string(collector_) +
        ", -1);"
        "insert into settings (setting, curvalue) values ('LockDate', '01/01/2024 00:00:00')"));
    ASSERT_TRUE(derared_.Exec(
        "insert into Tbl_Routes_Points_Questions (Route_ID, Point_ID, Question_ID, Seqno, external_id, "
        "external_id_logbook) values (1, 10, 100, 1, 12, 0);"
        "insert into Tbl_Transaction_PDA (ID, Route_Id, Point_Id, Trans_Date, Trans_Time, Guard, Notes, Missed_Point, "
        "Question_ID1, Answer1) values "
        "(1, 1, 10, '2024-03-04', '1899-12-30 09:05:00', 'ANN', '', 'N', 100, '1.5'),"
        "(2, 1, 10, '2024-03-05', '1899-12-30 11:00:00', 'JOE', '', 'N', 100, '3.5')"));
    std::ofstream(folder_ / "DeraRed.ini") << "LASTIDIMPORTED=0\r\n";
  }
  void TearDown() override {
    if (collector_ != 0)
      facility_.ExecRoot("delete from g2_server_run where interface_id = " + std::to_string(collector_) +
                         ";delete from g2_server where interface_id = " + std::to_string(collector_));
    shelltest::ShellProgram::TearDown();
  }

  // Variable 12's values in Krym as "yyyy-mm-dd hh:mi=value" in time order ("" for none).
  std::string Values() {
    platform::db::Connection cnn;
    cnn.Open(facility_.OleDbString());
    platform::db::Recordset rs;
    rs.Open(
        "select string_agg(to_char(datestamp, 'YYYY-MM-DD HH24:MI') || '=' || curvalue, ',' order by datestamp) "
        "from dataddh where varid = 12",
        cnn);
    return rs.Eof() ? std::string() : rs.Fields(0).Value().Text();
  }
  // Runs the menu item and tells whether the import it started logged its success.
  bool RunsToItsEnd(CommonUI& w, const char* item) {
    const std::string marker = std::string("-- ") + item + " --";
    objects_->logger->WriteLog(marker, 0);
    w.MenuItem(item)->trigger();
    objects_->logger->closeLog();  // what it holds goes to the file
    bool afterMarker = false;
    for (const std::string& line : LogLines()) {
      if (line == marker) afterMarker = true;
      if (afterMarker && line == "Import was successful.") return true;
    }
    return false;
  }

  testsupport::KrymFixture facility_{testsupport::KrymFixture::Kind::Facility};
  testsupport::KrymFixture derared_{testsupport::KrymFixture::Kind::DeraRed};
  std::int32_t collector_ = 0;
};

}  // namespace

TEST_F(MenuImports, TheTestMenuImportReadsAndWritesNothingTheFileMenuImportWrites) {
  CommonUI& w = OpenMainWindow();

  EXPECT_TRUE(RunsToItsEnd(w, "mnuTestImportAll"));
  EXPECT_TRUE(presenter.boxes.empty()) << presenter.Prompts().front();
  EXPECT_EQ(Values(), "") << "a test import sent values to Krym";

  EXPECT_TRUE(RunsToItsEnd(w, "mnuFileImportAll"));
  EXPECT_TRUE(presenter.boxes.empty()) << presenter.Prompts().front();
  EXPECT_EQ(Values(), "2024-03-04 09:00=1.5,2024-03-05 11:00=3.5");
}
