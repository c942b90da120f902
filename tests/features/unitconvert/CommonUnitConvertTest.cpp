// Unit conversion: the key tree and its defaults, loading the enabled slots, unit normalisation,
// factors and temperature codes, and what is left unconverted.
#include <gtest/gtest.h>

#include <string>

#include "core/RuntimeError.h"
#include "features/CommonUnitConvert.h"
#include "features/FeatureTestLog.h"
#include "foundation/QALConfiguration.h"

namespace {

class UnitConvertTest : public ::testing::Test {
 protected:
  UnitConvertTest() { log_.Context().config = &config_; }

  // The defaults, with extra slots configured as a user would in the form.
  void Configure(std::initializer_list<std::tuple<int, const char*, const char*, const char*>> slots) {
    converter_.DefineTree();
    for (const auto& [n, from, factor, to] : slots) {
      config_.item(CommonUnitConvert::SlotKey(n, "ENABLED"), "TRUE");
      config_.item(CommonUnitConvert::SlotKey(n, "FROMUNIT"), from);
      config_.item(CommonUnitConvert::SlotKey(n, "FACTOR"), factor);
      config_.item(CommonUnitConvert::SlotKey(n, "TOUNIT"), to);
    }
  }

  FeatureTestLog log_;
  QALConfiguration config_;
  CommonUnitConvert converter_;
};

TEST_F(UnitConvertTest, DefineTreeDeclaresTheSwitchAndHundredSlots) {
  converter_.DefineTree();
  EXPECT_EQ(config_.item("TARGET\\UNITCONVERT\\ENABLED"), "TRUE");
  struct Slot {
    int n;
    const char *enabled, *from, *factor, *to;
  };
  for (const Slot& s : {Slot{1, "TRUE", "ng/l", "0.000001", "mg/l"}, Slot{4, "TRUE", "µg/l", "0.001", "mg/l"},
                        Slot{12, "TRUE", "mg/kg", "1000", "mcg/kg"}, Slot{17, "TRUE", "cfu/1ml", "100", "cfu/100ml"},
                        Slot{23, "TRUE", "degreef.", "-1", "degc"}, Slot{28, "TRUE", "degreec.", "-2", "degf"},
                        Slot{29, "FALSE", "", "1", ""}, Slot{100, "FALSE", "", "1", ""}}) {
    SCOPED_TRACE(s.n);
    EXPECT_EQ(config_.item("TARGET\\UNITCONVERT\\UNIT" + std::to_string(s.n) + "\\ENABLED"), s.enabled);
    EXPECT_EQ(config_.item(CommonUnitConvert::SlotKey(s.n, "FROMUNIT")), s.from);
    EXPECT_EQ(config_.item(CommonUnitConvert::SlotKey(s.n, "FACTOR")), s.factor);
    EXPECT_EQ(config_.item(CommonUnitConvert::SlotKey(s.n, "TOUNIT")), s.to);
  }
  EXPECT_FALSE(config_.ItemExists("TARGET\\UNITCONVERT\\UNIT101\\ENABLED"));
}

TEST_F(UnitConvertTest, DefaultTableConverts) {
  converter_.DefineTree();
  converter_.Init();
  ASSERT_TRUE(converter_.Enabled());
  struct Case {
    double value;
    const char *from, *to;
    double expected;
  };
  for (const Case& c :
       {Case{5, "ppb", "ppm", 0.005}, Case{212, "degF", "degc", 100}, Case{100, "deg.c", "degf", 212},
        Case{-40, "Degrees F", "DEG C", -40}, Case{2, "mg/l", "µg/l", 2000}, Case{3, "  MCG / L ", "mg/l", 0.003},
        Case{250, "CFU/100ML", "cfu / 1ml", 2.5}, Case{7, "ng/l", "mg/l", 7e-6}}) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    EXPECT_NEAR(converter_.GetConvertedResult(c.value, c.from, c.to), c.expected, 1e-12);
  }
  EXPECT_TRUE(log_.Has("UnitConverter: Converted 5 [ppb] to 0.005 [ppm]")) << log_.All();
  EXPECT_TRUE(log_.Has("UnitConverter : Added 'ppb -> 0.001 -> ppm' as a valid conversion.")) << log_.All();
  EXPECT_TRUE(log_.Has("UnitConverter : Added 'degf -> -1 -> degc' as a valid conversion."));
}

TEST_F(UnitConvertTest, ValueStaysWhenNothingConverts) {
  converter_.DefineTree();
  EXPECT_EQ(converter_.GetConvertedResult(5, "ppb", "ppm"), 5);  // before Init the converter is off
  converter_.Init();
  struct Case {
    const char *from, *to;
  };
  for (const Case& c : {Case{"ppm", "ppm"}, Case{"P P M", "ppm"}, Case{"", "ppm"}, Case{"ppb", "  "},
                        Case{"ppb", "mg/l"}, Case{"furlong", "ppm"}}) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    EXPECT_EQ(converter_.GetConvertedResult(42.5, c.from, c.to), 42.5);
  }
  EXPECT_TRUE(log_.Starting("UnitConverter: Converted").empty()) << log_.All();
}

