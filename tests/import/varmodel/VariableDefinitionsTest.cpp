// The variable definitions of a set: every vardesc row read into a record with its
// conversions, symbols taken from the global symbol table by position, text lists for
// text-parameter types only, rows that cannot be read, and the lookups by location and test.
// The root schema is a database of the test's own, so that its Symbols rows meet no other test.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "ModelProgram.h"
#include "RootDatabase.h"
#include "core/Text.h"
#include "foundation/HashTable.h"
#include "import/model/CommonTypeVar.h"
#include "import/model/CommonVarGatherer.h"
#include "import/model/KrymSchemaOpener.h"
#include "support/KrymFixture.h"

namespace {

// The program's opener, with the root schema moved to the test's own database.
class OwnRootOpener : public KrymSchemaOpener {
 public:
  explicit OwnRootOpener(std::string root) : root_(std::move(root)) {}
  Outcome Open(platform::db::Connection& cnn, const std::string& schema) const override {
    return KrymSchemaOpener::Open(cnn, schema == "QALROOT" ? root_ : schema);
  }

 private:
  std::string root_;
};

struct Symbol {
  std::string text;
  bool allowNumeric;
  std::int16_t rule;
  double factor;
  bool operator==(const Symbol&) const = default;
};

std::vector<Symbol> SymbolsOf(const CommonTypeVarRec& r) {
  std::vector<Symbol> out;
  for (std::int16_t i = 0; i < r.SymbolCount(); ++i) {
    Symbol s{"", false, 0, 0};
    r.GetSymbolByIndex(i, s.text, s.allowNumeric, s.rule, s.factor);
    out.push_back(s);
  }
  return out;
}

class VariableDefinitionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!root_.Ok() || !facility_.Ok()) GTEST_SKIP();
    program_.PointAt(root_.Cluster());
  }

  void AddSymbols(int n) {
    for (int i = 0; i < n; ++i)
      root_.Exec("INSERT INTO symbols (symbol, allownumeric) VALUES ('S" + std::to_string(i) + "', 0)");
  }
  // A variable row; columns holds "name = value" pairs beyond the id.
  void AddVariable(std::int32_t varid, const std::string& columns, const std::string& values) {
    facility_.Exec("INSERT INTO vardesc (varid" + (columns.empty() ? "" : ", " + columns) + ") VALUES (" +
                   std::to_string(varid) + (values.empty() ? "" : ", " + values) + ")");
    set_.ADHOCAddVariable(facility_.Name(), varid);
  }

  modeltest::ModelProgram program_;
  modeltest::RootDatabase root_;
  testsupport::KrymFixture facility_;
  OwnRootOpener opener_{root_.Name()};
  CommonVarGatherer set_;
};

TEST_F(VariableDefinitionsTest, ReadsEachRowThroughTheRecordsSetters) {
  AddVariable(1,
              "varnum, name, vartype, units, decplaces, description, source_cnn_approval, lims_loc, lims_test, "
              "lims_ud1, lims_ud2, lims_ud3",
              "101, 'Flow', 'h', 'm3/h', 2, 'Inlet flow', 3, 'L1', 'T1', 'U1', 'U2', 'U3'");
  AddVariable(2, "varnum, vartype", "102, 'P'");  // Nulls wherever allowed
  CommonTypeVar defs(opener_);
  ASSERT_TRUE(defs.ReadVornKrym(set_));

  const auto r = defs.GetVarRecord(facility_.Name(), 1);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->gFacilID(), facility_.Name());
  EXPECT_EQ(r->gID(), 1);
  EXPECT_EQ(r->gNumber(), 101);
  EXPECT_EQ(r->gName(), "Flow");
  EXPECT_EQ(r->gVarType(), "h");
  EXPECT_EQ(r->gUnits(), "m3/h");
  EXPECT_EQ(r->gDecPlaces(), 2);
  EXPECT_EQ(r->gDesc(), "Inlet flow");
  EXPECT_EQ(r->gDataApproval(), 3);
  EXPECT_EQ(r->gLimsLocation(), "L1");
  EXPECT_EQ(r->gLimsTest(), "T1");
  EXPECT_EQ(r->gLimsUd1(), "U1");
  EXPECT_EQ(r->gLimsUd2(), "U2");
  EXPECT_EQ(r->gLimsUd3(), "U3");
  EXPECT_FALSE(r->gAllowSymbol());
  EXPECT_FALSE(r->gLimitToLIST());

  const auto n = defs.GetVarRecord(facility_.Name(), 2);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->gName(), "");
  EXPECT_EQ(n->gDecPlaces(), 5);
  EXPECT_EQ(n->gDataApproval(), 0);
  EXPECT_EQ(n->gLimsTest(), "");

  // Record keys are upper case: any case of the facility finds the record.
  EXPECT_EQ(defs.GetVarRecord(core::LCase(facility_.Name()), 1), r);
  EXPECT_FALSE(defs.GetVarRecord(facility_.Name(), 3));
  EXPECT_FALSE(defs.GetVarRecord("", 1));
}

