// The interval value tables' procedures (one set per interval suffix) in a facility
// database, called through the ODBC layer with the collector's own parameter lists.
#include <gtest/gtest.h>

#include <string>

#include "ProcedureCalls.h"
#include "core/Text.h"
#include "platform/db/DbException.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

using namespace krymdb;
using core::Date;
using core::Value;
using platform::db::Command;
using platform::db::Connection;

namespace {

const char* const kSeekOutputs[] = {"curvalue_3",     "textvalue_4",   "varid_5", "audituser",
                                    "audittimestamp", "datestamp_out", "status",  "forced"};
const char* const kSeekNextOutputs[] = {"varid_out",     "datestamp_out",      "curvalue_out", "textvalue_out",
                                        "audituser_out", "audittimestamp_out", "status_out",   "forced_out"};

// 08:00 starts a slot of every interval length.
const Date kSlot = At(2024, 3, 5, 8, 0);

class IntervalProcedures : public ::testing::TestWithParam<Interval> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx_.Ok());
    cn_.Open(fx_.OleDbString());
  }

  std::string Name(const std::string& stem) const { return stem + GetParam().suffix; }
  Date End(Date start) const { return PlusMinutes(start, GetParam().minutes); }

  // The collector passes the slot start as the value's own time too.
  void Write(Date start, int varid, double value, const std::string& text, int status, Date at = Date()) {
    Call(cn_, Name("WRITEDD"), kWriteSlot,
         {{"date", at.Serial() == 0 ? start : at},
          {"varid", varid},
          {"value", value},
          {"textvalue", text},
          {"audituser", "OPER"},
          {"slotstarttime", start},
          {"slotendtime", End(start)},
          {"status", status}});
  }
  Command Seek(Date start, int varid) {
    return Call(cn_, Name("SEEKFDD"), kSeekSlot,
                {{"datestamp_1", start}, {"varid_2", varid}, {"slotstarttime", start}, {"slotendtime", End(start)}});
  }
  Command SeekNext(Date from, Date to, int varid, int nth) {
    return Call(cn_, Name("SEEKNEXTDD"), kSeekNext,
                {{"varid_in", varid}, {"slotstart_in", from}, {"slotend_in", to}, {"topnum_in", nth}});
  }
  static bool AllNull(const Command& cmd, const char* const* names, size_t count) {
    for (size_t i = 0; i < count; ++i)
      if (!cmd.Parameters(names[i]).Value().IsNull()) return false;
    return true;
  }
  static bool NoRow(const Command& seek) { return AllNull(seek, kSeekOutputs, std::size(kSeekOutputs)); }

  testsupport::KrymFixture fx_;
  Connection cn_;  // closed before the fixture drops the database
};

TEST_P(IntervalProcedures, SeekOfAnEmptySlotGivesNullInEveryOutput) { EXPECT_TRUE(NoRow(Seek(kSlot, 42))); }

TEST_P(IntervalProcedures, WriteThenSeekReturnsEveryOutputForThatSlotOnly) {
  Write(kSlot, 42, 7.25, "abc", 3);

  Command seek = Seek(kSlot, 42);
  EXPECT_DOUBLE_EQ(seek.Parameters("curvalue_3").Value().ToDouble(), 7.25);
  EXPECT_EQ(seek.Parameters("textvalue_4").Value().Text(), "abc");
  EXPECT_EQ(seek.Parameters("varid_5").Value().ToLong(), 42);
  EXPECT_EQ(seek.Parameters("audituser").Value().Text(), "OPER");
  EXPECT_EQ(seek.Parameters("audittimestamp").Value().GetKind(), Value::Kind::Date);
  EXPECT_TRUE(SameInstant(seek.Parameters("datestamp_out").Value().ToDate(), kSlot));
  EXPECT_EQ(seek.Parameters("status").Value().ToLong(), 3);
  EXPECT_EQ(seek.Parameters("forced").Value().ToLong(), 0);

  EXPECT_TRUE(NoRow(Seek(End(kSlot), 42))) << "the next slot";
  EXPECT_TRUE(NoRow(Seek(PlusMinutes(kSlot, -GetParam().minutes), 42))) << "the slot before";
  EXPECT_TRUE(NoRow(Seek(kSlot, 43))) << "another variable";
}

