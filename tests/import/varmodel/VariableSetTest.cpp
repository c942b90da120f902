// The variable set of a collector: ids added by hand (whole-id comparison, upper-cased
// facility keys), the two-cursor walk in the id table's key order, and the gathering from the
// facilities of a root schema against real facility databases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ModelProgram.h"
#include "RootDatabase.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/HashTable.h"
#include "import/model/CommonVarGatherer.h"
#include "support/KrymFixture.h"

namespace {

using Walk = std::vector<std::pair<std::string, std::vector<std::int32_t>>>;

Walk WalkOf(CommonVarGatherer& g) {
  Walk walk;
  g.MoveFirst();
  for (; !g.EOF_Facility(); g.MoveNext_Facility()) {
    walk.emplace_back(g.Current_Facility(), std::vector<std::int32_t>{});
    for (; !g.EOF_Variable(); g.MoveNext_Variable()) walk.back().second.push_back(g.Current_Variable());
  }
  return walk;
}

TEST(VariableSetTest, WholeIdsAreComparedAndCountedOnce) {
  CommonVarGatherer g;
  EXPECT_TRUE(g.ADHOCAddVariable("plant", 123));
  EXPECT_TRUE(g.ADHOCAddVariable("plant", 12));
  EXPECT_TRUE(g.ADHOCAddVariable("PLANT", 12));
  EXPECT_TRUE(g.ADHOCAddVariable("Plant", 1));
  EXPECT_TRUE(g.ADHOCAddVariable("plant", 23));
  EXPECT_EQ(g.TotalVariable(), 4);
  EXPECT_EQ(g.TotalFacility(), 1);
  EXPECT_EQ(WalkOf(g), (Walk{{"PLANT", {123, 12, 1, 23}}}));
}

TEST(VariableSetTest, FacilityKeysAreUpperCasedButNotTrimmed) {
  CommonVarGatherer g;
  g.ADHOCAddVariable("north", 1);
  g.ADHOCAddVariable(" north ", 1);
  EXPECT_EQ(g.TotalFacility(), 2);
  EXPECT_EQ(g.TotalVariable(), 2);
  EXPECT_EQ(modeltest::ErrorNumber([&] { g.ADHOCAddVariable("", 5); }), 1001);  // no facility, no key
}

TEST(VariableSetTest, FacilitiesAreWalkedInKeyOrder) {
  // "OPTIONS" falls into bucket 512 and "AB" into 577, whatever order they come in.
  for (bool abFirst : {true, false}) {
    CommonVarGatherer g;
    if (abFirst) g.ADHOCAddVariable("ab", 1);
    g.ADHOCAddVariable("options", 2);
    g.ADHOCAddVariable("options", 3);
    if (!abFirst) g.ADHOCAddVariable("ab", 1);
    EXPECT_EQ(WalkOf(g), (Walk{{"OPTIONS", {2, 3}}, {"AB", {1}}})) << abFirst;
  }
}

TEST(VariableSetTest, EmptySetIsAtBothEnds) {
  CommonVarGatherer g;
  g.MoveFirst();
  EXPECT_TRUE(g.EOF_Facility());
  EXPECT_TRUE(g.EOF_Variable());
  g.MoveNext_Facility();
  g.MoveNext_Variable();
  EXPECT_TRUE(g.EOF_Facility());
  EXPECT_TRUE(g.EOF_Variable());
  EXPECT_EQ(modeltest::ErrorNumber([&] { g.Current_Facility(); }), core::err::kSubscript);
  EXPECT_EQ(modeltest::ErrorNumber([&] { g.Current_Variable(); }), core::err::kSubscript);
}

TEST(VariableSetTest, CursorsMoveAsTheImportExpects) {
  CommonVarGatherer g;
  g.ADHOCAddVariable("options", 2);
  g.ADHOCAddVariable("options", 3);
  g.ADHOCAddVariable("ab", 1);
  g.MoveFirst();
  g.MoveNext_Variable();
  g.MoveNext_Variable();
  EXPECT_TRUE(g.EOF_Variable());
  // The next facility starts again at its first variable.
  g.MoveNext_Facility();
  EXPECT_FALSE(g.EOF_Variable());
  EXPECT_EQ(g.Current_Facility(), "AB");
  EXPECT_EQ(g.Current_Variable(), 1);
  // Past the last facility the last ids stay loaded.
  g.MoveNext_Facility();
  EXPECT_TRUE(g.EOF_Facility());
  EXPECT_EQ(g.Current_Variable(), 1);
  // MoveFirst starts the whole walk again.
  g.MoveFirst();
  EXPECT_EQ(g.Current_Facility(), "OPTIONS");
  EXPECT_EQ(g.Current_Variable(), 2);
}

TEST(VariableSetTest, ClearForgetsTheIdsOnly) {
  CommonVarGatherer g;
  g.ADHOCAddVariable("ab", 1);
  g.FacilityNames()->Add("AB", core::Value("Plant AB"));
  g.MoveFirst();
  g.Clear();
  EXPECT_EQ(g.TotalVariable(), 0);
  EXPECT_EQ(g.TotalFacility(), 0);
  EXPECT_TRUE(g.EOF_Facility());
  EXPECT_EQ(g.FacilityNames()->item("AB").ToString(), "Plant AB");
  g.MoveFirst();
  EXPECT_TRUE(g.EOF_Facility());
  EXPECT_TRUE(g.EOF_Variable());
  // The same id may be added again afterwards.
  g.ADHOCAddVariable("ab", 1);
  EXPECT_EQ(g.TotalVariable(), 1);
}

TEST(VariableSetTest, SharedTablesAreTheSameObjects) {
  CommonVarGatherer session;
  CommonVarGatherer picked;
  picked.FacilityNames(session.FacilityNames());
  picked.LastRunSettings(session.LastRunSettings());
  session.FacilityNames()->Add("AB", core::Value("Plant AB"));
  EXPECT_EQ(picked.FacilityNames()->item("AB").ToString(), "Plant AB");
  EXPECT_EQ(picked.LastRunSettings().get(), session.LastRunSettings().get());
  EXPECT_EQ(session.FacilityAInfoFields()->Count(), 0);
}

// A root schema of the test's own, with facility databases listed in it.
class GatheringTest : public ::testing::Test {
 protected:
  static constexpr std::int32_t kCollector = 7;