TEST_F(UnitConvertTest, SwitchMustReadExactlyTrue) {
  converter_.DefineTree();
  for (const char* value : {"true", "FALSE", "YES", ""}) {
    SCOPED_TRACE(value);
    config_.item(CommonUnitConvert::kEnabledKey, value);
    converter_.Init();
    EXPECT_FALSE(converter_.Enabled());
    EXPECT_EQ(converter_.GetConvertedResult(5, "ppb", "ppm"), 5);
  }
  EXPECT_TRUE(log_.Starting("UnitConverter : Added").empty());
}

TEST_F(UnitConvertTest, ConfiguredFactorsAndCodes) {
  Configure({{29, "widget", "abc", "gadget"},                       // not a number: factor 1
             {30, "hot", "-3", "cold"},                             // not a temperature code: refused
             {31, "warm", "-1.4", "cool"},                          // rounds to -1: Fahrenheit to Celsius
             {32, "box", "1,000", "crate"},                         // grouped digits
             {33, "void", "0", "nothing"},                          // zero multiplies too
             {34, "slot", "2", "slot"}});                           // a unit to itself is never converted
  config_.item(CommonUnitConvert::SlotKey(35, "ENABLED"), "true");  // only "TRUE" loads a slot
  config_.item(CommonUnitConvert::SlotKey(35, "FROMUNIT"), "inch");
  config_.item(CommonUnitConvert::SlotKey(35, "TOUNIT"), "cm");
  config_.item(CommonUnitConvert::SlotKey(35, "FACTOR"), "2.54");
  converter_.Init();

  EXPECT_EQ(converter_.GetConvertedResult(7, "widget", "gadget"), 7);
  EXPECT_TRUE(log_.Has("UnitConverter : Added 'widget -> 1 -> gadget' as a valid conversion.")) << log_.All();
  EXPECT_EQ(converter_.GetConvertedResult(7, "hot", "cold"), 7);
  EXPECT_TRUE(log_.Starting("UnitConverter : Added 'hot").empty());
  EXPECT_DOUBLE_EQ(converter_.GetConvertedResult(212, "warm", "cool"), 100);
  EXPECT_EQ(converter_.GetConvertedResult(3, "box", "crate"), 3000);
  EXPECT_EQ(converter_.GetConvertedResult(3, "void", "nothing"), 0);
  EXPECT_EQ(converter_.GetConvertedResult(3, "slot", "slot"), 3);
  EXPECT_EQ(converter_.GetConvertedResult(3, "inch", "cm"), 3);
}

TEST_F(UnitConvertTest, FirstDefinitionOfAPairWins) {
  Configure({{29, "PPB", "5", "ppm"}, {30, "knot", "1", "mph"}, {31, "knot", "1.15078", "mph"}});
  converter_.Init();
  EXPECT_DOUBLE_EQ(converter_.GetConvertedResult(5, "ppb", "ppm"), 0.005);
  EXPECT_EQ(converter_.GetConvertedResult(10, "knot", "mph"), 10);
  EXPECT_EQ(log_.Starting("UnitConverter : Added 'mg/kg -> 1000 -> mcg/kg'").size(), 1u);  // slots 11 and 12
}

TEST_F(UnitConvertTest, SlotWithoutAUnitAddsNothingAndTheOthersStillLoad) {
  Configure({{29, "", "3", "thing"}, {30, "thing", "3", ""}, {31, "foot", "12", "inch"}});
  converter_.Init();
  EXPECT_EQ(converter_.GetConvertedResult(2, "foot", "inch"), 24);
  EXPECT_EQ(converter_.GetConvertedResult(2, "thing", "inch"), 2);
  EXPECT_DOUBLE_EQ(converter_.GetConvertedResult(5, "ppb", "ppm"), 0.005);
}

TEST_F(UnitConvertTest, InitAgainForgetsSlotsNoLongerEnabled) {
  Configure({{29, "foot", "12", "inch"}});
  converter_.Init();
  ASSERT_EQ(converter_.GetConvertedResult(2, "foot", "inch"), 24);
  config_.item(CommonUnitConvert::SlotKey(29, "ENABLED"), "FALSE");
  converter_.Init();
  EXPECT_TRUE(converter_.Enabled());
  EXPECT_EQ(converter_.GetConvertedResult(2, "foot", "inch"), 2);
}

TEST_F(UnitConvertTest, InitWithoutDeclaredKeysRaises) {
  try {
    converter_.Init();
    FAIL() << "no error";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 10781);
  }
  ProgramContext bare;
  ProgramScope scope(bare);
  EXPECT_THROW(converter_.DefineTree(), core::RuntimeError);
}

TEST(UnitConvertText, RemoveSpacesJoinsThePieces) {
  EXPECT_EQ(CommonUnitConvert::RemoveSpaces("  mg  / l "), "mg/l");
  EXPECT_EQ(CommonUnitConvert::RemoveSpaces(""), "");
  EXPECT_EQ(CommonUnitConvert::SlotKey(7, "TOUNIT"), "TARGET\\UNITCONVERT\\UNIT7\\TOUNIT");
}

}  // namespace
