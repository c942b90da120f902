// The interval tables' procedures as the writer calls them: the interval length bound by
// ConnectTo, slot ends, slot starts, the N-th value, against a facility database.
#include <gtest/gtest.h>

#include "FacilityFixture.h"
#include "core/RuntimeError.h"
#include "import/writers/DataDDInt.h"

using core::Date;
using core::Value;

namespace {

using DataDDIntTest = FacilityTest;

TEST(DataDDIntUnconnected, IsUnboundUntilConnectToAndRefusesEveryCall) {
  DataDDInt table;
  EXPECT_EQ(table.GetCurrentIntervalsInDay(), -1);
  EXPECT_EQ(table.GetMinutesPerInterval(), 0);
  EXPECT_TRUE(table.NoMatch());
  Date out;
  double value = 0;
  std::string text;
  try {
    table.SeekData(Date(45000), 1, out, value, text);
    FAIL() << "no error";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 91);
  }
  EXPECT_THROW(table.WriteData(Date(45000), Date(45000), 1, 0, "", ""), core::RuntimeError);
  EXPECT_THROW(table.WriteComment(Date(45000), Date(45000), 1, ""), core::RuntimeError);
}

TEST(DataDDIntUnconnected, ZeroIntervalsPerDayIsADivisionByZero) {
  platform::db::Connection closed;
  DataDDInt table;
  try {
    table.ConnectTo(closed, 0);
    FAIL() << "no error";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 11);
  }
  EXPECT_EQ(table.GetCurrentIntervalsInDay(), -1);
}

// Which table each interval length writes to, and how long its slots are. Lengths without a
// table of their own use the hourly procedures, with 1440 / n minutes rounded half to even.
TEST_F(DataDDIntTest, EachIntervalLengthUsesItsTableAndSlotLength) {
  struct Case {
    std::int32_t intervals;
    const char* suffix;
    std::int32_t minutes;
  } cases[] = {{24, "H", 60},  {6, "4", 240},   {48, "3", 30}, {96, "F", 15}, {288, "5", 5},
               {1440, "1", 1}, {86400, "H", 0}, {7, "H", 206}, {576, "H", 2}, {960, "H", 2}};
  std::int32_t varid = 100;
  for (const Case& c : cases) {
    DataDDInt table;
    table.ConnectTo(cn_, c.intervals);
    EXPECT_EQ(table.GetCurrentIntervalsInDay(), c.intervals);
    EXPECT_EQ(table.GetMinutesPerInterval(), c.minutes) << c.intervals;
    EXPECT_EQ(table.Suffix(), c.suffix) << c.intervals;

    const Date slot = At(2024, 3, 5, 8, 0);
    table.WriteData(slot, slot, ++varid, 1.5, "x", "OPER");
    EXPECT_EQ(Count(std::string("datadd") + c.suffix + " where varid=" + std::to_string(varid)), 1) << c.intervals;
    Date out;
    double value = 0;
    std::string text;
    table.SeekData(slot, varid, out, value, text);
    EXPECT_FALSE(table.NoMatch()) << c.intervals;
    EXPECT_EQ(value, 1.5);
  }
}

TEST_F(DataDDIntTest, TheSlotEndIsTheStartPlusTheSlotLength) {
  // A write replaces whatever else its slot holds, so what it removes shows where the slot ends.
  ASSERT_TRUE(
      Exec("insert into dataddf (varid, datestamp, curvalue) values "
           "(42, '2024-03-05 10:44:00', 1), (42, '2024-03-05 10:45:00', 2)"));
  DataDDInt table;
  table.ConnectTo(cn_, 96);
  const Date slot = At(2024, 3, 5, 10, 30);
  table.WriteData(slot, slot, 42, 3, "", "OPER");
  EXPECT_EQ(Count("dataddf where varid=42 and datestamp='2024-03-05 10:44:00'"), 0);
  EXPECT_EQ(Count("dataddf where varid=42 and datestamp='2024-03-05 10:45:00'"), 1);
  EXPECT_EQ(Count("dataddf where varid=42 and datestamp='2024-03-05 10:30:00'"), 1);
}

