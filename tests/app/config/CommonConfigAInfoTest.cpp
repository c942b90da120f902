// The additional-information map editor and its two pickers: the map's keys declared on
// opening, the checks for empty and doubled enabled entries, the picks into cells (and cancels
// that leave them), the Krym picker's list from a gatherer, and "Clear Cell".
#include <QAction>
#include <QMenu>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <algorithm>

#include "ConfigFormsFixture.h"
#include "app/config/CommonConfigAInfo.h"
#include "app/config/CommonConfigAInfoKrym.h"
#include "app/config/CommonConfigAInfoSRC.h"
#include "foundation/HashTable.h"
#include "import/model/CommonVarGatherer.h"

namespace configforms {
namespace {

using Col = CommonConfigAInfo::Column;

std::string Map(int n, const char* field) { return "TARGET\\AINFO\\MAP" + std::to_string(n) + "\\" + field; }

class AInfoForm : public ConfigForms {
 protected:
  static void Row(CommonConfigAInfo& f, int row, bool on, const std::string& source, const std::string& target) {
    f.Grid()->item(row, Col::kColEnabled)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    f.Grid()->item(row, Col::kColSource)->setText(QString::fromStdString(source));
    f.Grid()->item(row, Col::kColTarget)->setText(QString::fromStdString(target));
  }
  static std::string Cell(const CommonConfigAInfo& f, int row, int column) {
    return f.Grid()->item(row, column)->text().toStdString();
  }
  static std::vector<std::vector<std::string>> ListRows(const QTreeWidget* list) {
    std::vector<std::vector<std::string>> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      std::vector<std::string> row;
      for (int c = 0; c < list->columnCount(); ++c) row.push_back(list->topLevelItem(i)->text(c).toStdString());
      out.push_back(row);
    }
    return out;
  }
  // A gatherer that read one facility with two additional-information fields and one without.
  static void FillGatherer(CommonVarGatherer& g) {
    auto names = std::make_shared<HashTable>();
    names->Add("PLANT1", core::Value(std::string("Plant One")));
    names->Add("PLANT2", core::Value(std::string("Plant Two")));
    auto fields = std::make_shared<HashTable>();
    fields->Add("COLOR", core::Value(std::string("Colour\tVARCHAR")));
    fields->Add("NOTE", core::Value(std::string("Note\t")));
    auto facilities = std::make_shared<HashTable>();
    facilities->Add("PLANT1", fields);
    facilities->Add("PLANT2", std::make_shared<HashTable>());
    g.FacilityNames(names);
    g.FacilityAInfoFields(facilities);
  }
};

TEST_F(AInfoForm, OpeningDeclaresTheMapAndShowsTheStoredEntries) {
  EXPECT_FALSE(Config().ItemExists("TARGET\\AINFO\\ENABLED"));
  CommonConfigAInfo::DefineTree();
  Set("TARGET\\AINFO\\LOGNUMBERWRITES", "TRUE");
  Set(Map(3, "ENABLED"), "TRUE");
  Set(Map(3, "SOURCEID"), "COLOR");
  Set(Map(3, "TARGETID"), "PLANT1.COLOR");
  Set(Map(512, "ENABLED"), "true");
  Set(Map(512, "SOURCEID"), "LAST");
  CommonConfigAInfo form(Icons());
  EXPECT_TRUE(Boxes().empty());
  ASSERT_EQ(form.Grid()->rowCount(), 512);
  EXPECT_TRUE(Child<QRadioButton>(form, "enFalse")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(form, "logEnable")->isChecked());
  EXPECT_EQ(form.Grid()->item(2, Col::kColEnabled)->checkState(), Qt::Checked);
  EXPECT_EQ(Cell(form, 2, Col::kColSource), "COLOR");
  EXPECT_EQ(Cell(form, 2, Col::kColTarget), "PLANT1.COLOR");
  EXPECT_EQ(form.Grid()->item(511, Col::kColEnabled)->checkState(), Qt::Unchecked);  // exact "TRUE" only
  EXPECT_EQ(Cell(form, 511, Col::kColSource), "LAST");
}

TEST_F(AInfoForm, AnEnabledEntryWithAnEmptyFieldStopsTheApply) {
  for (const char* emptyTarget : {"", "   "}) {
    CommonConfigAInfo form(Icons());
    ForgetBoxes();
    Config().ChangeWasMade(false);
    Row(form, 0, true, "A", "P.A");
    Row(form, 3, true, "B", emptyTarget);
    Row(form, 5, false, "", "");  // an unused row may stay empty
    windowchecks::Press(form, "check");
    EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{
                           {"You may not have an empty field in your enabled map\r\nROW 4\r\nFill in the empty fields "
                            "and try Apply again",
                            48, "VALIDATION ERROR : Empty Fields detected"},
                           {"Unable to apply settings", 48, ""}}));
    EXPECT_FALSE(Config().ChangeWasMade());
    EXPECT_EQ(Get(Map(1, "SOURCEID")), "");
  }
}

