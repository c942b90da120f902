// The historian tag source: what it passes on to its engine, the date literals of the window,
// and its two data requests against a historian database of the test's own, bound parameters
// and refused table names included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HistorianDatabase.h"
#include "core/Date.h"
#include "core/RuntimeError.h"
#include "core/Value.h"
#include "features/CommonTAGFilter.h"
#include "features/CustomTagFilter.h"
#include "features/FeatureTestLog.h"
#include "platform/db/Recordset.h"
#include "platform/ui/ActivityList.h"

namespace {

using core::Date;
using core::Value;

Date At(int day, int h, int m, int s = 0) { return Date::FromParts(2015, 11, day, h, m, s); }

class ListedLines : public platform::ui::ActivityList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  void AddItem(const std::string& text) override { lines.push_back(text); }
  void RemoveItem(int index) override { lines.erase(lines.begin() + index); }
  void Clear() override { lines.clear(); }
  std::string Item(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  void SelectLast() override {}
  std::vector<std::string> lines;
};

TEST(CustomTagFilter, PassesItsSettingsOnToTheEngine) {
  CustomTagFilter f;
  f.StartTime(At(9, 14, 5));
  f.EndTime(At(10, 0, 0, 59));
  f.SourceTag(Value("PLANT.FLOW"));
  f.SourceStat(Value("maximum"));
  f.FilterTag(Value(42));
  f.FilterOp(Value("goes<(2)"));
  f.FilterValue(Value(2.5));
  f.FilterHighRange(Value::MakeNull());
  f.FilterLowRange(Value("3"));
  const CommonTAGFilter& e = f.TagFilter();
  EXPECT_EQ(e.startdate(), "'2015-11-09 14:05:00'");
  EXPECT_EQ(e.enddate(), "'2015-11-10 00:00:59'");
  EXPECT_EQ(e.SourceTag(), "PLANT.FLOW");
  EXPECT_EQ(e.SourceStatistic(), "MAXIMUM");
  EXPECT_EQ(e.FilterTag(), "42");
  EXPECT_EQ(e.FilterOp(), "goes<(2)");
  EXPECT_EQ(e.FilterValue(), "2.5");
  EXPECT_TRUE(e.HighRangeFilter().IsNull());
  EXPECT_EQ(e.LowRangeFilter().ToString(), "3");
  EXPECT_TRUE(CustomTagFilter().TagFilter().HighRangeFilter().IsEmpty());
}

TEST(CustomTagFilter, NullCannotBecomeText) {
  CustomTagFilter f;
  using Setter = void (CustomTagFilter::*)(const Value&);
  for (Setter set : {&CustomTagFilter::SourceTag, &CustomTagFilter::SourceStat, &CustomTagFilter::FilterTag,
                     &CustomTagFilter::FilterOp, &CustomTagFilter::FilterValue}) {
    try {
      (f.*set)(Value::MakeNull());
      ADD_FAILURE() << "no error";
    } catch (const core::RuntimeError& e) {
      EXPECT_EQ(e.Number(), 94);
    }
  }
}

TEST(CustomTagFilter, DateLiteralsReadBack) {
  EXPECT_EQ(CustomTagFilter::ReadSqlDateLiteral("'2015-11-09 14:05:00'"), At(9, 14, 5));
  EXPECT_EQ(CustomTagFilter::ReadSqlDateLiteral("2015-11-09 23:59:59"), At(9, 23, 59, 59));
  try {
    CustomTagFilter::ReadSqlDateLiteral("'now'; DROP TABLE History");
    FAIL() << "no error";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 13);
  }
}

TEST(CustomTagFilter, TextResultsAreNotSupported) {
  CustomTagFilter f;
  bool failed = false;
  EXPECT_TRUE(f.GetFilteredTextResult(failed).IsNull());
  EXPECT_TRUE(failed);
}

class HistorianSourceTest : public ::testing::Test {
 protected:
  HistorianSourceTest() {
    log_.Context().ui.activityList = &list_;
    filter_.Connection(&db_.Connection());
    filter_.SourceTableName("History");
    filter_.FilterTableName("History");
    filter_.SourceTag(Value("SRC"));
    filter_.FilterTag(Value("FLT"));
    filter_.SourceStat(Value("TOTAL"));
    filter_.FilterOp(Value("="));
    filter_.FilterValue(Value("1"));
    filter_.FilterLowRange(Value::MakeNull());
    filter_.FilterHighRange(Value::MakeNull());
    filter_.StartTime(At(9, 14, 0));
    filter_.EndTime(At(9, 15, 0));
  }

