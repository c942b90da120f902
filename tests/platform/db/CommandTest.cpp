// Commands: stored procedures with named parameters bound in creation order, outputs read back,
// text commands with "?" markers, binary parameters and the command's own failures.
#include "platform/db/Command.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScratchDatabase.h"
#include "platform/db/Connection.h"
#include "platform/db/DbException.h"

using namespace platform::db;
using core::Date;
using core::Value;

namespace {

// A daily value table with a write and a seek procedure shaped as the writers call them,
// and an interval seek whose inputs and outputs are mixed.
const char* kSchema = R"sql(
create table datatbl (datestamp timestamp, varid integer, curvalue double precision, textvalue varchar(255),
                      audituser varchar(50), audittimestamp timestamp, forced integer, status integer);
create function writedtbl(date timestamp, varid integer, value double precision, textvalue varchar,
                          audituser varchar, status integer) returns void as $$
begin
  delete from datatbl d where d.datestamp = writedtbl.date and d.varid = writedtbl.varid;
  insert into datatbl values (writedtbl.date, writedtbl.varid, writedtbl.value, writedtbl.textvalue,
                              writedtbl.audituser, timestamp '2026-01-02 03:04:05', 0, writedtbl.status);
end $$ language plpgsql;
create function seekddatevarid(datestamp_1 timestamp, varid_2 integer, out curvalue_3 double precision,
                               out textvalue_4 varchar, out varid_5 integer, out audituser varchar,
                               out audittimestamp timestamp, out forced integer, out status integer) as $$
begin
  select d.curvalue, d.textvalue, d.varid, d.audituser, d.audittimestamp, d.forced, d.status
    into curvalue_3, textvalue_4, varid_5, audituser, audittimestamp, forced, status
    from datatbl d where d.datestamp = datestamp_1 and d.varid = varid_2;
end $$ language plpgsql;
create function seekfddh(datestamp_1 timestamp, varid_2 integer, out curvalue_3 double precision,
                         out varid_5 integer, slotstarttime timestamp, slotendtime timestamp,
                         out status integer) as $$
begin
  select d.curvalue, d.varid, d.status into curvalue_3, varid_5, status
    from datatbl d where d.varid = varid_2 and d.datestamp >= slotstarttime and d.datestamp < slotendtime;
end $$ language plpgsql;
create function twice(x integer) returns integer as $$ select 2 * x $$ language sql;
create function bump(inout n integer) as $$ begin n := n + 1; end $$ language plpgsql;
)sql";

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (db_.Valid()) db_.Connection().Execute(kSchema);
  }

  // The writers' way: prepare once, set inputs by name, execute many times.
  void PrepareWrite(Command& w) {
    w.ActiveConnection(db_.Connection());
    w.CommandText("writedtbl");
    w.CommandType(adCmdStoredProc);
    w.CreateParameter("date", adDate, adParamInput);
    w.CreateParameter("varid", adInteger, adParamInput);
    w.CreateParameter("value", adDouble, adParamInput);
    w.CreateParameter("textvalue", adVarWChar, adParamInput, 255);
    w.CreateParameter("audituser", adVarChar, adParamInput, 50);
    w.CreateParameter("status", adInteger, adParamInput);
  }
  void PrepareSeek(Command& s) {
    s.ActiveConnection(db_.Connection());
    s.CommandText("seekddatevarid");
    s.CommandType(adCmdStoredProc);
    s.CreateParameter("datestamp_1", adDate, adParamInput);
    s.CreateParameter("varid_2", adInteger, adParamInput);
    s.CreateParameter("curvalue_3", adDouble, adParamOutput);
    s.CreateParameter("textvalue_4", adVarWChar, adParamOutput, 255);
    s.CreateParameter("varid_5", adInteger, adParamOutput);
    s.CreateParameter("audituser", adVarChar, adParamOutput, 50);
    s.CreateParameter("audittimestamp", adDate, adParamOutput);
    s.CreateParameter("forced", adInteger, adParamOutput);
    s.CreateParameter("status", adInteger, adParamOutput);
  }
  void Write(Command& w, Date d, int varid, double value, const std::string& text, int status = 0) {
    w.Parameters("date").Value(d);
    w.Parameters("varid").Value(varid);
    w.Parameters("value").Value(value);
    w.Parameters("textvalue").Value(text);
    w.Parameters("audituser").Value("OPERATOR 7");
    w.Parameters("status").Value(status);
    w.Execute();
  }
  void Seek(Command& s, Date d, int varid) {
    s.Parameters("DATESTAMP_1").Value(d);  // names compare ignoring case
    s.Parameters("VarId_2").Value(varid);
    s.Execute();
  }

  dbtest::ScratchDatabase db_;
};

