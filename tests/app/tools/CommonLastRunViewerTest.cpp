// The last-run viewer against the test Krym: one row per facility linked to the designated
// collector with its g2_server_run row, saving edited dates, and the failures of loading.
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <algorithm>
#include <random>

#include "../mainwindow/ShellProgram.h"
#include "app/tools/CommonLastRunViewer.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

namespace {

using Viewer = CommonLastRunViewer;

class LastRunViewer : public shelltest::ShellProgram {
 protected:
  void SetUp() override {
    ShellProgram::SetUp();
    ASSERT_TRUE(PointAtTestKrym());
    for (testsupport::KrymFixture* f : {&north_, &south_, &idle_}) ASSERT_TRUE(f->Ok());
    ASSERT_TRUE(north_.Register("North Plant"));
    ASSERT_TRUE(south_.Register("South Plant"));
    ASSERT_TRUE(idle_.Register("Idle Plant"));
    std::random_device rd;
    // The designation is read as a 16-bit number; ids of other tests lie above that range.
    collector_ = static_cast<std::int32_t>(20000 + rd() % 12000u);
    Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", std::to_string(collector_));
    Link(north_, collector_);
    Link(south_, collector_);
    Link(idle_, collector_ + 1);  // linked to another collector only
    ASSERT_TRUE(north_.ExecRoot(
        "insert into g2_server_run (interface_id, filename, lastrun, workstation, netuser, ip, localpath, audituser) "
        "values (" +
        Id() + ", '" + north_.Name() +
        "', '2024-03-01 06:00:00', 'WS1', 'ANNA', '10.0.0.7', '/opt/k30418', 'VIA_K30418')"));
  }
  void TearDown() override {
    north_.ExecRoot("delete from g2_server_run where interface_id in (" + Id() + ", " + std::to_string(collector_ + 1) +
                    ")");
    ShellProgram::TearDown();
  }

  static void Link(testsupport::KrymFixture& f, std::int32_t collector) {
    ASSERT_TRUE(
        f.Exec("insert into vardesc (varid, varnum, name, vartype, units, decplaces, g2_interface_id, "
               "g2_enabled) values (1, 1, 'Pressure', 'H', 'bar', 2, " +
               std::to_string(collector) + ", -1)"));
  }

  std::string Id() const { return std::to_string(collector_); }

  // The grid row (0-based) whose facility id is id; -1 when there is none.
  static int RowOf(const Viewer& v, const std::string& id) {
    for (int r = 0; r < v.fpSpread()->rowCount(); ++r)
      if (Cell(v, r, Viewer::kFacilityId) == id) return r;
    return -1;
  }
  static std::string Cell(const Viewer& v, int row, int column) {
    const QTableWidgetItem* item = v.fpSpread()->item(row, column - 1);
    return item ? item->text().toStdString() : std::string();
  }
  static void Edit(Viewer& v, int row, const std::string& text) {
    v.fpSpread()->item(row, Viewer::kLastRunDate - 1)->setText(QString::fromStdString(text));
  }
  std::string StoredLastRun(const std::string& facility) {
    platform::db::Connection cnn;
    cnn.Open(north_.RootOleDbString());
    platform::db::Recordset rs;
    rs.Open("select lastrun from g2_server_run where interface_id = " + Id() + " and filename = '" + facility + "'",
            cnn);
    return rs.Eof() ? "none" : rs.Fields(0).Value().Text();
  }

  testsupport::KrymFixture north_, south_, idle_;
  std::int32_t collector_ = 0;
};

}  // namespace

TEST_F(LastRunViewer, EachLinkedFacilityHasARowWithItsLastRunWhenItHasOne) {
  Viewer v(objects_->icons.get());
  v.show();
  EXPECT_TRUE(presenter.boxes.empty()) << presenter.Prompts().front();
  ASSERT_EQ(v.fpSpread()->rowCount(), 2);
  EXPECT_EQ(RowOf(v, idle_.Name()), -1);

  const int north = RowOf(v, north_.Name());
  ASSERT_GE(north, 0);
  const std::vector<std::string> expected = {"North Plant", north_.Name(), "03/01/2024 06:00:00", "VIA_K30418", "WS1",
                                             "ANNA",        "10.0.0.7",    "/opt/k30418"};
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(Cell(v, north, c), expected[c - 1]) << "column " << c;
  const int south = RowOf(v, south_.Name());
  ASSERT_GE(south, 0);
  EXPECT_EQ(Cell(v, south, Viewer::kFacility), "South Plant");
  for (int c = Viewer::kLastRunDate; c <= Viewer::kLocalPath; ++c) EXPECT_EQ(Cell(v, south, c), "") << c;

  // The first last-run cell is current, and only last-run cells can be edited.
  EXPECT_EQ(v.fpSpread()->currentRow(), 0);
  EXPECT_EQ(v.fpSpread()->currentColumn(), Viewer::kLastRunDate - 1);
  for (int c = 1; c <= 8; ++c)
    EXPECT_EQ(bool(v.fpSpread()->item(north, c - 1)->flags() & Qt::ItemIsEditable), c == Viewer::kLastRunDate) << c;
  ASSERT_EQ(v.myToolBar()->actions().size(), 3);
  ExpectWhole(v);
}