  FeatureTestLog log_;
  ListedLines list_;
  HistorianDatabase db_;
  CustomTagFilter filter_;
};

TEST_F(HistorianSourceTest, LoadsOneRowPerMinuteInOrder) {
  ASSERT_TRUE(db_.Valid());
  // Inserted out of order; the 14:03 minute has no filter sample.
  db_.Sample("History", "SRC", At(9, 14, 3, 5), 30);
  db_.Sample("History", "SRC", At(9, 14, 1, 5), 10);
  db_.Sample("History", "SRC", At(9, 14, 1, 45), 20);
  db_.Sample("History", "FLT", At(9, 14, 1, 0), 1);
  db_.Sample("History", "SRC", At(9, 13, 59, 59), 99);  // before the window
  db_.Sample("History", "SRC", At(9, 15, 0, 0), 99);    // the end is exclusive
  db_.Sample("History", "OTHER", At(9, 14, 2, 0), 99);

  platform::db::Recordset rs;
  TagFilterRows rows;
  ASSERT_TRUE(filter_.LoadRecordSet("'2015-11-09 14:00:00'", "'2015-11-09 15:00:00'", rs, rows)) << log_.All();
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_EQ(rs.Fields(0).Value().ToDate(), At(9, 14, 1));
  EXPECT_EQ(rs.Fields(1).Value().ToDouble(), 15);
  EXPECT_EQ(rs.Fields(2).Value().ToDouble(), 1);
  rs.MoveNext();
  EXPECT_EQ(rs.Fields(0).Value().ToDate(), At(9, 14, 3));
  EXPECT_TRUE(rs.Fields(2).Value().IsNull());
  EXPECT_EQ(log_.Starting("LoadRecordSet: select source.timestamp,savg,favg from (select AVG(Value) as savg").size(),
            1u)
      << log_.All();

  ASSERT_TRUE(filter_.LoadRecordSet("'2015-11-09 16:00:00'", "'2015-11-09 17:00:00'", rs, rows));
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_EQ(rows.size(), 1u);
}

TEST_F(HistorianSourceTest, TagsAreBoundNotWrittenIntoTheStatement) {
  ASSERT_TRUE(db_.Valid());
  const std::string tag = "O'Brien.PV' OR '1'='1";
  db_.Sample("History", tag, At(9, 14, 1), 7);
  db_.Sample("History", "SRC", At(9, 14, 1), 1000);
  db_.Sample("History", tag + "F", At(9, 14, 1), 1);
  filter_.SourceTag(Value(tag));
  filter_.FilterTag(Value(tag + "F"));
  bool failed = true;
  const Value result = filter_.GetFilteredDoubleResult(failed);
  EXPECT_FALSE(failed) << log_.All();
  EXPECT_EQ(result.ToDouble(), 7);
}

TEST_F(HistorianSourceTest, SchemaOwnerStandsBeforeBothTables) {
  ASSERT_TRUE(db_.Valid());
  db_.Sample("History", "SRC", At(9, 14, 1), 4);
  db_.Sample("DiscreteHistory", "FLT", At(9, 14, 1), 1);
  filter_.schemaOwner("public.");
  filter_.FilterTableName("DiscreteHistory");
  bool failed = true;
  EXPECT_EQ(filter_.GetFilteredDoubleResult(failed).ToDouble(), 4);
  EXPECT_FALSE(failed) << log_.All();
  const auto queries = log_.Starting("LoadRecordSet: ");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_NE(queries[0].find("from public.History where"), std::string::npos) << queries[0];
  EXPECT_NE(queries[0].find(" from public.DiscreteHistory where"), std::string::npos) << queries[0];
}