TEST_F(CommandTest, StoredProcedureOutputsComeBackTyped) {
  if (!db_.Valid()) return;
  Command w, s;
  PrepareWrite(w);
  PrepareSeek(s);
  const Date day = Date::FromParts(2026, 12, 8);
  Write(w, day, 101, 3.25, "  Ölstand  ", 2);

  Seek(s, day, 101);
  EXPECT_EQ(s.Parameters("curvalue_3").Value().GetKind(), Value::Kind::Double);
  EXPECT_EQ(s.Parameters("curvalue_3").Value().ToDouble(), 3.25);
  EXPECT_EQ(s.Parameters("textvalue_4").Value().ToString(), "  Ölstand  ");
  EXPECT_EQ(s.Parameters("varid_5").Value().GetKind(), Value::Kind::Long);
  EXPECT_EQ(s.Parameters("varid_5").Value().ToLong(), 101);
  EXPECT_EQ(s.Parameters("audituser").Value().ToString(), "OPERATOR 7");
  EXPECT_EQ(s.Parameters("audittimestamp").Value().ToDate(), Date::FromParts(2026, 1, 2, 3, 4, 5));
  EXPECT_EQ(s.Parameters("forced").Value().ToLong(), 0);
  EXPECT_EQ(s.Parameters("status").Value().ToLong(), 2);
}

TEST_F(CommandTest, ASeekThatFindsNoRowGivesNullOutputsEvenAfterAHit) {
  if (!db_.Valid()) return;
  Command w, s;
  PrepareWrite(w);
  PrepareSeek(s);
  const Date day = Date::FromParts(2026, 12, 8);
  Write(w, day, 101, 1, "x");
  Seek(s, day, 101);
  ASSERT_FALSE(s.Parameters("varid_5").Value().IsNull());

  Seek(s, day, 999);  // no such variable: nothing of the earlier hit may remain
  for (int i = 2; i < s.ParameterCount(); ++i)
    EXPECT_TRUE(s.Parameters(i).Value().IsNull()) << s.Parameters(i).Name();
  Seek(s, Date::FromParts(2026, 12, 9), 101);  // same variable, another day
  EXPECT_TRUE(s.Parameters("varid_5").Value().IsNull());
}

TEST_F(CommandTest, ASlotStartComputedAsAFractionOfADayFindsItsRowAgain) {
  if (!db_.Valid()) return;
  Command w, s;
  PrepareWrite(w);
  PrepareSeek(s);
  // 10:45 reached by adding fractions, as the slot arithmetic does, and by its parts.
  const Date byFraction(Date::FromParts(2026, 3, 1).Serial() + 10.0 / 24 + (45 / 15) / 96.0);
  const Date byParts = Date::FromParts(2026, 3, 1, 10, 45, 0);
  Write(w, byFraction, 7, 10.45, "");
  Seek(s, byParts, 7);
  ASSERT_FALSE(s.Parameters("varid_5").Value().IsNull());
  EXPECT_EQ(s.Parameters("curvalue_3").Value().ToDouble(), 10.45);

  // A millisecond apart is another slot.
  Seek(s, Date::FromParts(2026, 3, 1, 10, 45, 0.001), 7);
  EXPECT_TRUE(s.Parameters("varid_5").Value().IsNull());
  Write(w, Date::FromParts(2026, 3, 1, 10, 45, 0.001), 7, 2, "");
  Seek(s, Date::FromParts(2026, 3, 1, 10, 45, 0.001), 7);
  EXPECT_EQ(s.Parameters("curvalue_3").Value().ToDouble(), 2);
  Recordset all = db_.Connection().Execute("select count(*) from datatbl where varid = 7");
  EXPECT_EQ(all.Fields(0).Value().ToLong(), 2);
}

