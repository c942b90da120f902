// Static recordsets: walking rows with BOF/EOF as the program expects, field access and value kinds.
#include "platform/db/Recordset.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ScratchDatabase.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/DbException.h"

using namespace platform::db;
using core::Value;

namespace {

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!db_.Valid()) return;
    db_.Connection().Execute(
        "create table points (id integer, Point_Desc varchar(50), Reading double precision, "
        "Trans_Date timestamp, Flag boolean, Small smallint, Big bigint, Amount numeric(10,2), "
        "Day date, Clock time, Notes text, Blob bytea)");
    db_.Connection().Execute(
        "insert into points values "
        "(1, 'Pump 1', 1.5, '2026-12-08 13:05:09.123', true, 7, 5000000000, 12.25, '2026-12-08', '23:00:01', "
        "'Ölstand über 3 m³', '\\x00ff10'::bytea),"
        "(2, 'Pump 2', null, null, false, null, 42, null, null, null, null, null),"
        "(3, 'Valve 3', -2, '1899-12-30 00:00:00', null, -1, null, 0, null, null, '', ''::bytea)");
  }
  dbtest::ScratchDatabase db_;
};

TEST_F(RecordsetTest, WalksRowsWithBofAndEof) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("select id from points order by id", db_.Connection());
  EXPECT_EQ(rs.State(), adStateOpen);
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_FALSE(rs.Bof());
  EXPECT_FALSE(rs.Eof());
  std::vector<long> ids;
  while (!rs.Eof()) {
    ids.push_back(rs.Fields(0).Value().ToLong());
    rs.MoveNext();
  }
  EXPECT_EQ(ids, (std::vector<long>{1, 2, 3}));
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.MoveNext(); }), dberr::kNoCurrentRecord);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Fields(0).Value(); }), dberr::kNoCurrentRecord);

  rs.MovePrevious();  // from EOF back onto the last row
  EXPECT_EQ(rs.Fields("id").Value().ToLong(), 3);
  rs.MoveFirst();
  EXPECT_EQ(rs.AbsolutePosition(), 1);
  rs.MovePrevious();
  EXPECT_TRUE(rs.Bof());
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.MovePrevious(); }), dberr::kNoCurrentRecord);
  rs.MoveNext();  // from BOF onto the first row
  EXPECT_EQ(rs.Fields(0).Value().ToLong(), 1);
  rs.MoveLast();
  EXPECT_EQ(rs.Fields(0).Value().ToLong(), 3);
  EXPECT_EQ(rs.AbsolutePosition(), 3);
}

TEST_F(RecordsetTest, AnEmptyResultIsAtBothEnds) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("select id from points where id < 0", db_.Connection());
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_TRUE(rs.Bof());
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.FieldCount(), 1);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.MoveFirst(); }), dberr::kNoCurrentRecord);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.MoveLast(); }), dberr::kNoCurrentRecord);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.MoveNext(); }), dberr::kNoCurrentRecord);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Fields("id").Value(); }), dberr::kNoCurrentRecord);
}

TEST_F(RecordsetTest, FindsFieldsByNameIgnoringCase) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("select Point_Desc, id from points where id = 1", db_.Connection());
  // PostgreSQL folds the unquoted names to lower case; the program writes them as it likes.
  EXPECT_EQ(rs.Fields("POINT_DESC").Value().ToString(), "Pump 1");
  EXPECT_EQ(rs.Fields("Point_Desc").Name(), "point_desc");
  EXPECT_EQ(rs.Fields("ID").Index(), 1);
  EXPECT_TRUE(rs.HasField("Id"));
  EXPECT_FALSE(rs.HasField("Route_Id"));
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Fields("Route_Id"); }), dberr::kItemNotFound);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Fields(2); }), dberr::kItemNotFound);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Fields(-1); }), dberr::kItemNotFound);
}

