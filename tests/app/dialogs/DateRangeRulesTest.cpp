// The range rules of the date range dialogs: keywords to start and end from a reference time.
#include <gtest/gtest.h>

#include <string>

#include "app/dialogs/CommonDateRange.h"
#include "core/Date.h"

namespace {

using core::Date;

std::string Text(Date d) { return core::Format(d, "yyyy-mm-dd HH:nn:ss"); }

struct Case {
  const char* keyword;
  const char* start;
  const char* end;
};

// Reference: 15 March 2024 14:37:52 (a leap year).
const Case kCases[] = {
    {"LAST HOUR", "2024-03-15 13:00:00", "2024-03-15 14:00:00"},
    {"TODAY", "2024-03-15 00:00:00", "2024-03-15 14:37:00"},
    {"YESTERDAY", "2024-03-14 00:00:00", "2024-03-15 00:00:00"},
    {"YESTERDAY AND TODAY", "2024-03-14 00:00:00", "2024-03-15 14:37:00"},
    {"LAST 7 DAYS", "2024-03-08 00:00:00", "2024-03-15 00:00:00"},
    {"LAST 30 DAYS", "2024-02-14 00:00:00", "2024-03-15 00:00:00"},
    {"LAST 180 DAYS", "2023-09-17 00:00:00", "2024-03-15 00:00:00"},
    {"LAST MONTH", "2024-02-01 00:00:00", "2024-03-01 00:00:00"},
    {"MONTH TO DATE", "2024-03-01 00:00:00", "2024-03-15 00:00:00"},
    {"LAST QUATER", "2023-10-01 00:00:00", "2024-01-01 00:00:00"},
    {"LAST QUARTER", "2023-10-01 00:00:00", "2024-01-01 00:00:00"},
    {"QUATER TO DATE", "2024-01-01 00:00:00", "2024-03-15 00:00:00"},
    {"QUARTER TO DATE", "2024-01-01 00:00:00", "2024-03-15 00:00:00"},
    {"LAST YEAR", "2023-01-01 00:00:00", "2024-01-01 00:00:00"},
    {"YEAR TO DATE", "2024-01-01 00:00:00", "2024-03-15 00:00:00"},
    {"30 DAYS 5 DAYS AGO", "2024-02-09 00:00:00", "2024-03-10 00:00:00"},
    {"180 DAYS 7 DAYS AGO", "2023-09-10 00:00:00", "2024-03-08 00:00:00"},
    {"ALL", "1970-01-01 00:00:00", "2024-03-15 14:37:00"},
    // Matching ignores case.
    {"last month", "2024-02-01 00:00:00", "2024-03-01 00:00:00"},
    {"Yesterday And Today", "2024-03-14 00:00:00", "2024-03-15 14:37:00"},
};

TEST(DateRangeRules, EachKeywordGivesItsRangeFromTheReferenceTime) {
  const Date reference = Date::FromParts(2024, 3, 15, 14, 37, 52);
  for (const Case& c : kCases) {
    Date start, end;
    ASSERT_TRUE(CommonDateRange::GetRelativeRange(c.keyword, reference, start, end)) << c.keyword;
    EXPECT_EQ(Text(start), c.start) << c.keyword;
    EXPECT_EQ(Text(end), c.end) << c.keyword;
  }
}

TEST(DateRangeRules, CalendarStepsKeepToTheShorterMonthAndTheQuarterBefore) {
  struct Edge {
    Date reference;
    const char* keyword;
    const char* start;
    const char* end;
  };
  const Edge edges[] = {
      // One month back from 31 March is the end of February: last month is February.
      {Date::FromParts(2023, 3, 31, 8), "LAST MONTH", "2023-02-01 00:00:00", "2023-03-01 00:00:00"},
      // January: last month and last quarter lie in the year before.
      {Date::FromParts(2024, 1, 10, 8), "LAST MONTH", "2023-12-01 00:00:00", "2024-01-01 00:00:00"},
      {Date::FromParts(2024, 1, 10, 8), "LAST QUARTER", "2023-10-01 00:00:00", "2024-01-01 00:00:00"},
      // 31 May back one quarter is 29 February: the first quarter.
      {Date::FromParts(2024, 5, 31, 8), "LAST QUATER", "2024-01-01 00:00:00", "2024-04-01 00:00:00"},
      {Date::FromParts(2024, 12, 31, 23, 59, 59), "QUARTER TO DATE", "2024-10-01 00:00:00", "2024-12-31 00:00:00"},
      // Just after midnight the last hour is the day before's last.
      {Date::FromParts(2024, 3, 1, 0, 20), "LAST HOUR", "2024-02-29 23:00:00", "2024-03-01 00:00:00"},
  };
  for (const Edge& e : edges) {
    Date start, end;
    ASSERT_TRUE(CommonDateRange::GetRelativeRange(e.keyword, e.reference, start, end)) << e.keyword;
    EXPECT_EQ(Text(start), e.start) << e.keyword << " at " << Text(e.reference);
    EXPECT_EQ(Text(end), e.end) << e.keyword << " at " << Text(e.reference);
  }
}

TEST(DateRangeRules, UnknownKeywordChangesNothing) {
  const Date before = Date::FromParts(2020, 1, 2, 3, 4, 5);
  for (const char* keyword : {"", "LAST 8 DAYS", "30 DAYS 4 DAYS AGO", "TODAY ", "NEXT WEEK"}) {
    Date start = before, end = before;
    EXPECT_FALSE(CommonDateRange::GetRelativeRange(keyword, Date::FromParts(2024, 3, 15), start, end)) << keyword;
    EXPECT_EQ(start, before);
    EXPECT_EQ(end, before);
  }
}

TEST(DateRangeRules, ListHoldsEveryKeywordInOrderAndEachIsKnown) {
  const auto& k = CommonDateRange::Keywords();
  ASSERT_EQ(k.size(), 36u);
  EXPECT_EQ(k[0], "LAST HOUR");
  EXPECT_EQ(k[CommonDateRange::kDefaultKeyword], "YESTERDAY AND TODAY");
  EXPECT_EQ(k[7], "LAST QUATER");
  EXPECT_EQ(k[8], "QUATER TO DATE");
  EXPECT_EQ(k[11], "LAST 30 DAYS");
  EXPECT_EQ(k[16], "LAST 180 DAYS");
  EXPECT_EQ(k[17], "30 DAYS 3 DAYS AGO");
  EXPECT_EQ(k[19], "30 DAYS 7 DAYS AGO");
  EXPECT_EQ(k[20], "45 DAYS 3 DAYS AGO");
  EXPECT_EQ(k[34], "180 DAYS 7 DAYS AGO");
  EXPECT_EQ(k[35], "ALL");
  for (const std::string& keyword : k) {
    Date start, end;
    EXPECT_TRUE(CommonDateRange::GetRelativeRange(keyword, Date::FromParts(2024, 3, 15, 12), start, end)) << keyword;
    EXPECT_LE(start, end) << keyword;
  }
}

TEST(DateRangeRules, TruncationToDayHourAndMinute) {
  const Date d = Date::FromParts(2024, 3, 15, 14, 37, 52);
  EXPECT_EQ(Text(CommonDateRange::TruncateDate(d, CommonDateRange::Resolution::Day)), "2024-03-15 00:00:00");
  EXPECT_EQ(Text(CommonDateRange::TruncateDate(d, CommonDateRange::Resolution::Hour)), "2024-03-15 14:00:00");
  EXPECT_EQ(Text(CommonDateRange::TruncateDate(d, CommonDateRange::Resolution::Minute)), "2024-03-15 14:37:00");
  // Before the epoch the fraction still counts forward from the day's start.
  const Date early = Date::FromParts(1899, 12, 29, 6, 30);
  EXPECT_EQ(Text(CommonDateRange::TruncateDate(early, CommonDateRange::Resolution::Day)), "1899-12-29 00:00:00");
  EXPECT_EQ(Text(CommonDateRange::TruncateDate(early, CommonDateRange::Resolution::Hour)), "1899-12-29 06:00:00");
}

}  // namespace