  void SetUp() override {
    if (!root_.Ok()) GTEST_SKIP();
    program_.PointAt(root_.Cluster());
  }

  void List(const std::string& filename, const char* name) {
    root_.Exec("INSERT INTO facility (filename, name) VALUES ('" + core::SqlQuoted(filename) + "', " +
               (name ? "'" + core::SqlQuoted(name) + "'" : std::string("NULL")) + ")");
  }
  static void AddVariable(testsupport::KrymFixture& f, std::int32_t varid, std::int32_t collector, int enabled) {
    f.Exec("INSERT INTO vardesc (varid, varnum, name, vartype, g2_interface_id, g2_enabled) VALUES (" +
           std::to_string(varid) + ", " + std::to_string(varid) + ", 'v', 'P', " + std::to_string(collector) + ", " +
           std::to_string(enabled) + ")");
  }
  // The facilities in the order a hash table of them enumerates its keys. Keys that share a
  // bucket keep their insertion order, so they go in as the gatherer adds them: ordered by the
  // upper-cased file name, as the root database's C collation orders them.
  static std::vector<std::string> KeyOrder(std::vector<std::string> ids) {
    std::sort(ids.begin(), ids.end(),
              [](const std::string& x, const std::string& y) { return core::UCase(x) < core::UCase(y); });
    HashTable t;
    for (const std::string& id : ids) t.Add(id, core::Value(1));
    return t.Keys();
  }