TEST_F(CommandTest, InputsAndOutputsMayBeMixedInAnyOrder) {
  if (!db_.Valid()) return;
  Command w;
  PrepareWrite(w);
  Write(w, Date::FromParts(2026, 3, 1, 10, 50, 0), 8, 4.5, "", 3);

  Command s;
  s.ActiveConnection(db_.Connection());
  s.CommandType(adCmdStoredProc);
  s.CommandText("SEEKFDDH");  // the program's upper-case name reaches the folded function
  s.CreateParameter("datestamp_1", adDate, adParamInput);
  s.CreateParameter("varid_2", adInteger, adParamInput);
  s.CreateParameter("curvalue_3", adDouble, adParamOutput);
  s.CreateParameter("varid_5", adInteger, adParamOutput);
  s.CreateParameter("slotstarttime", adDate, adParamInput);
  s.CreateParameter("slotendtime", adDate, adParamInput);
  s.CreateParameter("status", adInteger, adParamOutput);
  s.Parameters("datestamp_1").Value(Date::FromParts(2026, 3, 1, 10, 0, 0));
  s.Parameters("varid_2").Value(8);
  s.Parameters("slotstarttime").Value(Date::FromParts(2026, 3, 1, 10, 0, 0));
  s.Parameters("slotendtime").Value(Date::FromParts(2026, 3, 1, 11, 0, 0));
  s.Execute();
  EXPECT_EQ(s.Parameters("curvalue_3").Value().ToDouble(), 4.5);
  EXPECT_EQ(s.Parameters("varid_5").Value().ToLong(), 8);
  EXPECT_EQ(s.Parameters("status").Value().ToLong(), 3);
}

TEST_F(CommandTest, EveryParameterTypeRoundTripsThroughTheDatabase) {
  if (!db_.Valid()) return;
  struct Case {
    DataTypeEnum type;
    const char* sqlType;
    Value in;
    Value::Kind kind;
  };
  const Case cases[] = {
      {adSmallInt, "smallint", Value(std::int16_t{-7}), Value::Kind::Integer},
      {adInteger, "integer", Value(std::int32_t{2000000000}), Value::Kind::Long},
      {adBigInt, "bigint", Value(6e9), Value::Kind::Double},
      {adDouble, "double precision", Value(-0.125), Value::Kind::Double},
      {adBoolean, "boolean", Value(true), Value::Kind::Boolean},
      {adDate, "timestamp", Value(Date::FromParts(1999, 12, 31, 23, 59, 59.999)), Value::Kind::Date},
      {adVarChar, "varchar", Value("it's a \"test\"; drop table x"), Value::Kind::String},
      {adVarWChar, "varchar", Value("温度 \xF0\x9F\x94\xA7"), Value::Kind::String},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sqlType);
    const std::string fn = std::string("echo_") + std::to_string(c.type);
    db_.Connection().Execute("create function " + fn + "(x " + c.sqlType + ", out y " + c.sqlType +
                             ") as $$ begin y := x; end $$ language plpgsql");
    Command cmd;
    cmd.ActiveConnection(db_.Connection());
    cmd.CommandType(adCmdStoredProc);
    cmd.CommandText(fn);
    cmd.CreateParameter("x", c.type, adParamInput, 255, c.in);
    cmd.CreateParameter("y", c.type, adParamOutput, 255);
    cmd.Execute();
    const Value& out = cmd.Parameters("y").Value();
    EXPECT_EQ(out.GetKind(), c.kind);
    if (c.kind == Value::Kind::Date) {
      auto a = out.ToDate().Split(), b = c.in.ToDate().Split();
      EXPECT_EQ(std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second, a.millisecond),
                std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second, b.millisecond));
    } else {
      EXPECT_EQ(out.ToString(), c.in.ToString());
    }
    // Null and Empty inputs both reach the database as NULL.
    for (Value nothing : {Value::MakeNull(), Value()}) {
      cmd.Parameters("x").Value(nothing);
      cmd.Execute();
      EXPECT_TRUE(cmd.Parameters("y").Value().IsNull());
    }
  }
}

TEST_F(CommandTest, ReturnValuesAndInputOutputParameters) {
  if (!db_.Valid()) return;
  Command f;
  f.ActiveConnection(db_.Connection());
  f.CommandType(adCmdStoredProc);
  f.CommandText("twice");
  f.CreateParameter("RETURN_VALUE", adInteger, adParamReturnValue);
  f.CreateParameter("x", adInteger, adParamInput, 0, std::int32_t{21});
  f.Execute();
  EXPECT_EQ(f.Parameters("return_value").Value().ToLong(), 42);

  Command b;
  b.ActiveConnection(db_.Connection());
  b.CommandType(adCmdStoredProc);
  b.CommandText("bump");
  b.CreateParameter("n", adInteger, adParamInputOutput, 0, std::int32_t{41});
  b.Execute();
  EXPECT_EQ(b.Parameters("n").Value().ToLong(), 42);
}