TEST_F(VariableDefinitionsTest, UnreadableRowsGetNoRecordAndTheOthersLoad) {
  AddVariable(1, "varnum, vartype", "1, 'P'");
  AddVariable(7, "varnum", "7");     // no type
  AddVariable(8, "vartype", "'P'");  // no number
  AddVariable(9, "varnum, vartype", "9, 'T'");
  set_.ADHOCAddVariable(facility_.Name(), 5);  // no vardesc row at all
  CommonTypeVar defs(opener_);
  ASSERT_TRUE(defs.ReadVornKrym(set_));
  EXPECT_TRUE(defs.GetVarRecord(facility_.Name(), 1));
  EXPECT_TRUE(defs.GetVarRecord(facility_.Name(), 9));
  for (std::int32_t missing : {5, 7, 8}) EXPECT_FALSE(defs.GetVarRecord(facility_.Name(), missing)) << missing;
  EXPECT_EQ(program_.LogCount(" : Error in Sub ExpandVaridToRecord(VarId = 7): Error 94  Invalid use of Null\r\n"), 1);
  EXPECT_EQ(program_.LogCount(" : Error in Sub ExpandVaridToRecord(VarId = 8): Error 94  Invalid use of Null\r\n"), 1);
  EXPECT_EQ(program_.LogCount("VarId = 5"), 0);  // a missing row is no error
}

TEST_F(VariableDefinitionsTest, TextListsOnlyForTextParameterTypes) {
  const std::string list = "'a' || chr(9) || 'B' || chr(9) || ' a ' || chr(9) || chr(9) || 'c'";
  AddVariable(1, "varnum, vartype, limit_to_list, list", "1, 'T', -1, " + list);
  AddVariable(2, "varnum, vartype, limit_to_list, list", "2, 'b', 1, " + list);
  AddVariable(3, "varnum, vartype, limit_to_list, list", "3, 'P', -1, " + list);  // numeric type
  AddVariable(4, "varnum, vartype, limit_to_list, list", "4, 'T', 0, " + list);
  AddVariable(5, "varnum, vartype, limit_to_list, list", "5, 'T', NULL, " + list);
  AddVariable(6, "varnum, vartype, limit_to_list", "6, 'T', -1");  // no list
  CommonTypeVar defs(opener_);
  ASSERT_TRUE(defs.ReadVornKrym(set_));

  struct Case {
    std::int32_t varid;
    bool limited;
    std::int16_t indexOfC;
  };
  for (const Case& c : {Case{1, true, 3}, Case{2, true, 3}, Case{3, false, 1}, Case{4, false, 1}, Case{5, false, 1},
                        Case{6, true, 1}}) {
    const auto r = defs.GetVarRecord(facility_.Name(), c.varid);
    ASSERT_TRUE(r) << c.varid;
    EXPECT_EQ(r->gLimitToLIST(), c.limited) << c.varid;
    EXPECT_EQ(r->GetTextListHashIndex(" c "), c.indexOfC) << c.varid;
  }
  EXPECT_EQ(defs.GetVarRecord(facility_.Name(), 1)->GetTextListHashIndex("b"), 2);
}