  modeltest::ModelProgram program_;
  modeltest::RootDatabase root_;
};

TEST_F(GatheringTest, GathersEnabledVariablesOfTheCollector) {
  testsupport::KrymFixture a, b, c;
  ASSERT_TRUE(a.Ok() && b.Ok() && c.Ok());
  AddVariable(a, 30, kCollector, -1);
  AddVariable(a, 10, kCollector, -1);
  AddVariable(a, 20, kCollector, 0);  // not enabled
  AddVariable(a, 40, 8, -1);          // another collector's
  AddVariable(b, 5, 8, -1);           // b has nothing for this collector
  AddVariable(c, 123, kCollector, -1);
  AddVariable(c, 12, kCollector, -1);
  List(a.Name(), "Plant A");
  List(b.Name(), "Plant B");
  List("  " + core::LCase(c.Name()) + " ", nullptr);  // read back trimmed and upper-cased
  List("NO_SUCH_DATABASE_" + a.Name(), "Gone");       // cannot be opened: adds nothing, silently

  CommonVarGatherer g;
  ASSERT_TRUE(g.ReadVornKrym(kCollector, root_.Connection()));
  EXPECT_EQ(g.CollectorID(), kCollector);
  EXPECT_EQ(g.TotalVariable(), 4);
  EXPECT_EQ(g.TotalFacility(), 2);

  const HashTable& names = *g.FacilityNames();
  EXPECT_EQ(names.Count(), 4);
  EXPECT_EQ(names.item(a.Name()).ToString(), "Plant A");
  EXPECT_EQ(names.item(b.Name()).ToString(), "Plant B");
  EXPECT_TRUE(names.Exists(c.Name()));
  EXPECT_EQ(names.item(c.Name()).ToString(), "");
  EXPECT_EQ(names.item("NO_SUCH_DATABASE_" + a.Name()).ToString(), "Gone");

  const std::vector<std::string> order = KeyOrder({a.Name(), c.Name()});
  Walk expected;
  for (const std::string& id : order)
    expected.emplace_back(id, id == a.Name() ? std::vector<std::int32_t>{10, 30} : std::vector<std::int32_t>{12, 123});
  EXPECT_EQ(WalkOf(g), expected);

  // A second gathering adds nothing that is already held.
  AddVariable(c, 1, kCollector, -1);
  ASSERT_TRUE(g.ReadVornKrym(kCollector, root_.Connection()));
  EXPECT_EQ(g.TotalVariable(), 5);
  EXPECT_EQ(program_.LogCount("Unable to init"), 0);
}

TEST_F(GatheringTest, LimitFacilityNamesTheOneFacilityRead) {
  testsupport::KrymFixture a, b;
  ASSERT_TRUE(a.Ok() && b.Ok());
  AddVariable(a, 1, kCollector, -1);
  AddVariable(b, 2, kCollector, -1);
  List(a.Name(), "Plant A");
  List(b.Name(), "Plant B");
  List("O'NEIL", "Quoted");

  struct Case {
    std::string limit;
    std::int32_t variables;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {core::LCase(b.Name()), 1, {b.Name()}},
      {"nosuch", 0, {}},
      {"o'neil", 0, {"O'NEIL"}},  // found, and the quote does not end the text early
      {"x' or 'a'='a", 0, {}},
  };
  for (const Case& c : cases) {
    program_.config.item("OPTIONS\\NOIU\\LIMITFACILITY", c.limit);
    CommonVarGatherer g;
    EXPECT_TRUE(g.ReadVornKrym(kCollector, root_.Connection())) << c.limit;
    EXPECT_EQ(g.TotalVariable(), c.variables) << c.limit;
    EXPECT_EQ(g.FacilityNames()->Count(), static_cast<std::int32_t>(c.names.size())) << c.limit;
    for (const std::string& n : c.names) EXPECT_TRUE(g.FacilityNames()->Exists(n)) << c.limit;
    EXPECT_EQ(program_.LogCount("Limiting gathering variables to facility: " + core::UCase(c.limit) + "\r\n"), 1);
  }
}

// Where the server reads a backslash in a string literal as an escape, doubling the quotes of a
// setting does not keep it out of the statement. The limit only ever names a facility.
TEST_F(GatheringTest, LimitFacilityNeverBecomesPartOfTheStatement) {
  testsupport::KrymFixture a;
  ASSERT_TRUE(a.Ok());
  AddVariable(a, 1, kCollector, -1);
  List(a.Name(), "Plant A");
  List("BACK\\SLASH'", "Backslash");
  platform::db::Connection escaping;
  escaping.Open(modeltest::RootDatabase::OleDbString(root_.Cluster(), root_.Name()) +
                "ConnSettings=SET standard_conforming_strings TO off;");
  ASSERT_EQ(escaping.Execute("SHOW standard_conforming_strings").Fields(0).Value().Text(), "off");

  struct Case {
    std::string limit;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"NORTH\\'; CREATE TABLE injected(i int); --", {}},
      {"x\\' or 1=1 --", {}},
      {"back\\slash'", {"BACK\\SLASH'"}},
      {core::LCase(a.Name()), {a.Name()}},
  };
  for (const Case& c : cases) {
    program_.config.item("OPTIONS\\NOIU\\LIMITFACILITY", c.limit);
    CommonVarGatherer g;
    EXPECT_TRUE(g.ReadVornKrym(kCollector, escaping)) << c.limit;
    EXPECT_EQ(g.FacilityNames()->Count(), static_cast<std::int32_t>(c.names.size())) << c.limit;
    for (const std::string& n : c.names) EXPECT_TRUE(g.FacilityNames()->Exists(n)) << c.limit;
  }
  EXPECT_EQ(root_.Connection().Execute("SELECT count(*) FROM pg_class WHERE relname = 'injected'").Fields(0).Value().ToLong(), 0);
}

