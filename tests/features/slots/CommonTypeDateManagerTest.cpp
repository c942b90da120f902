// The interval slot walker: slots of each interval, the daily interface rule, the time window
// from the variable record, the requested end, and types it cannot walk.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/Date.h"
#include "core/Value.h"
#include "features/CommonTypeDateManager.h"
#include "features/FeatureTestLog.h"
#include "import/model/CommonTypeVarRec.h"

namespace {

using core::Date;

std::string Text(Date d) { return core::Format(d, "d mmm hh:nn"); }

// One walked slot as "stamp | start | end".
std::vector<std::string> Walk(CommonTypeDateManager& walker) {
  std::vector<std::string> out;
  for (int guard = 0; !walker.Eof() && guard < 1000; walker.MoveNext(), ++guard)
    out.push_back(Text(walker.VornKrymslotDateStamp()) + " | " + Text(walker.SlotStart()) + " | " +
                  Text(walker.SlotEnd()));
  return out;
}

struct WalkCase {
  const char* name;
  const char* type;
  const char* interfaceType;                // "SAME" gives 0, anything else 1
  std::optional<Date> startTime, stopTime;  // time window; unset leaves 0 minutes
  Date start, end;
  int slots;  // NumberOfSlots
  std::vector<std::string> walked;
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

Date Mar(int day, int h, int m = 0) { return Date::FromParts(2026, 3, day, h, m); }
Date At(int h, int m) { return Date::FromTime(h, m, 0); }

class SlotWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(SlotWalk, WalksTheSlots) {
  const WalkCase& c = GetParam();
  CommonTypeVarRec rec;
  rec.VarType(c.type);
  rec.InterfaceType(core::Value(c.interfaceType));
  if (c.startTime) rec.StartTime(core::Value(*c.startTime));
  if (c.stopTime) rec.StopTime(core::Value(*c.stopTime));
  CommonTypeDateManager walker;
  ASSERT_TRUE(walker.Init(c.start, c.end, rec));
  EXPECT_EQ(walker.NumberOfSlots(), c.slots);
  EXPECT_EQ(Walk(walker), c.walked);
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, SlotWalk,
    ::testing::Values(
        WalkCase{"HourlyEachEndingOnTheNextHour",
                 "H",
                 "SAME",
                 std::nullopt,
                 At(1, 0),
                 Mar(9, 10, 15),
                 Mar(9, 13, 40),
                 3,
                 {"9 Mar 10:00 | 9 Mar 10:00 | 9 Mar 11:00", "9 Mar 11:00 | 9 Mar 11:00 | 9 Mar 12:00",
                  "9 Mar 12:00 | 9 Mar 12:00 | 9 Mar 13:00"}},
        WalkCase{"HourlyWithoutStopEndingAtTheStamp",
                 "h",
                 "SAME",
                 std::nullopt,
                 std::nullopt,
                 Mar(9, 10, 15),
                 Mar(9, 13, 40),
                 3,
                 {"9 Mar 10:00 | 9 Mar 10:00 | 9 Mar 10:00", "9 Mar 11:00 | 9 Mar 11:00 | 9 Mar 11:00",
                  "9 Mar 12:00 | 9 Mar 12:00 | 9 Mar 12:00"}},
        WalkCase{"HourlyWindowFromHalfPast",
                 "N",
                 "SAME",
                 At(0, 30),
                 At(0, 45),
                 Mar(9, 10, 0),
                 Mar(9, 12, 0),
                 2,
                 {"9 Mar 10:00 | 9 Mar 10:30 | 9 Mar 10:45", "9 Mar 11:00 | 9 Mar 11:30 | 9 Mar 11:45"}},
        // The last slot ends exactly at the requested end and is walked.
        WalkCase{"SlotEndingAtTheRequestedEnd",
                 "H",
                 "SAME",
                 std::nullopt,
                 At(1, 0),
                 Mar(9, 10, 0),
                 Mar(9, 13, 0),
                 3,
                 {"9 Mar 10:00 | 9 Mar 10:00 | 9 Mar 11:00", "9 Mar 11:00 | 9 Mar 11:00 | 9 Mar 12:00",
                  "9 Mar 12:00 | 9 Mar 12:00 | 9 Mar 13:00"}},
        WalkCase{"FifteenMinutes",
                 "F",
                 "SAME",
                 std::nullopt,
                 std::nullopt,
                 Mar(9, 14, 47),
                 Mar(9, 15, 31),
                 3,
                 {"9 Mar 14:45 | 9 Mar 14:45 | 9 Mar 14:45", "9 Mar 15:00 | 9 Mar 15:00 | 9 Mar 15:00",
                  "9 Mar 15:15 | 9 Mar 15:15 | 9 Mar 15:15"}},
        WalkCase{"FourHoursAcrossMidnight",
                 "G",
                 "SAME",
                 std::nullopt,
                 std::nullopt,
                 Mar(9, 22, 5),
                 Mar(10, 9, 0),
                 3,
                 {"9 Mar 20:00 | 9 Mar 20:00 | 9 Mar 20:00", "10 Mar 00:00 | 10 Mar 00:00 | 10 Mar 00:00",
                  "10 Mar 04:00 | 10 Mar 04:00 | 10 Mar 04:00"}},
        WalkCase{"DailyInterfaceOneStartsADayEarlier",
                 "P",
                 "OTHER",
                 std::nullopt,
                 std::nullopt,
                 Mar(5, 8, 0),
                 Mar(7, 8, 0),
                 3,
                 {"4 Mar 00:00 | 4 Mar 00:00 | 4 Mar 00:00", "5 Mar 00:00 | 5 Mar 00:00 | 5 Mar 00:00",
                  "6 Mar 00:00 | 6 Mar 00:00 | 6 Mar 00:00"}},
        // StopTime 23:59 on a daily interface-1 type is 2880 minutes: the third slot would end
        // on 8 March, after the requested end.
        WalkCase{"DailyStopPastTheRequestedEnd",
                 "C",
                 "OTHER",
                 std::nullopt,
                 At(23, 59),
                 Mar(5, 8, 0),
                 Mar(7, 8, 0),
                 3,
                 {"4 Mar 00:00 | 4 Mar 00:00 | 6 Mar 00:00", "5 Mar 00:00 | 5 Mar 00:00 | 7 Mar 00:00"}},
        WalkCase{"DailySameInterface",
                 "T",
                 "same",
                 std::nullopt,
                 std::nullopt,
                 Mar(5, 8, 0),
                 Mar(7, 8, 0),
                 2,
                 {"5 Mar 00:00 | 5 Mar 00:00 | 5 Mar 00:00", "6 Mar 00:00 | 6 Mar 00:00 | 6 Mar 00:00"}},
        WalkCase{"SameSlotGivesNone", "H", "SAME", std::nullopt, At(1, 0), Mar(9, 10, 5), Mar(9, 10, 55), 0, {}},
        WalkCase{"SameDayOnInterfaceOneGivesThePreviousDay",
                 "P",
                 "OTHER",
                 std::nullopt,
                 std::nullopt,
                 Mar(9, 1, 0),
                 Mar(9, 23, 0),
                 1,
                 {"8 Mar 00:00 | 8 Mar 00:00 | 8 Mar 00:00"}}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

TEST(CommonTypeDateManager, TimeWindowIsReadAtEachCall) {
  CommonTypeVarRec rec;
  rec.VarType("H");
  CommonTypeDateManager walker;
  ASSERT_TRUE(walker.Init(Mar(9, 10, 0), Mar(9, 12, 0), rec));
  EXPECT_EQ(Text(walker.SlotEnd()), "9 Mar 10:00");
  rec.StopTime(core::Value(At(0, 20)));
  rec.StartTime(core::Value(At(0, 10)));
  EXPECT_EQ(Text(walker.SlotStart()), "9 Mar 10:10");
  EXPECT_EQ(Text(walker.SlotEnd()), "9 Mar 10:20");
}

TEST(CommonTypeDateManager, NothingToWalkBeforeInit) {
  CommonTypeDateManager walker;
  EXPECT_TRUE(walker.Eof());
  EXPECT_EQ(walker.NumberOfSlots(), 0);
}

TEST(CommonTypeDateManager, SecondTypeCannotBeWalked) {
  FeatureTestLog log;
  CommonTypeVarRec rec;
  rec.VarType("9");
  CommonTypeDateManager walker;
  EXPECT_FALSE(walker.Init(Mar(9, 10, 0), Mar(9, 12, 0), rec));
  EXPECT_TRUE(walker.Eof());
  EXPECT_EQ(walker.NumberOfSlots(), 0);
  EXPECT_TRUE(
      log.Has("CommonTypeDateManager: the slots of variable type '9' are shorter than a minute and cannot be "
              "walked"))
      << log.All();
}

}  // namespace