TEST_F(VariableDefinitionsTest, SymbolsComeFromTheGlobalTableByPosition) {
  root_.Exec(
      "INSERT INTO symbols (symbol, allownumeric) VALUES ('<', 1), (NULL, 1), ('ND', NULL), (' > ', 0), "
      "('E', 1), ('', 1)");
  AddVariable(1,
              "varnum, vartype, allowsymbol, symbolrule1, symbolfactor1, symbolrule2, symbolfactor2, "
              "symbolrule4, symbolfactor4",
              "1, 'P', 0, 2, 0.5, 3, 10, 4, -1.25");  // rule and factor 3 are Null
  AddVariable(2, "varnum, vartype, allowsymbol", "2, 'P', 1");
  AddVariable(3, "varnum, vartype, allowsymbol, symbolrule1", "3, 'P', NULL, 2");
  CommonTypeVar defs(opener_);
  ASSERT_TRUE(defs.ReadVornKrym(set_));
  // Null symbols take no position: '<' 1, 'ND' 2, '>' 3, 'E' 4, '' 5.
  EXPECT_EQ(defs.SymbolCount(), 6);

  const auto zero = defs.GetVarRecord(facility_.Name(), 1);
  ASSERT_TRUE(zero);
  EXPECT_TRUE(zero->gAllowSymbol());  // 0 is a number too
  EXPECT_EQ(
      SymbolsOf(*zero),
      (std::vector<Symbol>{{"<", true, 2, 0.5}, {"ND", false, 3, 10}, {">", false, 1, 0}, {"E", true, 4, -1.25}}));

  const auto one = defs.GetVarRecord(facility_.Name(), 2);
  ASSERT_TRUE(one);
  EXPECT_EQ(SymbolsOf(*one),
            (std::vector<Symbol>{{"<", true, 1, 0}, {"ND", false, 1, 0}, {">", false, 1, 0}, {"E", true, 1, 0}}));

  const auto none = defs.GetVarRecord(facility_.Name(), 3);
  ASSERT_TRUE(none);
  EXPECT_FALSE(none->gAllowSymbol());
  EXPECT_EQ(none->SymbolCount(), 0);
}

// A symbol's position is its place in the table's key order; changing a symbol row (which
// moves it to the end of what PostgreSQL reads first) never moves it to another position, and
// so never ties a variable's rule to another symbol.
TEST_F(VariableDefinitionsTest, SymbolPositionsSurviveAChangedRow) {
  root_.Exec("INSERT INTO symbols (symbol, allownumeric) VALUES ('<', 1), ('ND', 0), ('>', 1)");
  root_.Exec("UPDATE symbols SET description = 'below the detection limit' WHERE symbol = '<'");
  AddVariable(1, "varnum, vartype, allowsymbol", "1, 'P', 1");
  CommonTypeVar defs(opener_);
  ASSERT_TRUE(defs.ReadVornKrym(set_));
  const auto r = defs.GetVarRecord(facility_.Name(), 1);
  ASSERT_TRUE(r);
  EXPECT_EQ(SymbolsOf(*r), (std::vector<Symbol>{{"<", true, 1, 0}, {"ND", false, 1, 0}, {">", true, 1, 0}}));
}

TEST_F(VariableDefinitionsTest, FifteenSymbolsFitASixteenthFails) {
  AddVariable(1, "varnum, vartype", "1, 'P'");
  {
    CommonTypeVar defs(opener_);
    ASSERT_TRUE(defs.ReadVornKrym(set_));
    EXPECT_EQ(defs.SymbolCount(), 0);  // an empty table
  }
  AddSymbols(15);
  root_.Exec("INSERT INTO symbols (symbol) VALUES (NULL), (NULL)");
  {
    CommonTypeVar defs(opener_);
    ASSERT_TRUE(defs.ReadVornKrym(set_));
    EXPECT_EQ(defs.SymbolCount(), 16);
  }
  root_.Exec("INSERT INTO symbols (symbol) VALUES ('S15')");
  CommonTypeVar defs(opener_);
  EXPECT_FALSE(defs.ReadVornKrym(set_));
  EXPECT_FALSE(defs.GetVarRecord(facility_.Name(), 1));
}