TEST_F(GatheringTest, FacilityReadTwiceFailsAndKeepsTheIdsRead) {
  testsupport::KrymFixture a;
  ASSERT_TRUE(a.Ok());
  AddVariable(a, 1, kCollector, -1);
  AddVariable(a, 2, kCollector, -1);
  List(a.Name(), "upper");
  List(core::LCase(a.Name()), "lower");  // the same facility id once upper-cased

  CommonVarGatherer g;
  EXPECT_FALSE(g.ReadVornKrym(kCollector, root_.Connection()));
  EXPECT_EQ(g.TotalVariable(), 2);
  EXPECT_EQ(g.CollectorID(), 0);
}

TEST_F(GatheringTest, SettingsThatFillNoManagerShowOneBoxPerFacility) {
  List("FIRST", "1");
  List("SECOND", "2");
  program_.config.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "3");
  CommonVarGatherer g;
  EXPECT_TRUE(g.ReadVornKrym(kCollector, root_.Connection()));
  EXPECT_EQ(program_.LogCount("PROMPT= Unable to init Vorn Krym Connection Manager\r\n"), 2);
  EXPECT_EQ(program_.LogCount("BUTTONS= 48\r\n"), 2);
  EXPECT_EQ(g.FacilityNames()->Count(), 2);

  // A type that is not a number fails each facility quietly.
  program_.config.item("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE", "abc");
  EXPECT_TRUE(g.ReadVornKrym(kCollector, root_.Connection()));
  EXPECT_EQ(program_.LogCount("PROMPT= Unable to init Vorn Krym Connection Manager\r\n"), 2);
  EXPECT_EQ(g.TotalVariable(), 0);
}

TEST_F(GatheringTest, FailedFacilityQueryFails) {
  root_.Exec("DROP TABLE facility");
  CommonVarGatherer g;
  EXPECT_FALSE(g.ReadVornKrym(kCollector, root_.Connection()));
  EXPECT_EQ(g.FacilityNames()->Count(), 0);
}

TEST_F(GatheringTest, FacilityWithoutVardescAddsNothing) {
  testsupport::KrymFixture a, b;
  ASSERT_TRUE(a.Ok() && b.Ok());
  a.Exec("DROP TABLE vardesc");
  AddVariable(b, 9, kCollector, -1);
  List(a.Name(), "A");
  List(b.Name(), "B");
  CommonVarGatherer g;
  EXPECT_TRUE(g.ReadVornKrym(kCollector, root_.Connection()));
  EXPECT_EQ(WalkOf(g), (Walk{{b.Name(), {9}}}));
}

}  // namespace