TEST_P(IntervalProcedures, AWriteReplacesTheSlotsValueEvenAtAnotherTimeInIt) {
  Write(kSlot, 42, 1.0, "first", 1);
  Call(cn_, Name("SETFDD"), kSetForcedSlot,
       {{"slotstarttime", kSlot},
        {"slotendtime", End(kSlot)},
        {"varid", 42},
        {"audituser", "VIA_K30418"},
        {"forced", 1}});
  const Date inside = PlusMinutes(kSlot, GetParam().minutes / 2.0);
  Write(kSlot, 42, 2.0, "second", 2, inside);

  Command seek = Seek(kSlot, 42);
  EXPECT_DOUBLE_EQ(seek.Parameters("curvalue_3").Value().ToDouble(), 2.0);
  EXPECT_EQ(seek.Parameters("textvalue_4").Value().Text(), "second");
  EXPECT_TRUE(SameInstant(seek.Parameters("datestamp_out").Value().ToDate(), inside));
  EXPECT_EQ(seek.Parameters("status").Value().ToLong(), 2);
  EXPECT_EQ(seek.Parameters("forced").Value().ToLong(), 1) << "the forced flag survives a rewrite";

  // One value per slot: nothing of the first write is left behind.
  EXPECT_TRUE(AllNull(SeekNext(kSlot, At(2024, 3, 6), 42, 2), kSeekNextOutputs, std::size(kSeekNextOutputs)));
}

// Another program may have left more than one row in a slot. The seek reports the one of the
// highest approval, so that the collector's approval check sees it, and a write never removes
// a row of higher approval than its own: such a write is refused and changes nothing.
TEST_P(IntervalProcedures, AWriteNeverRemovesARowOfHigherApproval) {
  const std::string table = "datadd" + core::LCase(GetParam().suffix);
  const Date early = PlusMinutes(kSlot, GetParam().minutes / 4.0);
  const Date late = PlusMinutes(kSlot, GetParam().minutes / 2.0);
  auto literal = [](Date d) { return "'" + core::Format(d, "yyyy-mm-dd hh:mm:ss") + "'"; };
  ASSERT_TRUE(fx_.Exec("INSERT INTO " + table + " (varid, datestamp, curvalue, status) VALUES (42, " +
                       literal(early) + ", 1, 1), (42, " + literal(late) + ", 5, 5)"));
  auto rows = [&] {
    return cn_.Execute("SELECT count(*) FROM " + table + " WHERE varid = 42").Fields(0).Value().ToLong();
  };

  Command seek = Seek(kSlot, 42);
  EXPECT_EQ(seek.Parameters("status").Value().ToLong(), 5);
  EXPECT_DOUBLE_EQ(seek.Parameters("curvalue_3").Value().ToDouble(), 5.0);
  EXPECT_TRUE(SameInstant(seek.Parameters("datestamp_out").Value().ToDate(), late));

  EXPECT_THROW(Write(kSlot, 42, 2.0, "", 2), platform::db::DbException);
  EXPECT_EQ(rows(), 2);
  EXPECT_EQ(Seek(kSlot, 42).Parameters("status").Value().ToLong(), 5);

  // A write of the same approval replaces every row of the slot.
  Write(kSlot, 42, 7.0, "", 5);
  EXPECT_EQ(rows(), 1);
  seek = Seek(kSlot, 42);
  EXPECT_DOUBLE_EQ(seek.Parameters("curvalue_3").Value().ToDouble(), 7.0);
  EXPECT_TRUE(SameInstant(seek.Parameters("datestamp_out").Value().ToDate(), kSlot));
}