TEST_F(VariableDefinitionsTest, RootThatCannotBeReadFails) {
  AddVariable(1, "varnum, vartype", "1, 'P'");
  {
    OwnRootOpener missing("NO_SUCH_ROOT_" + root_.Name());
    CommonTypeVar defs(missing);
    EXPECT_FALSE(defs.ReadVornKrym(set_));
  }
  {
    root_.Exec("DROP TABLE symbols");
    CommonTypeVar defs(opener_);
    EXPECT_FALSE(defs.ReadVornKrym(set_));
  }
  EXPECT_EQ(program_.LogCount("Unable to init"), 0);
  // Settings that fill no manager say so once, at the root.
  program_.config.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "3");
  CommonTypeVar defs(opener_);
  EXPECT_FALSE(defs.ReadVornKrym(set_));
  EXPECT_EQ(program_.LogCount("PROMPT= Unable to init Vorn Krym Connection Manager\r\n"), 1);
}

TEST_F(VariableDefinitionsTest, FacilityThatCannotBeOpenedGetsNoRecords) {
  AddVariable(1, "varnum, vartype", "1, 'P'");
  set_.ADHOCAddVariable("NO_SUCH_" + facility_.Name(), 1);
  CommonTypeVar defs(opener_);
  ASSERT_TRUE(defs.ReadVornKrym(set_));
  EXPECT_TRUE(defs.GetVarRecord(facility_.Name(), 1));
  EXPECT_FALSE(defs.GetVarRecord("NO_SUCH_" + facility_.Name(), 1));
}

TEST_F(VariableDefinitionsTest, EmptySetLoadsNothing) {
  CommonTypeVar defs(opener_);
  EXPECT_TRUE(defs.ReadVornKrym(set_));
  EXPECT_FALSE(defs.GetVarRecord(facility_.Name(), 1));
  EXPECT_EQ(defs.GetVarFromLocTest(facility_.Name(), "", ""), "");
}

TEST_F(VariableDefinitionsTest, LookupsByLocationAndTest) {
  AddVariable(1, "varnum, vartype, lims_loc, lims_test, lims_ud1", "1, 'P', 'TANK', 'PH', 'A'");
  AddVariable(2, "varnum, vartype, lims_loc, lims_test, lims_ud1", "2, 'P', 'TANK', 'PH', 'B'");
  AddVariable(3, "varnum, vartype, lims_loc, lims_test, lims_ud1", "3, 'P', 'TANK', 'TEMP,PH', 'A'");
  AddVariable(4, "varnum, vartype, lims_loc, lims_test", "4, 'P', 'tank', 'PH'");
  CommonTypeVar defs(opener_);
  ASSERT_TRUE(defs.ReadVornKrym(set_));
  const std::string f = facility_.Name();
  auto keys = [&f](std::initializer_list<int> ids) {
    // Entries come in the record table's key order.
    HashTable order;
    for (int id : ids) order.Add(f + "~" + std::to_string(id), core::Value(1));
    std::string out;
    for (const std::string& k : order.Keys()) out += (out.empty() ? "" : "\t") + k;
    return out;
  };

  EXPECT_EQ(defs.GetVarFromLocTest(f, "TANK", "PH"), keys({1, 2}));
  EXPECT_EQ(defs.GetVarFromLocTest(f, "tank", "PH"), keys({4}));
  EXPECT_EQ(defs.GetVarFromLocTest(core::LCase(f), "TANK", "PH"), "");  // facility ids compare exactly
  EXPECT_EQ(defs.GetVarFromLocTest(f, "TANK", "ph"), "");
  EXPECT_EQ(defs.GetVarFromLocTestL(f, "TANK", "PH", ","), "");

  EXPECT_EQ(defs.GetVarFromLocTestLud1(f, "TANK", "PH", "", ","), keys({1, 2, 3}));
  EXPECT_EQ(defs.GetVarFromLocTestLud1(f, "TANK", "PH", "A", ","), keys({1, 3}));
  EXPECT_EQ(defs.GetVarFromLocTestLud1(f, "TANK", "TEMP", "", ","), keys({3}));
  EXPECT_EQ(defs.GetVarFromLocTestLud1(f, "TANK", "TEMP,PH", "", ";"), keys({3}));
  EXPECT_EQ(defs.GetVarFromLocTestLud1(f, "TANK", "TEM", "", ","), "");
}

}  // namespace