TEST_F(AInfoForm, TwoEnabledEntriesMayNotShareATarget) {
  struct Case {
    const char* second;
    bool secondOn;
    bool refused;
  };
  for (const Case& c :
       {Case{"P.A", true, true}, Case{"P.A", false, false}, Case{"p.a", true, false}, Case{"P.A ", true, false}}) {
    CommonConfigAInfo form(Icons());
    ForgetBoxes();
    Row(form, 0, true, "S1", "P.A");
    Row(form, 1, c.secondOn, "S2", c.second);
    windowchecks::Press(form, "check");
    if (c.refused) {
      EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{
                             {"You may not have more than 1 source fields mapped to a single target field.\r\nP.A\r\n"
                              "Remove the duplicate entry and try Apply again",
                              48, "VALIDATION ERROR : Duplicate Entries detected"},
                             {"Unable to apply settings", 48, ""}}));
    } else {
      EXPECT_TRUE(Boxes().empty()) << c.second;
      EXPECT_EQ(Get(Map(2, "TARGETID")), c.second);
    }
  }
}

TEST_F(AInfoForm, ApplyWritesTheSwitchesAndEveryEntryAndCloses) {
  CommonConfigAInfo form(Icons());
  form.show();
  Child<QRadioButton>(form, "enTrue")->setChecked(true);
  Row(form, 0, true, "COLOR", "PLANT1.COLOR");
  Row(form, 1, false, "kept", "");
  windowchecks::Press(form, "check");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Get("TARGET\\AINFO\\ENABLED"), "TRUE");
  EXPECT_EQ(Get("TARGET\\AINFO\\LOGNUMBERWRITES"), "FALSE");
  EXPECT_EQ(Get(Map(1, "ENABLED")), "TRUE");
  EXPECT_EQ(Get(Map(1, "SOURCEID")), "COLOR");
  EXPECT_EQ(Get(Map(1, "TARGETID")), "PLANT1.COLOR");
  EXPECT_EQ(Get(Map(2, "ENABLED")), "FALSE");
  EXPECT_EQ(Get(Map(2, "SOURCEID")), "kept");
}

TEST_F(AInfoForm, TheSourcePickerPutsItsTrimmedFieldIntoTheCellUnlessCancelled) {
  CommonConfigAInfo form(Icons());
  Row(form, 6, false, "before", "");
  OnNextModal<CommonConfigAInfoSRC>([](CommonConfigAInfoSRC& picker) {
    EXPECT_EQ(picker.lpVars()->topLevelItemCount(), 0);  // the source offers no fields
    picker.txtfieldID()->setText("  typed_field ");
    windowchecks::Press(picker, "OK");
  });
  form.GridButtonClick(Col::kColSource, 6);
  EXPECT_EQ(Cell(form, 6, Col::kColSource), "typed_field");

  OnNextModal<CommonConfigAInfoSRC>([](CommonConfigAInfoSRC& picker) {
    picker.txtfieldID()->setText("other");
    windowchecks::Press(picker, "cancel");
  });
  form.GridButtonClick(Col::kColSource, 6);
  OnNextModal<CommonConfigAInfoSRC>([](CommonConfigAInfoSRC& picker) {
    picker.txtfieldID()->setText("other");
    picker.close();  // the window frame
  });
  form.GridButtonClick(Col::kColSource, 6);
  EXPECT_EQ(Cell(form, 6, Col::kColSource), "typed_field");
}