TEST_F(HistorianSourceTest, TableNameThatIsNoNameRunsNothing) {
  ASSERT_TRUE(db_.Valid());
  db_.Sample("History", "SRC", At(9, 14, 1), 4);
  db_.Sample("History", "FLT", At(9, 14, 1), 1);
  filter_.SourceTableName("History; DROP TABLE History; --");
  bool failed = false;
  EXPECT_TRUE(filter_.GetFilteredDoubleResult(failed).IsNull());
  EXPECT_TRUE(failed);
  const std::string line = "Error in 'LoadRecordSet': 'History; DROP TABLE History; --' is not a table name";
  EXPECT_TRUE(log_.Has(line)) << log_.All();
  EXPECT_EQ(list_.lines, std::vector<std::string>{line});
  EXPECT_TRUE(log_.Starting("LoadRecordSet: ").empty());
  // The table is still there.
  EXPECT_EQ(db_.Connection().Execute("SELECT count(*) FROM History").Fields(0).Value().ToLong(), 2);
}

TEST_F(HistorianSourceTest, DatabaseErrorsFailTheRequests) {
  ASSERT_TRUE(db_.Valid());
  filter_.SourceTableName("NoSuchTable");
  filter_.FilterTableName("NoSuchTable");
  bool failed = false;
  EXPECT_TRUE(filter_.GetFilteredDoubleResult(failed).IsNull());
  EXPECT_TRUE(failed);
  ASSERT_EQ(log_.Starting("Error in 'LoadRecordSet': ").size(), 1u) << log_.All();
  EXPECT_NE(log_.Starting("Error in 'LoadRecordSet': ")[0].find("nosuchtable"), std::string::npos);

  EXPECT_TRUE(filter_.LookUpLastValue().IsNull());
  EXPECT_EQ(log_.Starting("Error in 'LookupLastValue:").size(), 1u) << log_.All();
}

TEST_F(HistorianSourceTest, RequestsWithoutAConnectionFail) {
  CustomTagFilter unconnected;
  unconnected.StartTime(At(9, 14, 0));
  platform::db::Recordset rs;
  TagFilterRows rows;
  EXPECT_FALSE(unconnected.LoadRecordSet("'2015-11-09 14:00:00'", "'2015-11-09 15:00:00'", rs, rows));
  EXPECT_TRUE(log_.Has("Error in 'LoadRecordSet': Object variable or With block variable not set")) << log_.All();
  EXPECT_TRUE(unconnected.LookUpLastValue().IsNull());
  EXPECT_TRUE(log_.Has("Error in 'LookupLastValue:Object variable or With block variable not set"));
}

TEST_F(HistorianSourceTest, WindowBoundThatIsNoDateFailsTheLoad) {
  ASSERT_TRUE(db_.Valid());
  platform::db::Recordset rs;
  TagFilterRows rows;
  EXPECT_FALSE(filter_.LoadRecordSet("'2015-11-09 14:00:00' OR 1=1", "'2015-11-09 15:00:00'", rs, rows));
  EXPECT_EQ(log_.Starting("Error in 'LoadRecordSet': Type mismatch").size(), 1u) << log_.All();
}

TEST_F(HistorianSourceTest, LastValueIsTheLatestSampleBeforeTheWindowInTheSourceTable) {
  ASSERT_TRUE(db_.Valid());
  filter_.FilterTableName("DiscreteHistory");
  EXPECT_TRUE(filter_.LookUpLastValue().IsNull());
  // Inserted out of time order, so that only an ordered read finds the latest.
  db_.Sample("History", "FLT", At(9, 13, 10), 3);
  db_.Sample("History", "FLT", At(9, 13, 50), 8);
  db_.Sample("History", "FLT", At(9, 13, 20), 5);
  db_.Sample("History", "FLT", At(9, 14, 0), 9);  // at the window start: not before it
  db_.Sample("History", "SRC", At(9, 13, 55), 7);
  // The filter table's samples of the tag, later ones too, are not where it is looked up.
  db_.Sample("DiscreteHistory", "FLT", At(9, 13, 58), 1);
  EXPECT_EQ(filter_.LookUpLastValue().ToDouble(), 8);

  // A tag that has samples only in the filter table has no last value.
  filter_.FilterTag(Value("ONLYFILTER"));
  db_.Sample("DiscreteHistory", "ONLYFILTER", At(9, 13, 30), 4);
  EXPECT_TRUE(filter_.LookUpLastValue().IsNull());
}

}  // namespace
