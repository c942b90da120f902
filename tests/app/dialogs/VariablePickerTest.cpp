// The variable picker: rows from the session's set with each variable's definition read from its
// facility's Krym schema, sorting by a heading, and the picked rows as a new set.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <algorithm>
#include <map>
#include <set>

#include "DialogsFixture.h"
#include "app/dialogs/CommonPickVariable.h"
#include "app/dialogs/QtSessionDialogs.h"
#include "core/Text.h"
#include "foundation/HashTable.h"
#include "import/model/CommonLastRun.h"
#include "import/model/CommonVarGatherer.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

namespace {

using dialogtest::DialogsTest;
using Row = std::vector<std::string>;

constexpr const char* kMissing = "NOSUCHFACILITY";

class VariablePicker : public DialogsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseTestKrym());
    ASSERT_TRUE(a_.Ok());
    ASSERT_TRUE(b_.Ok());
    const char* columns =
        "insert into vardesc (varid, varnum, name, vartype, units, decplaces, description, scadatag, statistic, "
        "scalefactor) values ";
    ASSERT_TRUE(a_.Exec(std::string(columns) + "(11, 9, 'Level', 'H', 'm', 9999, 'Tank level', 'LT-101', 'AVG', NULL),"
                                               "(12, 12, 'Comment', 'T', NULL, NULL, NULL, NULL, NULL, 2.5),"
                                               "(14, NULL, 'No number', 'P', 'm', 1, NULL, NULL, NULL, 1)"));
    ASSERT_TRUE(b_.Exec(std::string(columns) + "(21, 100, 'Alpha', 'P', 'mg/l', 2, 'Dose', NULL, NULL, 0.001),"
                                               "(22, 22, 'zeta', '4', 'bar', 0, NULL, NULL, NULL, 1)"));

    names_ = std::make_shared<HashTable>();
    names_->Add(a_.Name(), core::Value("Plant A"));
    names_->Add(b_.Name(), core::Value("Plant B"));
    lastRun_ = std::make_shared<CommonLastRun>();
    set_.FacilityNames(names_);
    set_.LastRunSettings(lastRun_);
    for (int varid : {11, 12, 13, 14}) set_.ADHOCAddVariable(a_.Name(), varid);
    for (int varid : {21, 22}) set_.ADHOCAddVariable(b_.Name(), varid);
    set_.ADHOCAddVariable(kMissing, 31);
  }

  static Row RowAt(const QTableWidget& list, int row) {
    Row out;
    for (int c = 0; c < list.columnCount(); ++c) out.push_back(list.item(row, c)->text().toStdString());
    return out;
  }
  // The rows by "facility~varid".
  static std::map<std::string, Row> Rows(const QTableWidget& list) {
    std::map<std::string, Row> out;
    for (int row = 0; row < list.rowCount(); ++row) {
      Row r = RowAt(list, row);
      out[r[0] + "~" + r[1]] = r;
    }
    return out;
  }
  static void Select(QTableWidget& list, const std::set<std::string>& keys) {
    for (int row = 0; row < list.rowCount(); ++row) {
      const Row r = RowAt(list, row);
      if (keys.count(r[0] + "~" + r[1]))
        list.selectionModel()->select(list.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  static std::vector<std::string> Walk(CommonVarGatherer& set) {
    std::vector<std::string> out;
    set.MoveFirst();
    while (!set.EOF_Facility()) {
      while (!set.EOF_Variable()) {
        out.push_back(set.Current_Facility() + "~" + std::to_string(set.Current_Variable()));
        set.MoveNext_Variable();
      }
      set.MoveNext_Facility();
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string A(int varid) const { return a_.Name() + "~" + std::to_string(varid); }
  std::string B(int varid) const { return b_.Name() + "~" + std::to_string(varid); }

  testsupport::KrymFixture a_;
  testsupport::KrymFixture b_;
  std::shared_ptr<HashTable> names_;
  std::shared_ptr<CommonLastRun> lastRun_;
  CommonVarGatherer set_;
};

TEST_F(VariablePicker, RowsCarryEachVariablesDefinition) {
  CommonPickVariable dialog(icons.get());
  dialog.PreLoadVariables(set_);
  ASSERT_EQ(dialog.lpVars()->rowCount(), 7);
  const std::map<std::string, Row> rows = Rows(*dialog.lpVars());
  const std::string a = a_.Name(), b = b_.Name();
  const std::map<std::string, Row> expected = {
      {A(11),
       {a, "11", "Plant A", "9", "Level", "m", "Hour", "Parameter", "Not Fixed", "Tank level", "LT-101", "AVG", "1"}},
      {A(12), {a, "12", "Plant A", "12", "Comment", "", "Day", "Text Parameter", "0", "", "", "", "2.5"}},
      // No vardesc row, and a row without its number: the facility's name only.
      {A(13), {a, "13", "Plant A", "", "", "", "", "", "", "", "", "", ""}},
      {A(14), {a, "14", "Plant A", "", "", "", "", "", "", "", "", "", ""}},
      {B(21), {b, "21", "Plant B", "100", "Alpha", "mg/l", "Day", "Parameter", "2", "Dose", "", "", "0.001"}},
      {B(22), {b, "22", "Plant B", "22", "zeta", "bar", "4 Hours", "Parameter", "0", "", "", "", "1"}},
      // A facility that cannot be reached keeps its ids only.
      {std::string(kMissing) + "~31", {kMissing, "31", "", "", "", "", "", "", "", "", "", "", ""}},
  };
  EXPECT_EQ(rows, expected);
  EXPECT_TRUE(boxes.boxes.empty());

  // Rows come grouped by facility.
  std::vector<std::string> facilities;
  for (int row = 0; row < 7; ++row) {
    const std::string f = RowAt(*dialog.lpVars(), row)[0];
    if (facilities.empty() || facilities.back() != f) facilities.push_back(f);
  }
  EXPECT_EQ(facilities.size(), 3u);
  ExpectWhole(dialog);
}

TEST_F(VariablePicker, OneConnectionPerFacilityNotPerRow) {
  // Each facility notes the server process of every read of its vardesc.
  for (testsupport::KrymFixture* f : {&a_, &b_})
    ASSERT_TRUE(
        f->Exec("alter table vardesc rename to vardesc_t;"
                "create table readers (pid integer);"
                "create function note_reader() returns boolean language sql volatile as "
                "'insert into readers values (pg_backend_pid()); select true';"
                "create view vardesc as select * from vardesc_t where note_reader()"));
  CommonPickVariable dialog(icons.get());
  dialog.PreLoadVariables(set_);
  EXPECT_EQ(Rows(*dialog.lpVars())[A(11)][4], "Level");
  for (testsupport::KrymFixture* f : {&a_, &b_}) {
    platform::db::Connection cnn;
    cnn.Open(f->OleDbString());
    platform::db::Recordset rs;
    rs.Open("select count(distinct pid) as readers, count(*) as reads from readers", cnn);
    EXPECT_EQ(rs.Fields("readers").Value().ToLong(), 1) << f->Name();
    EXPECT_GT(rs.Fields("reads").Value().ToLong(), 1) << f->Name();
  }
}

TEST_F(VariablePicker, MissingConnectionSettingsAreToldOnce) {
  config.item("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER", "");
  CommonPickVariable dialog(icons.get());
  dialog.PreLoadVariables(set_);
  EXPECT_EQ(boxes.Prompts(), std::vector<std::string>{"Unable to init Vorn Krym Connection Manager"});
  EXPECT_EQ(boxes.boxes[0].style, 48);
  for (const auto& [key, row] : Rows(*dialog.lpVars())) EXPECT_EQ(row[2] + row[4], "") << key;
}

TEST_F(VariablePicker, HeadingClicksSortWithTheFacilityAsSecondKeyAndKeepTheSelection) {
  CommonPickVariable dialog(icons.get());
  dialog.PreLoadVariables(set_);
  QTableWidget& list = *dialog.lpVars();
  Select(list, {B(22)});
  auto column = [&list](int c) {
    std::vector<std::pair<std::string, std::string>> out;  // (cell, facility id)
    for (int row = 0; row < list.rowCount(); ++row) out.emplace_back(RowAt(list, row)[c], RowAt(list, row)[0]);
    return out;
  };
  auto nameOrder = [](const std::string& x, const std::string& y) { return core::UCase(x) < core::UCase(y); };

  for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
    emit list.horizontalHeader()->sectionClicked(CommonPickVariable::kVarName);
    const auto names = column(CommonPickVariable::kVarName);
    for (std::size_t i = 1; i < names.size(); ++i) {
      const auto& [prev, prevFacility] = names[i - 1];
      const auto& [cur, curFacility] = names[i];
      if (core::UCase(prev) == core::UCase(cur))
        EXPECT_LE(prevFacility, curFacility) << "ties go by facility id ascending, row " << i;
      else
        EXPECT_TRUE(order == Qt::AscendingOrder ? nameOrder(prev, cur) : nameOrder(cur, prev)) << prev << " / " << cur;
    }
    const std::vector<std::string> named = [&] {
      std::vector<std::string> v;
      for (const auto& [n, f] : names)
        if (!n.empty()) v.push_back(n);
      return v;
    }();
    EXPECT_EQ(named, order == Qt::AscendingOrder ? (std::vector<std::string>{"Alpha", "Comment", "Level", "zeta"})
                                                 : (std::vector<std::string>{"zeta", "Level", "Comment", "Alpha"}));
    EXPECT_EQ(list.horizontalHeader()->sortIndicatorSection(), CommonPickVariable::kVarName);
    EXPECT_EQ(list.horizontalHeader()->sortIndicatorOrder(), order);
    // The picked row moved with its items.
    const auto picked = dialog.ResultVarGatherer();
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(Walk(*picked), std::vector<std::string>{B(22)});
  }

  // Numbers sort as numbers: 9 before 12 before 22 before 100.
  emit list.horizontalHeader()->sectionClicked(CommonPickVariable::kVarNum);
  std::vector<std::string> numbers;
  for (const auto& [n, f] : column(CommonPickVariable::kVarNum))
    if (!n.empty()) numbers.push_back(n);
  EXPECT_EQ(numbers, (std::vector<std::string>{"9", "12", "22", "100"}));
}

TEST_F(VariablePicker, AHeadingLeavesTheSortWhenAnotherIsClickedAndStartsAscendingAgain) {
  CommonPickVariable dialog(icons.get());
  dialog.PreLoadVariables(set_);
  QTableWidget& list = *dialog.lpVars();
  QHeaderView& header = *list.horizontalHeader();
  auto named = [&list] {
    std::vector<std::string> v;
    for (int row = 0; row < list.rowCount(); ++row)
      if (const std::string n = RowAt(list, row)[CommonPickVariable::kVarName]; !n.empty()) v.push_back(n);
    return v;
  };
  const std::vector<std::string> up = {"Alpha", "Comment", "Level", "zeta"};
  const std::vector<std::string> down = {"zeta", "Level", "Comment", "Alpha"};
  struct Click {
    int column;
    Qt::SortOrder order;                    // the order the clicked heading shows
    const std::vector<std::string>* names;  // the names' order afterwards, when it is the sort's
  };
  const Click clicks[] = {
      {CommonPickVariable::kVarName, Qt::AscendingOrder, &up},
      {CommonPickVariable::kUnits, Qt::AscendingOrder, nullptr},
      {CommonPickVariable::kVarName, Qt::AscendingOrder, &up},  // Var Name had left the sort
      {CommonPickVariable::kVarName, Qt::DescendingOrder, &down},
      // The facility id was the second key, ascending: clicking it turns it descending.
      {CommonPickVariable::kFacilityId, Qt::DescendingOrder, nullptr},
      {CommonPickVariable::kFacilityId, Qt::AscendingOrder, nullptr},
  };
  for (const Click& c : clicks) {
    emit header.sectionClicked(c.column);
    EXPECT_EQ(header.sortIndicatorSection(), c.column);
    EXPECT_EQ(header.sortIndicatorOrder(), c.order) << "column " << c.column;
    if (c.names) {
      EXPECT_EQ(named(), *c.names) << "column " << c.column;
    }
  }
  std::vector<std::string> facilities;
  for (int row = 0; row < list.rowCount(); ++row) facilities.push_back(RowAt(list, row)[0]);
  EXPECT_TRUE(std::is_sorted(facilities.begin(), facilities.end()));
}

TEST_F(VariablePicker, ResultHoldsThePickedRowsAndSharesTheSessionsTables) {
  CommonPickVariable dialog(icons.get());
  dialog.PreLoadVariables(set_);
  Select(*dialog.lpVars(), {A(11), B(22), std::string(kMissing) + "~31"});
  std::unique_ptr<CommonVarGatherer> picked = dialog.ResultVarGatherer();
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->TotalVariable(), 3);
  EXPECT_EQ(picked->TotalFacility(), 3);
  std::vector<std::string> expected = {std::string(kMissing) + "~31", A(11), B(22)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Walk(*picked), expected);
  EXPECT_EQ(picked->FacilityNames(), names_);
  EXPECT_EQ(picked->LastRunSettings(), lastRun_);

  windowchecks::Press(dialog, "REMOVEALL");
  picked = dialog.ResultVarGatherer();
  ASSERT_NE(picked, nullptr);  // an empty set, not a missing one
  EXPECT_EQ(picked->TotalVariable(), 0);

  windowchecks::Press(dialog, "AddAll");
  EXPECT_EQ(dialog.ResultVarGatherer()->TotalVariable(), 7);
}

TEST_F(VariablePicker, ImportCancelAndTheWindowFrame) {
  QtSessionDialogs dialogs(icons.get(), nullptr);
  WhenShown<CommonPickVariable>([this](CommonPickVariable& d) {
    Select(*d.lpVars(), {B(21)});
    windowchecks::Press(d, "help");
    windowchecks::Press(d, "wizard");
  });
  SessionDialogs::PickResult r = dialogs.PickVariables(set_);
  EXPECT_FALSE(r.cancelled);
  ASSERT_NE(r.selection, nullptr);
  EXPECT_EQ(Walk(*r.selection), std::vector<std::string>{B(21)});
  EXPECT_EQ(shell.opened, std::vector<std::string>{"12059.html"});

  const std::function<void(CommonPickVariable&)> cancels[] = {
      [](CommonPickVariable& d) { windowchecks::Press(d, "cancel"); },
      [](CommonPickVariable& d) { d.reject(); },
      [](CommonPickVariable& d) { CloseThroughFrame(d); },
  };
  for (const auto& cancel : cancels) {
    WhenShown<CommonPickVariable>([&cancel](CommonPickVariable& d) {
      windowchecks::Press(d, "addall");
      cancel(d);
    });
    r = dialogs.PickVariables(set_);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.selection, nullptr);
  }
}

TEST_F(VariablePicker, WindowAndToolbarAsTheyShouldBe) {
  CommonPickVariable dialog(icons.get());
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Pick Vorn Krym Variables to Import Into");
  const char* headings[] = {"Facility", "Var #",       "Var Name",  "Units",     "Track Every", "Type",
                            "Dec Pl",   "Description", "Scada Tag", "Statistic", "Scale Factor"};
  for (int c = 2; c < CommonPickVariable::kColumnCount; ++c)
    EXPECT_EQ(dialog.lpVars()->horizontalHeaderItem(c)->text().toStdString(), headings[c - 2]);
  windowchecks::ExpectToolbar(*dialog.myToolBar(), {{"Import", "wizard", "Start Import for selected variables"},
                                                    {"Select All", "addall", "Selects All Variables"},
                                                    {"Select None", "removeall", "Selects No Variables"},
                                                    {"Help", "help", ""},
                                                    {"Cancel", "cancel", "Cancels Import"}});

  // The status bar is the window's but says nothing of its own: not on loading, not on a pick.
  ASSERT_NE(dialog.StatusBar1(), nullptr);
  dialog.PreLoadVariables(set_);
  EXPECT_EQ(dialog.StatusBar1()->currentMessage().toStdString(), "");
  Select(*dialog.lpVars(), {A(11)});
  EXPECT_EQ(dialog.StatusBar1()->currentMessage().toStdString(), "");
  windowchecks::Press(*dialog.myToolBar(), "addall");
  ASSERT_EQ(dialog.lpVars()->selectionModel()->selectedRows().size(), dialog.lpVars()->rowCount());
  EXPECT_EQ(dialog.StatusBar1()->currentMessage().toStdString(), "");
  EXPECT_TRUE(dialog.StatusBar1()->findChildren<QLabel*>().isEmpty());
}

}  // namespace