TEST_F(RecordsetTest, GivesEachColumnKindItsValueKind) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("select * from points order by id", db_.Connection());
  struct Case {
    const char* column;
    Value::Kind kind;
    DataTypeEnum type;
  };
  const Case cases[] = {
      {"id", Value::Kind::Long, adInteger},         {"point_desc", Value::Kind::String, adVarWChar},
      {"reading", Value::Kind::Double, adDouble},   {"trans_date", Value::Kind::Date, adDBTimeStamp},
      {"flag", Value::Kind::Boolean, adBoolean},    {"small", Value::Kind::Integer, adSmallInt},
      {"amount", Value::Kind::Double, adNumeric},   {"day", Value::Kind::Date, adDBDate},
      {"clock", Value::Kind::Date, adDBTime},       {"notes", Value::Kind::String, adLongVarWChar},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rs.Fields(c.column).Value().GetKind(), c.kind) << c.column;
    EXPECT_EQ(rs.Fields(c.column).Type(), c.type) << c.column;
  }
  // A whole number beyond 32 bits keeps its value as a Double.
  EXPECT_EQ(rs.Fields("big").Value().GetKind(), Value::Kind::Double);
  EXPECT_EQ(rs.Fields("big").Value().ToDouble(), 5000000000.0);
  EXPECT_TRUE(rs.Fields("flag").Value().ToBool());
  EXPECT_EQ(rs.Fields("amount").Value().ToDouble(), 12.25);
  EXPECT_EQ(rs.Fields("notes").Value().ToString(), "Ölstand über 3 m³");
  EXPECT_EQ(rs.Fields("clock").Value().ToDate().Serial(), core::Date::FromTime(23, 0, 1).Serial());
  EXPECT_EQ(rs.Fields("day").Value().ToDate(), core::Date::FromParts(2026, 12, 8));
  EXPECT_EQ(rs.Fields("blob").Bytes(), (std::vector<unsigned char>{0x00, 0xff, 0x10}));

  rs.MoveNext();
  rs.MoveNext();
  EXPECT_EQ(rs.Fields("trans_date").Value().ToDate().Serial(), 0.0);  // the zero date
  EXPECT_EQ(rs.Fields("notes").Value().GetKind(), Value::Kind::String);  // empty text is not Null
  EXPECT_EQ(rs.Fields("notes").Value().ToString(), "");
  EXPECT_FALSE(rs.Fields("blob").IsNull());
  EXPECT_TRUE(rs.Fields("blob").Bytes().empty());
}

TEST_F(RecordsetTest, DatabaseNullsAreNull) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("select * from points where id = 2", db_.Connection());
  for (const char* c : {"reading", "trans_date", "small", "amount", "day", "clock", "notes", "blob"}) {
    EXPECT_TRUE(rs.Fields(c).Value().IsNull()) << c;
    EXPECT_TRUE(rs.Fields(c).IsNull()) << c;
  }
  EXPECT_TRUE(rs.Fields("blob").Bytes().empty());
  EXPECT_FALSE(rs.Fields("flag").IsNull());
  EXPECT_FALSE(rs.Fields("flag").Value().ToBool());
}

TEST_F(RecordsetTest, TimestampsKeepTheirMilliseconds) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("select trans_date from points where id = 1", db_.Connection());
  auto p = rs.Fields(0).Value().ToDate().Split();
  EXPECT_EQ(std::vector<int>({p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}),
            std::vector<int>({2026, 12, 8, 13, 5, 9, 123}));
}

// psqlODBC cannot parse a year of five digits and hands today's date over as a success
// (1000-12-10 for a date): a date the driver could not read must never look like a date, while
// every date of the calendar keeps its value to the millisecond.
TEST_F(RecordsetTest, DatesTheDriverCannotReadAreNoDates) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open(
      "select timestamp '10000-01-01' as big, date '10000-01-02' as bigday, timestamp '0044-03-15 BC' as bc, "
      "timestamp '0001-01-01' as early, timestamp '2024-03-05 14:35:00.5' as half, "
      "timestamp '9999-12-31 23:59:59.999' as last, date '2024-02-29' as leap, time '14:35:01.25' as clock, "
      "timestamp '0100-01-01 06:00' as first",
      db_.Connection());
  for (const char* c : {"big", "bigday", "bc", "early"}) {
    const Value v = rs.Fields(c).Value();
    EXPECT_FALSE(v.IsNull()) << c;
    EXPECT_FALSE(v.IsDate()) << c << ": " << v.Text();
  }
  struct Case {
    const char* column;
    core::Date date;
  };
  const Case cases[] = {
      {"half", core::Date::FromParts(2024, 3, 5, 14, 35, 0.5)},
      {"last", core::Date::FromParts(9999, 12, 31, 23, 59, 59.999)},
      {"leap", core::Date::FromParts(2024, 2, 29)},
      {"clock", core::Date::FromTime(14, 35, 1.25)},
      {"first", core::Date::FromParts(100, 1, 1, 6)},
  };
  for (const Case& c : cases) {
    const Value v = rs.Fields(c.column).Value();
    ASSERT_EQ(v.GetKind(), Value::Kind::Date) << c.column << ": " << v.Text();
    EXPECT_NEAR(v.ToDate().Serial(), c.date.Serial(), 1e-9) << c.column;
  }
}