TEST_F(LastRunViewer, SavingWritesEveryReadableDateSkipsEmptyOnesAndReportsTheRest) {
  Viewer v(objects_->icons.get());
  const int north = RowOf(v, north_.Name()), south = RowOf(v, south_.Name());
  ASSERT_GE(north, 0);
  ASSERT_GE(south, 0);

  Edit(v, north, "5/1/2024 1:05:09 PM");
  Edit(v, south, "not a date");
  windowchecks::Press(v, "save");
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Unable to save last run dates");
  EXPECT_EQ(presenter.boxes[0].style, 48);
  EXPECT_EQ(StoredLastRun(north_.Name()), "5/1/2024 1:05:09 PM");
  EXPECT_EQ(StoredLastRun(south_.Name()), "none");
  // The box names no row; the log names the facility and the text that was not saved.
  const std::vector<std::string> log = LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "Last run date of facility " + south_.Name() + " not saved: \"not a date\" is not a date"),
            1)
      << ::testing::PrintToString(log);
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& line) { return line.rfind("Last run date of facility", 0) == 0; }),
            1);

  Edit(v, north, "");  // a cleared date leaves the stored one
  Edit(v, south, "2024-06-02 08:00:00");
  presenter.boxes.clear();
  windowchecks::Press(v, "SAVE");
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt, "Saved successfully");
  EXPECT_EQ(presenter.boxes[0].style, 64);
  EXPECT_EQ(StoredLastRun(north_.Name()), "5/1/2024 1:05:09 PM");
  EXPECT_EQ(StoredLastRun(south_.Name()), "6/2/2024 8:00:00 AM");
}

TEST_F(LastRunViewer, ATypedDateFitsItsColumnAndReadsBackAsTyped) {
  const QString typed = QStringLiteral("12/03/2026 13:50:00");
  // The width a cell needs to show the whole text: the text and the item view's margins.
  const auto fits = [&typed](const Viewer& v) {
    const QTableWidget& grid = *v.fpSpread();
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    const int needed = grid.fontMetrics().horizontalAdvance(typed) + 2 * margin;
    const int width = grid.columnWidth(Viewer::kLastRunDate - 1);
    EXPECT_GE(width, needed) << "the date column is " << width << " wide, the date needs " << needed;
    return width >= needed;
  };
  // No facility has a last run yet: the empty cells are where the operator types the first one.
  ASSERT_TRUE(north_.ExecRoot("delete from g2_server_run where interface_id = " + Id()));
  {
    Viewer v(objects_->icons.get());
    v.show();
    const int south = RowOf(v, south_.Name());
    ASSERT_GE(south, 0);
    EXPECT_TRUE(fits(v));
    Edit(v, south, typed.toStdString());
    windowchecks::Press(v, "save");
    EXPECT_EQ(presenter.Prompts(), std::vector<std::string>{"Saved successfully"});
  }
  Viewer reopened(objects_->icons.get());
  reopened.show();
  const int south = RowOf(reopened, south_.Name());
  ASSERT_GE(south, 0);
  EXPECT_EQ(Cell(reopened, south, Viewer::kLastRunDate), typed.toStdString());
  EXPECT_TRUE(fits(reopened));
}

TEST_F(LastRunViewer, SettingsThatCannotBeUsedLeaveTheGridEmpty) {
  const struct {
    const char* what;
    const char* key;
    std::string value;
    std::vector<std::string> boxes;
  } cases[] = {
      {"no provider", "VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "", {}},
      {"a designation that is no number",
       "VORNKRYM\\G2_SERVER_INTERFACE_ID",
       "abc",
       {"Unable to read last run dates from Vorn Krym\r\n13 - Type mismatch"}},
      {"a type that is no number",
       "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE",
       "two",
       {"Unable to read last run dates from Vorn Krym\r\n13 - Type mismatch: the setting "
        "VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE holds 'two'"}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(PointAtTestKrym());
    Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", Id());
    Set(c.key, c.value);
    presenter.boxes.clear();
    Viewer v(objects_->icons.get());
    EXPECT_EQ(v.fpSpread()->rowCount(), 0) << c.what;
    EXPECT_EQ(presenter.Prompts(), c.boxes) << c.what;
    // With no rows there is nothing to save.
    presenter.boxes.clear();
    windowchecks::Press(v, "save");
    EXPECT_EQ(presenter.Prompts(), std::vector<std::string>{"Unable to save last run dates"}) << c.what;
  }

  // A server that is not there is an error of the load.
  ASSERT_TRUE(PointAtTestKrym(1));
  Set("VORNKRYM\\G2_SERVER_INTERFACE_ID", Id());
  presenter.boxes.clear();
  Viewer v(objects_->icons.get());
  EXPECT_EQ(v.fpSpread()->rowCount(), 0);
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].prompt.rfind("Unable to read last run dates from Vorn Krym\r\n", 0), 0u)
      << presenter.boxes[0].prompt;
  EXPECT_EQ(presenter.boxes[0].style, 48);
}

TEST_F(LastRunViewer, HelpOpensItsPageAndCloseHidesTheWindow) {
  Viewer v(objects_->icons.get());
  v.show();
  windowchecks::Press(v, "help");
  EXPECT_EQ(shell.opened, std::vector<std::string>{HelpPage("12213")});
  windowchecks::Press(v, "Close");
  EXPECT_FALSE(v.isVisible());
}
