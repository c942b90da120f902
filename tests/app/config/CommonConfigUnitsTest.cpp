// The unit conversion window: its keys declared when it opens, the grid filled from the 100
// slots, the temperature codes both ways, and factors that the table could not read back.
#include <QComboBox>
#include <QRadioButton>
#include <QTableWidget>

#include "ConfigFormsFixture.h"
#include "app/config/CommonConfigUnits.h"
#include "features/CommonUnitConvert.h"

namespace configforms {
namespace {

std::string Slot(int n, const char* field) { return CommonUnitConvert::SlotKey(n, field); }

class UnitsForm : public ConfigForms {
 protected:
  static std::string Cell(const CommonConfigUnits& f, int row, int column) {
    return f.Grid()->item(row, column)->text().toStdString();
  }
  static void SetCell(CommonConfigUnits& f, int row, int column, const std::string& text) {
    f.Grid()->item(row, column)->setText(QString::fromStdString(text));
  }
  static bool Checked(const CommonConfigUnits& f, int row) {
    return f.Grid()->item(row, CommonConfigUnits::kColEnabled)->checkState() == Qt::Checked;
  }
};

TEST_F(UnitsForm, OpeningDeclaresTheTableAndShowsItsDefaults) {
  EXPECT_FALSE(Config().ItemExists(CommonUnitConvert::kEnabledKey));
  CommonConfigUnits form(Icons());
  EXPECT_TRUE(Boxes().empty());
  ASSERT_EQ(form.Grid()->rowCount(), 100);
  EXPECT_TRUE(Child<QRadioButton>(form, "enTrue")->isChecked());
  // Slot 1 multiplies, slot 19 is a temperature code, slot 29 is an unused slot.
  EXPECT_TRUE(Checked(form, 0));
  EXPECT_EQ(Cell(form, 0, CommonConfigUnits::kColFromUnit), "ng/l");
  EXPECT_EQ(form.Algorithm(0)->currentText().toStdString(), "Multiplication");
  EXPECT_EQ(Cell(form, 0, CommonConfigUnits::kColFactor), "1E-06");  // the factor as a number
  EXPECT_EQ(Cell(form, 0, CommonConfigUnits::kColToUnit), "mg/l");
  EXPECT_EQ(form.Algorithm(18)->currentText().toStdString(), "Degrees F to C");
  EXPECT_EQ(Cell(form, 18, CommonConfigUnits::kColFactor), "1");
  EXPECT_EQ(form.Algorithm(23)->currentText().toStdString(), "Degrees C to F");
  EXPECT_FALSE(Checked(form, 28));
  EXPECT_EQ(Cell(form, 28, CommonConfigUnits::kColFactor), "1");
}

TEST_F(UnitsForm, ApplyWritesEverySlotAndTheCodesWhateverTheFactorCellShows) {
  CommonConfigUnits form(Icons());
  Child<QRadioButton>(form, "enFalse")->setChecked(true);
  form.Algorithm(29)->setCurrentText("Degrees F to C");
  SetCell(form, 29, CommonConfigUnits::kColFactor, "17");
  SetCell(form, 29, CommonConfigUnits::kColFromUnit, "Deg F");
  SetCell(form, 29, CommonConfigUnits::kColToUnit, "Deg C");
  form.Grid()->item(29, CommonConfigUnits::kColEnabled)->setCheckState(Qt::Checked);
  form.Algorithm(30)->setCurrentText("Degrees C to F");
  SetCell(form, 31, CommonConfigUnits::kColFactor, "2.5");
  form.Algorithm(18)->setCurrentText("Multiplication");
  SetCell(form, 18, CommonConfigUnits::kColFactor, "3");
  windowchecks::Press(form, "check");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Get(CommonUnitConvert::kEnabledKey), "FALSE");
  EXPECT_EQ(Get(Slot(30, "ENABLED")), "TRUE");
  EXPECT_EQ(Get(Slot(30, "FACTOR")), "-1");
  EXPECT_EQ(Get(Slot(30, "FROMUNIT")), "Deg F");  // units as typed
  EXPECT_EQ(Get(Slot(30, "TOUNIT")), "Deg C");
  EXPECT_EQ(Get(Slot(31, "FACTOR")), "-2");
  EXPECT_EQ(Get(Slot(32, "FACTOR")), "2.5");
  EXPECT_EQ(Get(Slot(19, "FACTOR")), "3");
  EXPECT_EQ(Get(Slot(1, "FACTOR")), "1E-06");

  CommonConfigUnits again(Icons());
  EXPECT_EQ(again.Algorithm(29)->currentText().toStdString(), "Degrees F to C");
  EXPECT_EQ(Cell(again, 29, CommonConfigUnits::kColFactor), "1");
}

TEST_F(UnitsForm, AFactorThatIsNotANumberIsWrittenAsTypedAndStopsTheNextOpening) {
  CommonConfigUnits form(Icons());
  SetCell(form, 4, CommonConfigUnits::kColFactor, "");
  SetCell(form, 5, CommonConfigUnits::kColFactor, "x1000");
  form.Algorithm(18)->setCurrentText("Multiplication");
  SetCell(form, 18, CommonConfigUnits::kColFactor, "");
  windowchecks::Press(form, "check");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Get(Slot(5, "FACTOR")), "");
  EXPECT_EQ(Get(Slot(6, "FACTOR")), "x1000");
  EXPECT_EQ(Get(Slot(19, "FACTOR")), "");

  // The table loads such a slot with the factor 1.
  CommonUnitConvert converter;
  converter.Init();
  EXPECT_EQ(converter.GetConvertedResult(7, "mg/l", "mcg/l"), 7);
  EXPECT_EQ(converter.GetConvertedResult(7, "degf", "degc"), 7);

  CommonConfigUnits again(Icons());
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Failed to refresh UI from CONFIG", 0, ""}}));
}

TEST_F(UnitsForm, AnUnreadableStoredFactorStillFillsEveryRow) {
  CommonUnitConvert().DefineTree();
  Set(Slot(3, "FACTOR"), "");
  Set(Slot(50, "FROMUNIT"), "kept");
  CommonConfigUnits form(Icons());
  EXPECT_EQ(Boxes(), (std::vector<RecordedBox>{{"Failed to refresh UI from CONFIG", 0, ""}}));
  EXPECT_EQ(Cell(form, 49, CommonConfigUnits::kColFromUnit), "kept");
  // An apply after the message loses none of the rows below the unreadable one.
  ForgetBoxes();
  windowchecks::Press(form, "check");
  EXPECT_EQ(Get(Slot(50, "FROMUNIT")), "kept");
  EXPECT_EQ(Get(Slot(4, "FROMUNIT")), "µg/l");
}

TEST_F(UnitsForm, CloseWritesNothingAndCheckCloses) {
  CommonConfigUnits form(Icons());
  form.show();
  SetCell(form, 0, CommonConfigUnits::kColToUnit, "g/l");
  Config().ChangeWasMade(false);
  windowchecks::Press(form, "close");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Get(Slot(1, "TOUNIT")), "mg/l");
  EXPECT_FALSE(Config().ChangeWasMade());
  form.show();
  windowchecks::Press(form, "check");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Get(Slot(1, "TOUNIT")), "g/l");
}

}  // namespace
}  // namespace configforms