TEST_F(RecordsetTest, LongTextsAndBinariesArriveWhole) {
  if (!db_.Valid()) return;
  // Longer than any one piece the driver hands over.
  std::string text;
  for (int i = 0; i < 30000; ++i) text += static_cast<char>('a' + i % 26);
  text += "ä€";
  std::vector<unsigned char> bytes(200000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  Command put;
  put.ActiveConnection(db_.Connection());
  put.CommandText("insert into points (id, notes, blob) values (10, ?, ?)");
  put.CreateParameter("notes", adLongVarWChar, adParamInput, 0, text);
  put.CreateParameter("blob", adLongVarBinary).Bytes(bytes);
  put.Execute();

  Recordset rs;
  rs.Open("select notes, blob from points where id = 10", db_.Connection());
  EXPECT_EQ(rs.Fields("notes").Value().ToString(), text);
  EXPECT_EQ(rs.Fields("blob").Bytes(), bytes);
}

TEST_F(RecordsetTest, StaysReadableAfterItsConnectionCloses) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("select id from points order by id", db_.Connection());
  db_.Connection().Close();
  rs.MoveLast();
  EXPECT_EQ(rs.Fields(0).Value().ToLong(), 3);
  rs.Close();
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.RecordCount(); }), dberr::kObjectClosed);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Eof(); }), dberr::kObjectClosed);
  // A closed connection refuses to open a recordset.
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Open("select 1", db_.Connection()); }), dberr::kConnectionUnusable);
  db_.Connection().Open();
}

TEST_F(RecordsetTest, OpensWholeTablesAndRefusesToOpenTwice) {
  if (!db_.Valid()) return;
  Recordset rs;
  rs.Open("points", db_.Connection(), adCmdTable);
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.FieldCount(), 12);
  EXPECT_EQ(dbtest::ErrorNumber([&] { rs.Open("points", db_.Connection(), adCmdTable); }), dberr::kObjectOpen);
}

// A table opened by name comes in the order of its primary key, whatever order the server
// keeps its rows in (PostgreSQL moves an updated row to the end): a key of several columns,
// one of them of a mixed-case name, a table named in another case than the server keeps.
TEST_F(RecordsetTest, ATableOpensInItsPrimaryKeyOrder) {
  if (!db_.Valid()) return;
  db_.Connection().Execute(
      "CREATE TABLE keyed (b integer, a varchar(10), \"Mixed Key\" integer, note varchar(20), "
      "PRIMARY KEY (\"Mixed Key\", a, b));"
      "INSERT INTO keyed VALUES (1, 'y', 2, 'fourth'), (2, 'x', 2, 'third'), (9, 'x', 1, 'second'), "
      "(1, 'x', 1, 'first');"
      "CREATE TABLE unkeyed (note varchar(20));"
      "INSERT INTO unkeyed VALUES ('only');"
      "UPDATE keyed SET note = 'first' WHERE note = 'first';");
  struct Case {
    const char* table;
    std::vector<std::string> notes;
  };
  const Case cases[] = {
      {"keyed", {"first", "second", "third", "fourth"}},
      {"KEYED", {"first", "second", "third", "fourth"}},
      {"Keyed", {"first", "second", "third", "fourth"}},
      {"public.keyed", {"first", "second", "third", "fourth"}},
      {"unkeyed", {"only"}},
  };
  for (const Case& c : cases) {
    Recordset rs;
    ASSERT_NO_THROW(rs.Open(c.table, db_.Connection(), adCmdTable)) << c.table;
    std::vector<std::string> notes;
    for (; !rs.Eof(); rs.MoveNext()) notes.push_back(rs.Fields("note").Value().Text());
    EXPECT_EQ(notes, c.notes) << c.table;
  }
}

TEST_F(RecordsetTest, AFailingQueryLeavesItsErrorsOnTheConnection) {
  if (!db_.Valid()) return;
  Recordset rs;
  EXPECT_THROW(rs.Open("select nosuch from points", db_.Connection()), DbException);
  EXPECT_EQ(rs.State(), adStateClosed);
  ASSERT_FALSE(db_.Connection().Errors().empty());
  EXPECT_EQ(db_.Connection().Errors().front().SqlState(), "42703");
}

}  // namespace