TEST_F(AInfoForm, TheKrymPickerListsTheGatherersFieldsAndHandsBackTheClickedOne) {
  CommonVarGatherer gatherer;
  FillGatherer(gatherer);
  CommonConfigAInfoKrym picker(Icons());
  picker.VarGatherer(&gatherer);
  auto rows = ListRows(picker.lpVars());
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"PLANT1.COLOR", "COLOR", "Colour (VARCHAR)", "Plant One"},
                                                         {"PLANT1.NOTE", "NOTE", "Note", "Plant One"}}));

  CommonVarGatherer none;
  CommonConfigAInfoKrym empty(Icons());
  empty.VarGatherer(&none);
  EXPECT_EQ(empty.lpVars()->topLevelItemCount(), 0);
  EXPECT_TRUE(Boxes().empty());

  CommonConfigAInfo form(Icons());
  form.VarGatherer(&gatherer);
  Row(form, 2, true, "S", "old");
  OnNextModal<CommonConfigAInfoKrym>([](CommonConfigAInfoKrym& p) {
    QTreeWidget* list = p.lpVars();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      if (list->topLevelItem(i)->text(0) != "PLANT1.NOTE") continue;
      list->setCurrentItem(list->topLevelItem(i));
      emit list->itemClicked(list->topLevelItem(i), 0);
    }
    windowchecks::Press(p, "ok");
  });
  form.GridButtonClick(Col::kColTarget, 2);
  EXPECT_EQ(Cell(form, 2, Col::kColTarget), "PLANT1.NOTE");

  OnNextModal<CommonConfigAInfoKrym>([](CommonConfigAInfoKrym& p) { windowchecks::Press(p, "Cancel"); });
  form.GridButtonClick(Col::kColTarget, 2);
  EXPECT_EQ(Cell(form, 2, Col::kColTarget), "PLANT1.NOTE");
}

TEST_F(AInfoForm, ClearCellEmptiesTheRightClickedFieldCellOnly) {
  CommonConfigAInfo form(Icons());
  Row(form, 4, true, "SRC", "P.F");
  form.GridRightClick(Col::kColTarget, 4, QPoint(10, 10));
  EXPECT_TRUE(form.mnuPopUp()->isVisible());
  form.mnuPopUp()->hide();
  EXPECT_EQ(form.Grid()->currentRow(), 4);
  form.mnuClearCell()->trigger();
  EXPECT_EQ(Cell(form, 4, Col::kColTarget), "");
  EXPECT_EQ(Cell(form, 4, Col::kColSource), "SRC");

  form.GridRightClick(Col::kColEnabled, 5, QPoint(10, 10));  // not a field cell: no menu
  EXPECT_FALSE(form.mnuPopUp()->isVisible());
  EXPECT_EQ(form.Grid()->currentRow(), 4);
}

TEST_F(AInfoForm, ThePickersToolbarsGiveOkAndCancelNoTooltip) {
  CommonConfigAInfoSRC source(Icons());
  CommonConfigAInfoKrym krym(Icons());
  for (CommonConfigFieldPicker* picker : std::initializer_list<CommonConfigFieldPicker*>{&source, &krym}) {
    SCOPED_TRACE(picker->windowTitle().toStdString());
    auto* bar = picker->findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    windowchecks::ExpectToolbar(
        *bar, {{"OK", "ok", ""}, {"Help", "help", "Displays Help Article"}, {"Cancel", "cancel", ""}});
  }
}

TEST_F(AInfoForm, TheEditorAndItsPickersHoldTheirRowsWhole) {
  CommonConfigAInfo form(Icons());
  Row(form, 0, true, "COLOR", "PLANT1.COLOR");
  ExpectWhole(form);
  CommonVarGatherer gatherer;
  FillGatherer(gatherer);
  CommonConfigAInfoKrym krym(Icons());
  krym.VarGatherer(&gatherer);
  ExpectWhole(krym);
  CommonConfigAInfoSRC source(Icons());
  ExpectWhole(source);
}

}  // namespace
}  // namespace configforms