TEST_P(IntervalProcedures, DeleteRemovesOnlyThatSlot) {
  Write(kSlot, 42, 1.0, "", 0);
  Write(End(kSlot), 42, 2.0, "", 0);

  Call(cn_, Name("DELETEDD"), kDeleteSlot,
       {{"slotstarttime", kSlot}, {"varid", 42}, {"audituser", "VIA_K30418"}, {"slotendtime", End(kSlot)}});

  EXPECT_TRUE(NoRow(Seek(kSlot, 42)));
  EXPECT_DOUBLE_EQ(Seek(End(kSlot), 42).Parameters("curvalue_3").Value().ToDouble(), 2.0);
}

TEST_P(IntervalProcedures, SeekNextGivesTheNthValueBetweenBothTimesIncluded) {
  const Date second = End(kSlot), third = End(second);
  Write(kSlot, 42, 1.0, "a", 0);
  Write(second, 42, 2.0, "b", 0);
  Write(third, 42, 3.0, "c", 0);
  Write(second, 43, 9.0, "other variable", 0);

  struct Case {
    int nth;
    double value;  // 0: no row
  };
  const Case cases[] = {{1, 1.0}, {2, 2.0}, {3, 3.0}, {4, 0}, {0, 1.0}, {-3, 1.0}};
  for (const Case& c : cases) {
    Command next = SeekNext(kSlot, third, 42, c.nth);
    if (c.value == 0) {
      EXPECT_TRUE(AllNull(next, kSeekNextOutputs, std::size(kSeekNextOutputs))) << "nth " << c.nth;
      continue;
    }
    EXPECT_DOUBLE_EQ(next.Parameters("curvalue_out").Value().ToDouble(), c.value) << "nth " << c.nth;
    EXPECT_EQ(next.Parameters("varid_out").Value().ToLong(), 42);
  }

  Command last = SeekNext(kSlot, third, 42, 3);
  EXPECT_EQ(last.Parameters("textvalue_out").Value().Text(), "c");
  EXPECT_EQ(last.Parameters("audituser_out").Value().Text(), "OPER");
  EXPECT_TRUE(SameInstant(last.Parameters("datestamp_out").Value().ToDate(), third));
  EXPECT_EQ(last.Parameters("status_out").Value().ToLong(), 0);
  EXPECT_EQ(last.Parameters("forced_out").Value().ToLong(), 0);
  EXPECT_EQ(last.Parameters("audittimestamp_out").Value().GetKind(), Value::Kind::Date);

  // A range that starts after the first value counts from the second.
  EXPECT_DOUBLE_EQ(SeekNext(second, third, 42, 1).Parameters("curvalue_out").Value().ToDouble(), 2.0);
}

INSTANTIATE_TEST_SUITE_P(EveryInterval, IntervalProcedures, ::testing::ValuesIn(kIntervals), IntervalName);

// A second-type variable reaches the hourly procedures with a slot of no length:
// the slot is its start instant alone.
TEST(IntervalProceduresWithoutLength, ASlotOfNoLengthHoldsItsInstantOnly) {
  testsupport::KrymFixture fx;
  ASSERT_TRUE(fx.Ok());
  Connection cn;
  cn.Open(fx.OleDbString());
  const Date t = At(2024, 3, 5, 10, 0, 7);
  Call(cn, "WRITEDDH", kWriteSlot,
       {{"date", t},
        {"varid", 42},
        {"value", 5.0},
        {"textvalue", ""},
        {"audituser", "OPER"},
        {"slotstarttime", t},
        {"slotendtime", t},
        {"status", 0}});

  auto seek = [&](Date at) {
    return Call(cn, "SEEKFDDH", kSeekSlot,
                {{"datestamp_1", at}, {"varid_2", 42}, {"slotstarttime", at}, {"slotendtime", at}});
  };
  EXPECT_DOUBLE_EQ(seek(t).Parameters("curvalue_3").Value().ToDouble(), 5.0);
  EXPECT_TRUE(seek(At(2024, 3, 5, 10, 0, 8)).Parameters("varid_5").Value().IsNull());
  cn.Close();
}

}  // namespace