TEST_F(DataDDIntTest, SecondTypeSlotsHaveNoLength) {
  ASSERT_TRUE(Exec("insert into dataddh (varid, datestamp, curvalue) values (42, '2024-03-05 08:30:00', 1)"));
  const Date slot = At(2024, 3, 5, 8, 0);
  Date out;
  double value = 0;
  std::string text;
  DataDDInt seconds;
  seconds.ConnectTo(cn_, 86400);
  seconds.SeekData(slot, 42, out, value, text);
  EXPECT_TRUE(seconds.NoMatch());
  DataDDInt hours;
  hours.ConnectTo(cn_, 24);
  hours.SeekData(slot, 42, out, value, text);
  EXPECT_FALSE(hours.NoMatch());
  EXPECT_TRUE(SameInstant(out, At(2024, 3, 5, 8, 30)));
}

TEST_F(DataDDIntTest, ASeekWithoutARowLeavesEveryOutputAsPassed) {
  DataDDInt table;
  table.ConnectTo(cn_, 24);
  Date out = At(2000, 1, 1);
  double value = 99.5;
  std::string text = "keep";
  Value user("someone"), stamp(At(2020, 1, 1)), status(std::int32_t{3}), forced(std::int32_t{7});
  table.SeekData(At(2024, 3, 5, 8, 0), 42, out, value, text, &user, &stamp, &status, &forced);
  EXPECT_TRUE(table.NoMatch());
  EXPECT_EQ(out, At(2000, 1, 1));
  EXPECT_EQ(value, 99.5);
  EXPECT_EQ(text, "keep");
  EXPECT_EQ(user.Text(), "someone");
  EXPECT_EQ(stamp.ToDate(), At(2020, 1, 1));
  EXPECT_EQ(status.ToLong(), 3);
  EXPECT_EQ(forced.ToLong(), 7);
}

TEST_F(DataDDIntTest, AFoundRowComesBackTrimmedWithTheInstantItWasStoredFor) {
  ASSERT_TRUE(Exec(
      "insert into dataddh (varid, datestamp, curvalue, textvalue, audituser, audittimestamp, status, forced) values "
      "(42, '2024-03-05 08:20:00', 4.5, ' four ', ' OPER ', null, 2, 1)"));
  DataDDInt table;
  table.ConnectTo(cn_, 24);
  Date out;
  double value = 0;
  std::string text;
  Value user, stamp(At(2020, 1, 1)), status, forced;
  table.SeekData(At(2024, 3, 5, 8, 0), 42, out, value, text, &user, &stamp, &status, &forced);
  ASSERT_FALSE(table.NoMatch());
  EXPECT_TRUE(SameInstant(out, At(2024, 3, 5, 8, 20)));
  EXPECT_EQ(value, 4.5);
  EXPECT_EQ(text, "four");
  EXPECT_EQ(user.Text(), "OPER");
  EXPECT_EQ(stamp.ToDate(), Date());  // Null reads as the zero date
  EXPECT_EQ(status.ToLong(), 2);
  EXPECT_EQ(forced.ToLong(), 1);
}

TEST_F(DataDDIntTest, WriteWithoutStatusWritesStatusZeroWithTheValuesAuditUser) {
  // A stored status below 0, so that the status 0 read back is the one written (a write never
  // replaces a row of higher approval than its own).
  ASSERT_TRUE(
      Exec("insert into datadd5 (varid, datestamp, curvalue, status) values (42, '2024-03-05 08:00:00', 1, -1)"));
  DataDDInt table;
  table.ConnectTo(cn_, 288);
  const Date slot = At(2024, 3, 5, 8, 0);
  table.WriteData(slot, slot, 42, 2, "two", "OPERATOR1");
  EXPECT_EQ(Scalar("select status from datadd5 where varid=42").ToLong(), 0);
  EXPECT_EQ(Scalar("select audituser from datadd5 where varid=42").Text(), "OPERATOR1");
}

