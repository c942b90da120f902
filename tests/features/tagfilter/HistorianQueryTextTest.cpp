// The historian statements: their text in both dialects, the per-minute aggregate, and the
// table names that may stand in them.
#include <gtest/gtest.h>

#include <string>

#include "core/RuntimeError.h"
#include "features/HistorianQueryText.h"

namespace {

const std::string kMinute =
    "cast (cast(month(DateTime) as varchar) + '/' + datename(day,DateTime) + '/' +datename(year,DateTime) + ' ' +  "
    "datename(hour,DateTime) + ':' + datename(minute,DateTime) + ':00' as datetime)";

HistorianQueryText Text(HistorianQueryText::Dialect dialect, const std::string& owner = "Runtime.dbo.") {
  HistorianQueryText t;
  t.dialect = dialect;
  t.schemaOwner = owner;
  t.sourceTable = "AnalogHistory";
  t.filterTable = "DiscreteHistory";
  t.statistic = "maximum";
  t.nos = 60;
  return t;
}

TEST(HistorianQueryText, SqlServerRowsQuery) {
  const std::string expected =
      "select source.timestamp,savg,favg from "
      "(select MAX(Value) as savg, " +
      kMinute +
      " as timestamp "
      "from Runtime.dbo.AnalogHistory "
      "where DateTime >= ? and DateTime < ?  and TagName=? "
      " AND wwRetrievalMode = 'Cyclic' AND wwRowCount = 60"
      " group by " +
      kMinute +
      ") source"
      " left outer join "
      " (select MAX(Value) as favg, " +
      kMinute +
      " as timestamp "
      " from Runtime.dbo.DiscreteHistory "
      "where DateTime >= ? and DateTime < ? and TagName=? "
      " AND wwRetrievalMode = 'Cyclic' AND wwRowCount = 60"
      " group by " +
      kMinute +
      ") filter"
      " on source.timestamp=filter.timestamp"
      " order by source.timestamp";
  EXPECT_EQ(Text(HistorianQueryText::Dialect::SqlServer).RecordSetQuery(), expected);
}

TEST(HistorianQueryText, PostgreSqlRowsQueryHasNoRetrievalOptions) {
  const std::string q = Text(HistorianQueryText::Dialect::PostgreSQL, "").RecordSetQuery();
  EXPECT_EQ(q.find("wwRetrievalMode"), std::string::npos);
  EXPECT_NE(q.find("(select MAX(Value) as savg, date_trunc('minute', DateTime) as timestamp from AnalogHistory "),
            std::string::npos)
      << q;
  EXPECT_NE(q.find(" from DiscreteHistory where"), std::string::npos) << q;
}

TEST(HistorianQueryText, LastValueQueryReadsTheSourceTableLatestFirst) {
  EXPECT_EQ(Text(HistorianQueryText::Dialect::SqlServer).LastValueQuery(),
            "select top 1 Value from Runtime.dbo.AnalogHistory where TagName=? and DateTime < ? order by DateTime "
            "desc");
  EXPECT_EQ(Text(HistorianQueryText::Dialect::PostgreSQL, "").LastValueQuery(),
            "select Value from AnalogHistory where TagName=? and DateTime < ? order by DateTime desc limit 1");
}

TEST(HistorianQueryText, AggregateFollowsTheStatistic) {
  struct Case {
    const char *statistic, *aggregate;
  };
  for (const Case& c : {Case{"MAXIMUM", "MAX"}, Case{"maximum", "MAX"}, Case{"Minimum", "MIN"}, Case{"FIRST", "AVG"},
                        Case{"LAST", "AVG"}, Case{"TOTAL", "AVG"}, Case{"RANGE", "AVG"}, Case{"DIFF", "AVG"},
                        Case{"AVERAGE", "AVG"}, Case{"", "AVG"}}) {
    SCOPED_TRACE(c.statistic);
    EXPECT_EQ(HistorianQueryText::Aggregate(c.statistic), c.aggregate);
  }
}

TEST(HistorianQueryText, TableNames) {
  for (const char* name :
       {"History", "dbo.History", "Runtime.dbo.History", "INSQL.Runtime.dbo.History",
        "[Runtime].[dbo].[Analog History]", "Runtime..History", "\"public\".history", "#samples", "_h$1"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(HistorianQueryText::IsTableName(name));
  }
  for (const char* name : {"", "History; DROP TABLE History", "History--", "a.b.c.d.e", ".History", "History.", "[a]b]",
                           "1History", "His tory", "x'y", "History)", "[]", "\"a\"b\""}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(HistorianQueryText::IsTableName(name));
  }
}

TEST(HistorianQueryText, NoStatementWithABadTableName) {
  HistorianQueryText t = Text(HistorianQueryText::Dialect::SqlServer, "dbo.");
  t.filterTable = "History where 1=1 --";
  try {
    t.RecordSetQuery();
    FAIL() << "no error";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 5);
    EXPECT_EQ(e.Description(), "'dbo.History where 1=1 --' is not a table name");
  }
  t.sourceTable = "History; drop table History";
  EXPECT_THROW(t.LastValueQuery(), core::RuntimeError);
  t.sourceTable = "History";
  t.filterTable = "History";
  t.schemaOwner = "x;";
  EXPECT_THROW(t.RecordSetQuery(), core::RuntimeError);
}

}  // namespace
