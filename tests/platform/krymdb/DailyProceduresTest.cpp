// The daily value table's procedures in a facility database, called through the
// ODBC layer with the collector's own parameter lists.
#include <gtest/gtest.h>

#include <string>

#include "ProcedureCalls.h"
#include "platform/db/DbException.h"
#include "support/KrymFixture.h"

using namespace krymdb;
using core::Date;
using core::Value;
using platform::db::Command;
using platform::db::Connection;

namespace {

const char* const kSeekOutputs[] = {"curvalue_3",     "textvalue_4", "varid_5", "audituser",
                                    "audittimestamp", "forced",      "status"};

class DailyProcedures : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx_.Ok());
    cn_.Open(fx_.OleDbString());
  }

  Command Seek(Date day, int varid) {
    return Call(cn_, "seekddatevarid", kSeekDaily, {{"datestamp_1", day}, {"varid_2", varid}});
  }
  void Write(Date day, int varid, double value, const std::string& text, const std::string& user, Value status) {
    Call(cn_, "writedtbl", kWriteDaily,
         {{"date", day},
          {"varid", varid},
          {"value", value},
          {"textvalue", text},
          {"audituser", user},
          {"status", status}});
  }
  void SetForced(Date day, int varid, int forced) {
    Call(cn_, "SETFORCED", kSetForcedDaily,
         {{"date", day}, {"varid", varid}, {"audituser", "VIA_K30418"}, {"forced", forced}});
  }
  static bool AllNull(const Command& seek) {
    for (const char* name : kSeekOutputs)
      if (!seek.Parameters(name).Value().IsNull()) return false;
    return true;
  }

  testsupport::KrymFixture fx_;
  Connection cn_;  // closed before the fixture drops the database
};

TEST_F(DailyProcedures, SeekOfADayWithoutValueGivesNullInEveryOutput) {
  EXPECT_TRUE(AllNull(Seek(At(2024, 3, 5), 42)));
}

TEST_F(DailyProcedures, WriteThenSeekReturnsEveryStoredOutput) {
  Write(At(2024, 3, 5), 42, 3.25, " spaced ", "OPER", 2);

  Command seek = Seek(At(2024, 3, 5), 42);
  EXPECT_DOUBLE_EQ(seek.Parameters("curvalue_3").Value().ToDouble(), 3.25);
  EXPECT_EQ(seek.Parameters("textvalue_4").Value().Text(), " spaced ");  // the reader trims
  EXPECT_EQ(seek.Parameters("varid_5").Value().ToLong(), 42);
  EXPECT_EQ(seek.Parameters("audituser").Value().Text(), "OPER");
  EXPECT_EQ(seek.Parameters("forced").Value().ToLong(), 0);
  EXPECT_EQ(seek.Parameters("status").Value().ToLong(), 2);
  const Value stamp = seek.Parameters("audittimestamp").Value();
  ASSERT_EQ(stamp.GetKind(), Value::Kind::Date);
  EXPECT_GE(stamp.ToDate().Year(), 2024);

  // The neighbours stay empty: the next day, and another variable on the same day.
  EXPECT_TRUE(AllNull(Seek(At(2024, 3, 6), 42)));
  EXPECT_TRUE(AllNull(Seek(At(2024, 3, 5), 43)));
}

TEST_F(DailyProcedures, ADateIsTheWholeDayWhateverItsTime) {
  Write(At(2024, 3, 5, 14, 35), 42, 1.5, "", "OPER", 0);

  EXPECT_DOUBLE_EQ(Seek(At(2024, 3, 5), 42).Parameters("curvalue_3").Value().ToDouble(), 1.5);
  EXPECT_DOUBLE_EQ(Seek(At(2024, 3, 5, 23, 59, 59), 42).Parameters("curvalue_3").Value().ToDouble(), 1.5);
}

TEST_F(DailyProcedures, AWriteReplacesTheDaysValueAndKeepsItsForcedFlag) {
  Write(At(2024, 3, 5), 42, 1.0, "first", "OPER", 2);
  SetForced(At(2024, 3, 5), 42, 1);
  Write(At(2024, 3, 5), 42, 9.5, "second", "ANN", Value::MakeNull());

  Command seek = Seek(At(2024, 3, 5), 42);
  EXPECT_DOUBLE_EQ(seek.Parameters("curvalue_3").Value().ToDouble(), 9.5);
  EXPECT_EQ(seek.Parameters("textvalue_4").Value().Text(), "second");
  EXPECT_EQ(seek.Parameters("audituser").Value().Text(), "ANN");
  EXPECT_EQ(seek.Parameters("status").Value().ToLong(), 0);  // no status given is 0
  EXPECT_EQ(seek.Parameters("forced").Value().ToLong(), 1);
}

TEST_F(DailyProcedures, SetForcedOnADayWithoutValueStoresNothing) {
  SetForced(At(2024, 3, 5), 42, 1);
  EXPECT_TRUE(AllNull(Seek(At(2024, 3, 5), 42)));
}

TEST_F(DailyProcedures, DeleteRemovesOnlyThatVariablesDay) {
  Write(At(2024, 3, 5), 42, 1.0, "", "OPER", 0);
  Write(At(2024, 3, 6), 42, 2.0, "", "OPER", 0);
  Write(At(2024, 3, 5), 43, 3.0, "", "OPER", 0);

  Call(cn_, "deletedtbl", kDeleteDaily, {{"date", At(2024, 3, 5)}, {"varid", 42}, {"audituser", "VIA_K30418"}});

  EXPECT_TRUE(AllNull(Seek(At(2024, 3, 5), 42)));
  EXPECT_DOUBLE_EQ(Seek(At(2024, 3, 6), 42).Parameters("curvalue_3").Value().ToDouble(), 2.0);
  EXPECT_DOUBLE_EQ(Seek(At(2024, 3, 5), 43).Parameters("curvalue_3").Value().ToDouble(), 3.0);
}

TEST_F(DailyProcedures, ATextOfTheBoundSizeIsKeptWholeALongerOneIsRefused) {
  const std::string full(255, 'x');
  Write(At(2024, 3, 5), 42, 1.0, full, "OPER", 0);
  EXPECT_EQ(Seek(At(2024, 3, 5), 42).Parameters("textvalue_4").Value().Text(), full);

  // A longer text is an error rather than a text cut without notice; the stored
  // value stays as it was.
  EXPECT_THROW(cn_.Execute("select writedtbl('2024-03-05', 42, 2, '" + std::string(256, 'y') + "', 'OPER', 0)"),
               platform::db::DbException);
  EXPECT_EQ(Seek(At(2024, 3, 5), 42).Parameters("textvalue_4").Value().Text(), full);
}

}  // namespace