// A Krym whose procedure takes the requested position as it stands: asking it for the 0th or a
// negative position is an error, so only a caller that sends 1 gets the first value.
TEST_F(DataDDIntTest, SeekNextAsksForTheFirstValueWhenTheNumberIsBelowOne) {
  ASSERT_TRUE(Exec(R"(
    CREATE OR REPLACE FUNCTION seeknextdd5(
      IN varid_in integer, IN slotstart_in timestamp, IN slotend_in timestamp, IN topnum_in integer,
      OUT varid_out integer, OUT datestamp_out timestamp, OUT curvalue_out double precision,
      OUT textvalue_out varchar, OUT audituser_out varchar, OUT audittimestamp_out timestamp,
      OUT status_out integer, OUT forced_out integer)
    LANGUAGE plpgsql STABLE AS $fn$
    #variable_conflict use_variable
    BEGIN
      SELECT t.varid, t.datestamp, t.curvalue, t.textvalue, t.audituser, t.audittimestamp, t.status, t.forced
        INTO varid_out, datestamp_out, curvalue_out, textvalue_out, audituser_out, audittimestamp_out,
             status_out, forced_out
        FROM datadd5 t
       WHERE t.varid = varid_in AND t.datestamp >= slotstart_in AND t.datestamp <= slotend_in
       ORDER BY t.datestamp OFFSET topnum_in - 1 LIMIT 1;
    END
    $fn$)"));
  ASSERT_TRUE(
      Exec("insert into datadd5 (varid, datestamp, curvalue, textvalue, audituser) values "
           "(42, '2024-03-05 08:00:00', 1, ' a ', ' OPER '), (42, '2024-03-05 08:05:00', 2, 'b', 'OPER'),"
           "(42, '2024-03-05 08:10:00', 3, 'c', 'OPER')"));
  DataDDInt table;
  table.ConnectTo(cn_, 288);
  struct Case {
    std::int32_t nth;
    double value;
  } cases[] = {{0, 1}, {-3, 1}, {1, 1}, {2, 2}, {3, 3}};
  for (const Case& c : cases) {
    Date out;
    double value = 0;
    std::string text;
    table.SeekNext(At(2024, 3, 5, 8, 0), At(2024, 3, 5, 8, 10), 42, out, value, text, c.nth);
    EXPECT_FALSE(table.NoMatch()) << c.nth;
    EXPECT_EQ(value, c.value) << c.nth;
  }
  Date out;
  double value = 0;
  std::string text;
  Value user;
  table.SeekNext(At(2024, 3, 5, 8, 0), At(2024, 3, 5, 9, 0), 42, out, value, text, 1, &user);
  EXPECT_EQ(text, "a");
  EXPECT_EQ(user.Text(), "OPER");
  EXPECT_TRUE(SameInstant(out, At(2024, 3, 5, 8, 0)));
  // The end is the caller's, not a slot's: a range that ends before the second value holds one.
  table.SeekNext(At(2024, 3, 5, 8, 0), At(2024, 3, 5, 8, 4), 42, out, value, text, 2);
  EXPECT_TRUE(table.NoMatch());
}

TEST_F(DataDDIntTest, CommentsAreFoundOnlyWhenNotEmptyAndComeBackAsStored) {
  DataDDInt table;
  table.ConnectTo(cn_, 24);
  const Date slot = At(2024, 3, 5, 8, 0);
  program_.Context().writeAsUser = "NIGHTSHIFT";
  table.WriteComment(slot, At(2024, 3, 5, 8, 15), 42, "  spaced note ");
  EXPECT_EQ(Scalar("select audituser from dataddh_c where varid=42").Text(), "NIGHTSHIFT");

  std::string comment = "before";
  Value user, stamp;
  table.SeekComment(slot, 42, comment, &user, &stamp);
  EXPECT_FALSE(table.NoMatch());
  EXPECT_EQ(comment, "  spaced note ");
  EXPECT_EQ(user.Text(), "NIGHTSHIFT");
  EXPECT_EQ(stamp.GetKind(), Value::Kind::Date);

  ASSERT_TRUE(Exec("update dataddh_c set comment = '' where varid = 42"));
  comment = "before";
  table.SeekComment(slot, 42, comment);
  EXPECT_TRUE(table.NoMatch());
  EXPECT_EQ(comment, "before");

  table.DeleteComment(slot, 42);
  EXPECT_EQ(Count("dataddh_c"), 0);
}

TEST_F(DataDDIntTest, DeleteForcedAndStatusAddressTheSlotOfTheirTime) {
  DataDDInt table;
  table.ConnectTo(cn_, 96);
  const Date slot = At(2024, 3, 5, 10, 30);
  table.WriteData(slot, At(2024, 3, 5, 10, 33), 42, 5.5, "five", "OPER", 2);

  table.SetForced(At(2024, 3, 5, 10, 44, 59), 42, 1);
  EXPECT_EQ(Scalar("select forced from dataddf where varid=42").ToLong(), 1);

  table.SetStatus(At(2024, 3, 5, 10, 40), 42, 2);                                          // unchanged: nothing written
  EXPECT_EQ(Scalar("select audituser from dataddf where varid=42").Text(), "VIA_K30418");  // from SetForced
  ASSERT_TRUE(Exec("update dataddf set audituser = 'OPER' where varid = 42"));
  table.SetStatus(At(2024, 3, 5, 10, 40), 42, 2);
  EXPECT_EQ(Scalar("select audituser from dataddf where varid=42").Text(), "OPER");

  table.SetStatus(At(2024, 3, 5, 10, 40), 42, 4);
  EXPECT_EQ(Scalar("select status from dataddf where varid=42").ToLong(), 4);
  EXPECT_EQ(Scalar("select curvalue from dataddf where varid=42").ToDouble(), 5.5);
  EXPECT_EQ(Count("dataddf where varid=42 and datestamp='2024-03-05 10:33:00'"), 1);  // its own instant kept

  table.DeleteData(slot, 42);
  EXPECT_EQ(Count("dataddf"), 0);
}

TEST(DataDDIntSlotStart, TheSlotOfATimeReadToTheWholeSecond) {
  platform::db::Connection closed;  // binding prepares commands only
  auto at = [](int h, int m, double s) { return Date::FromParts(2024, 3, 5, h, m, s); };
  struct Case {
    std::int32_t intervals;
    Date time;
    Date start;
  } cases[] = {
      {24, at(23, 59, 59.7), Date::FromParts(2024, 3, 6)},  // rounds into the next day
      {24, at(23, 59, 59.4), at(23, 0, 0)},
      {24, at(13, 59, 59), at(13, 0, 0)},
      {96, at(10, 44, 59), at(10, 30, 0)},    // seconds never count
      {96, at(10, 44, 59.6), at(10, 45, 0)},  // but the time reads as 10:45:00
      {96, at(10, 45, 0), at(10, 45, 0)},
      {6, at(15, 10, 0), at(12, 0, 0)},
      {48, at(14, 47, 59), at(14, 30, 0)},
      {288, at(14, 47, 59), at(14, 45, 0)},
      {1440, at(14, 47, 59), at(14, 47, 0)},
      {7, at(14, 47, 59), Date::FromParts(2024, 3, 5)},  // no table of its own: the day
      {86400, at(14, 47, 59), Date::FromParts(2024, 3, 5)},
  };
  for (const Case& c : cases) {
    DataDDInt table;
    table.ConnectTo(closed, c.intervals);
    EXPECT_EQ(table.GetSlotStartDateTime(c.time), c.start)
        << c.intervals << " " << core::Format(c.time, "yyyy-mm-dd hh:nn:ss");
  }
}

}  // namespace
