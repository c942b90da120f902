// The comment procedures of the daily table and of every interval table.
#include <gtest/gtest.h>

#include <string>

#include "ProcedureCalls.h"
#include "platform/db/DbException.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

using namespace krymdb;
using core::Date;
using core::Value;
using platform::db::Command;
using platform::db::Connection;
using platform::db::Recordset;

namespace {

class CommentProcedures : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx_.Ok());
    cn_.Open(fx_.OleDbString());
  }

  // The daily comments have no seek procedure: read the rows behind them.
  Recordset DailyComments(int varid) {
    Recordset rs;
    rs.Open("select datestamp, comment, audituser from datatbl_c where varid = " + std::to_string(varid) +
                " order by datestamp",
            cn_);
    return rs;
  }
  void WriteDaily(Date day, int varid, const std::string& comment) {
    Call(cn_, "WRITETBL_C", kWriteDailyComment,
         {{"date", day}, {"varId", varid}, {"comment_in", comment}, {"audittuser", "VIA_K30418"}});
  }

  testsupport::KrymFixture fx_;
  Connection cn_;  // closed before the fixture drops the database
};

TEST_F(CommentProcedures, ADailyCommentIsStoredForItsDayReplacedAndDeleted) {
  WriteDaily(At(2024, 3, 5, 14, 35), 42, "first");
  WriteDaily(At(2024, 3, 5), 42, "second");
  WriteDaily(At(2024, 3, 6), 42, "next day");

  {
    Recordset rs = DailyComments(42);
    ASSERT_EQ(rs.RecordCount(), 2);
    EXPECT_TRUE(SameInstant(rs.Fields("datestamp").Value().ToDate(), At(2024, 3, 5)));
    EXPECT_EQ(rs.Fields("comment").Value().Text(), "second");
    EXPECT_EQ(rs.Fields("audituser").Value().Text(), "VIA_K30418");
  }

  Call(cn_, "deletecmts", kDeleteDailyComment, {{"date", At(2024, 3, 5)}, {"varId", 42}, {"audituser", "VIA_K30418"}});
  Recordset rs = DailyComments(42);
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Fields("comment").Value().Text(), "next day");
}

TEST_F(CommentProcedures, ACommentOfTheBoundSizeIsKeptWholeALongerOneIsRefused) {
  const std::string full(2000, 'c');
  WriteDaily(At(2024, 3, 5), 42, full);
  EXPECT_EQ(DailyComments(42).Fields("comment").Value().Text(), full);

  EXPECT_THROW(cn_.Execute("select writetbl_c('2024-03-06', 42, '" + std::string(2001, 'd') + "', 'VIA_K30418')"),
               platform::db::DbException);
  EXPECT_EQ(DailyComments(42).RecordCount(), 1);
}

TEST_F(CommentProcedures, AnIntervalCommentRoundTripsInEveryInterval) {
  const Date start = At(2024, 3, 5, 8, 0);
  for (const Interval& iv : kIntervals) {
    SCOPED_TRACE(std::string("suffix ") + iv.suffix);
    const std::string s = iv.suffix;
    const Date end = PlusMinutes(start, iv.minutes);
    auto seek = [&](Date from, Date to) {
      return Call(cn_, "SEEKDD" + s + "_C", kSeekSlotComment,
                  {{"varid_in", 42}, {"slotstarttime", from}, {"slotendtime", to}});
    };
    auto write = [&](const std::string& text) {
      Call(cn_, "WRITEDD" + s + "_C", kWriteSlotComment,
           {{"datestamp_1", start},
            {"varid_2", 42},
            {"comment_in", text},
            {"audituser", "VIA_K30418"},
            {"slotstarttime", start},
            {"slotendtime", end}});
    };

    Command empty = seek(start, end);
    EXPECT_TRUE(empty.Parameters("comment_out").Value().IsNull());
    EXPECT_TRUE(empty.Parameters("audituser").Value().IsNull());
    EXPECT_TRUE(empty.Parameters("audittimestamp").Value().IsNull());

    write("pump noisy");
    write("pump replaced");
    Command found = seek(start, end);
    EXPECT_EQ(found.Parameters("comment_out").Value().Text(), "pump replaced");
    EXPECT_EQ(found.Parameters("audituser").Value().Text(), "VIA_K30418");
    EXPECT_EQ(found.Parameters("audittimestamp").Value().GetKind(), Value::Kind::Date);
    EXPECT_TRUE(seek(end, PlusMinutes(end, iv.minutes)).Parameters("comment_out").Value().IsNull()) << "the next slot";

    Call(cn_, "DELETEDD" + s + "_C", kDeleteSlotComment,
         {{"slotstarttime", start}, {"varid_2", 42}, {"slotendtime", end}, {"audituser", "VIA_K30418"}});
    EXPECT_TRUE(seek(start, end).Parameters("comment_out").Value().IsNull());
  }
}

}  // namespace