TEST_F(CommandTest, TextCommandsBindStoredTextsAsParameters) {
  if (!db_.Valid()) return;
  Connection& c = db_.Connection();
  c.Execute("create table logbookentries (comment varchar(2000), datestamp timestamp, lbid integer)");
  const std::string note = "Pump 3's seal leaks'; delete from logbookentries; --";
  Command ins;
  ins.ActiveConnection(c);
  ins.CommandText("insert into logbookentries (comment, datestamp, lbid) values (?, ?, ?)");
  ins.CreateParameter("comment", adVarWChar, adParamInput, 2000, note);
  ins.CreateParameter("datestamp", adDate, adParamInput, 0, Date::FromParts(2026, 12, 8));
  ins.CreateParameter("lbid", adInteger, adParamInput, 0, std::int32_t{7});
  long affected = 0;
  ins.Execute(&affected);
  EXPECT_EQ(affected, 1);
  ins.Execute();

  Command find;
  find.ActiveConnection(c);
  find.CommandText("select comment from logbookentries where comment = ? and lbid = ?");
  find.CreateParameter("comment", adVarWChar, adParamInput, 2000, note);
  find.CreateParameter("lbid", adInteger, adParamInput, 0, std::int32_t{7});
  Recordset rs = find.Execute();
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Fields("COMMENT").Value().ToString(), note);

  Recordset viaOpen;
  viaOpen.Open(find);
  EXPECT_EQ(viaOpen.RecordCount(), 2);
}

TEST_F(CommandTest, BinaryParametersWriteAndReplaceFileContents) {
  if (!db_.Valid()) return;
  Connection& c = db_.Connection();
  c.Execute("create table files (id serial, dirname varchar(255), filename varchar(255), filedata bytea)");
  std::vector<unsigned char> first = {'P', 'K', 3, 4, 0, 0, 0xFF, 0x80, '\'', '\\'};
  Command ins;
  ins.ActiveConnection(c);
  ins.CommandText("insert into files (dirname, filename, filedata) values (?, ?, ?) returning id");
  ins.CreateParameter("dirname", adVarChar, adParamInput, 255, "LU");
  ins.CreateParameter("filename", adVarChar, adParamInput, 255, "DEF.ZIP");
  ins.CreateParameter("filedata", adLongVarBinary).Bytes(first);
  Recordset id = ins.Execute();
  ASSERT_EQ(id.RecordCount(), 1);
  const long rowId = id.Fields("id").Value().ToLong();

  std::vector<unsigned char> second(70000, 0x5A);
  second[0] = 0;
  Command upd;
  upd.ActiveConnection(c);
  upd.CommandText("update files set filedata = ? where id = ?");
  upd.CreateParameter("filedata", adLongVarBinary).Bytes(second);
  upd.CreateParameter("id", adInteger, adParamInput, 0, std::int32_t(rowId));
  upd.Execute();

  Recordset rs = c.Execute("select filedata from files where id = " + std::to_string(rowId));
  EXPECT_EQ(rs.Fields("filedata").Bytes(), second);

  // No bytes at all is an empty file, not a missing one.
  upd.Parameters("filedata").Bytes({});
  upd.Execute();
  Recordset emptied = c.Execute("select filedata from files");
  EXPECT_FALSE(emptied.Fields(0).IsNull());
  EXPECT_TRUE(emptied.Fields(0).Bytes().empty());

  // A binary parameter never given bytes is NULL.
  Command none;
  none.ActiveConnection(c);
  none.CommandText("update files set filedata = ? where id = ?");
  none.CreateParameter("filedata", adLongVarBinary);
  none.CreateParameter("id", adInteger, adParamInput, 0, std::int32_t(rowId));
  none.Execute();
  EXPECT_TRUE(c.Execute("select filedata from files").Fields(0).IsNull());
}

TEST_F(CommandTest, RunsTablesAsCommands) {
  if (!db_.Valid()) return;
  Command w;
  PrepareWrite(w);
  Write(w, Date::FromParts(2026, 1, 1), 1, 1, "");
  Command t;
  t.ActiveConnection(db_.Connection());
  t.CommandType(adCmdTable);
  t.CommandText("datatbl");
  EXPECT_EQ(t.Execute().RecordCount(), 1);
}

TEST_F(CommandTest, RefusesUnknownParametersAndMissingConnections) {
  if (!db_.Valid()) return;
  Command s;
  PrepareSeek(s);
  EXPECT_EQ(dbtest::ErrorNumber([&] { s.Parameters("nosuch"); }), dberr::kItemNotFound);
  EXPECT_EQ(dbtest::ErrorNumber([&] { s.Parameters(9); }), dberr::kItemNotFound);

  Command lone;
  lone.CommandText("select 1");
  EXPECT_FALSE(lone.HasActiveConnection());
  EXPECT_EQ(dbtest::ErrorNumber([&] { lone.Execute(); }), dberr::kConnectionUnusable);

  Command empty;
  empty.ActiveConnection(db_.Connection());
  EXPECT_EQ(dbtest::ErrorNumber([&] { empty.Execute(); }), dberr::kInvalidArgument);
}

TEST_F(CommandTest, FollowsItsConnectionWhenMovedAndFailsCleanlyWhenItIsGone) {
  if (!db_.Valid()) return;
  Command cmd;
  {
    Connection c;
    c.Open(db_.OleDb());
    cmd.ActiveConnection(c);
    cmd.CommandText("select 3");
    Connection moved = std::move(c);
    EXPECT_EQ(cmd.Execute().Fields(0).Value().ToLong(), 3);
    moved.Close();
    EXPECT_EQ(dbtest::ErrorNumber([&] { cmd.Execute(); }), dberr::kConnectionUnusable);
    moved.Open();
    EXPECT_EQ(cmd.Execute().Fields(0).Value().ToLong(), 3);
  }
  // The connection was destroyed: the command must not touch freed handles.
  EXPECT_FALSE(cmd.HasActiveConnection());
  EXPECT_EQ(dbtest::ErrorNumber([&] { cmd.Execute(); }), dberr::kConnectionUnusable);
}

TEST_F(CommandTest, ProcedureErrorsReachTheConnectionsErrorList) {
  if (!db_.Valid()) return;
  Command p;
  p.ActiveConnection(db_.Connection());
  p.CommandType(adCmdStoredProc);
  p.CommandText("no_such_procedure");
  p.CreateParameter("a", adInteger, adParamInput, 0, std::int32_t{1});
  try {
    p.Execute();
    FAIL();
  } catch (const DbException& e) {
    EXPECT_NE(e.Description().find("no_such_procedure"), std::string::npos) << e.Description();
  }
  ASSERT_FALSE(db_.Connection().Errors().empty());
  EXPECT_EQ(db_.Connection().Errors().front().SqlState(), "42883");
}

TEST_F(CommandTest, TimeoutIsTheConnectionsUntilTheCommandSetsItsOwn) {
  if (!db_.Valid()) return;
  db_.Connection().CommandTimeout(600);
  Command cmd;
  cmd.ActiveConnection(db_.Connection());
  cmd.CommandText("select pg_sleep(60)");
  EXPECT_EQ(cmd.CommandTimeout(), 600);
  cmd.CommandTimeout(1);
  // The connection's timeout would let the statement run its 60 s to the end: failing at all,
  // it was the command's own that ended it.
  EXPECT_THROW(cmd.Execute(), DbException);
}

// A forward-only read hands each row to the sink as the driver gives it, with the columns as a
// recordset names them, and keeps none; a failing statement reaches the sink with no row, and
// what the sink throws ends the read.
TEST_F(CommandTest, RowsGoToASinkOneByOneWithTheirColumns) {
  if (!db_.Valid()) return;
  Command cmd;
  cmd.ActiveConnection(db_.Connection());
  cmd.CommandText("select n as Num, 'row ' || n as Label from generate_series(1, ?) n order by n");
  cmd.CreateParameter("upTo", adInteger, adParamInput, 0, 3);
  std::vector<std::string> seen;
  cmd.Execute([&](const ResultTable& result, std::vector<Value>& row) {
    EXPECT_TRUE(result.rows.empty());
    ASSERT_EQ(result.Find("label"), 1);
    seen.push_back(std::to_string(row[0].ToLong()) + "|" + std::move(row[1]).Text());
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"1|row 1", "2|row 2", "3|row 3"}));

  int calls = 0;
  cmd.CommandText("select 1 / (n - 2) from generate_series(1, ?) n");
  EXPECT_THROW(cmd.Execute([&](const ResultTable&, std::vector<Value>&) { ++calls; }), DbException);
  EXPECT_EQ(calls, 0);  // the server refuses the result before the driver hands over a row

  cmd.CommandText("select n from generate_series(1, ?) n");
  EXPECT_THROW(cmd.Execute([&](const ResultTable&, std::vector<Value>&) {
    if (++calls == 2) throw std::runtime_error("enough");
  }),
               std::runtime_error);
  EXPECT_EQ(calls, 2);
  // The connection goes on.
  EXPECT_EQ(db_.Connection().Execute("select 7").Fields(0).Value().ToLong(), 7);
}

}  // namespace
