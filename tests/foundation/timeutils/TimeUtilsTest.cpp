// Server time and UTC: the offset rule of the zone facts, local times on both sides of a
// daylight-time change, and the server offset learnt from a real server through the driver.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>

#include "core/Clock.h"
#include "foundation/ProgramContext.h"
#include "foundation/TimeUtils.h"
#include "platform/db/Connection.h"
#include "platform/os/ScopedTimeZone.h"
#include "support/TestDatabase.h"

using core::Date;
using platform::os::TimeZoneInfo;
using State = TimeZoneInfo::State;

namespace {

TimeZoneInfo Facts(State result, int bias, int daylightBias, int daylightMonth) {
  TimeZoneInfo tz;
  tz.Result = result;
  tz.Bias = bias;
  tz.DaylightBias = daylightBias;
  tz.StandardBias = 30;  // never counted
  tz.DaylightDate.Month = daylightMonth;
  tz.StandardDate.Month = daylightMonth ? 10 : 0;
  return tz;
}

TEST(TimeUtils, OffsetFromTheZoneFacts) {
  struct Case {
    const char* what;
    TimeZoneInfo tz;
    int seconds;
  } cases[] = {
      {"UTC+1, daylight time", Facts(State::Daylight, -60, -60, 3), 7200},
      {"UTC+1, standard time", Facts(State::Standard, -60, -60, 3), 3600},
      {"daylight reported, no daylight date", Facts(State::Daylight, -60, -60, 0), 3600},
      {"no daylight time", Facts(State::Unknown, -330, 0, 0), 19800},
      {"UTC-5, daylight time", Facts(State::Daylight, 300, -60, 3), -14400},
      {"zone unreadable", Facts(State::Invalid, 0, 0, 0), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TimeUtils::UtcOffsetSeconds(c.tz), c.seconds) << c.what;
}

// The zone's offset at the date converted counts, not today's: a winter time read in summer
// (or the other way round) is still converted with its own season's offset.
TEST(TimeUtils, LocalToUtcUsesTheOffsetInForceAtThatTime) {
  struct Case {
    const char* tz;
    Date local;
    Date utc;
  } cases[] = {
      {"Europe/Berlin", Date::FromParts(2026, 7, 1, 12, 0, 0), Date::FromParts(2026, 7, 1, 10, 0, 0)},
      {"Europe/Berlin", Date::FromParts(2026, 1, 15, 12, 0, 0), Date::FromParts(2026, 1, 15, 11, 0, 0)},
      {"Europe/Berlin", Date::FromParts(2026, 3, 29, 1, 59, 59), Date::FromParts(2026, 3, 29, 0, 59, 59)},
      {"Europe/Berlin", Date::FromParts(2026, 3, 29, 3, 0, 0), Date::FromParts(2026, 3, 29, 1, 0, 0)},
      {"Europe/Berlin", Date::FromParts(2026, 7, 1, 0, 30, 0.25), Date::FromParts(2026, 6, 30, 22, 30, 0.25)},
      {"America/New_York", Date::FromParts(2026, 7, 1, 12, 0, 0), Date::FromParts(2026, 7, 1, 16, 0, 0)},
      {"America/New_York", Date::FromParts(2026, 12, 31, 22, 0, 0), Date::FromParts(2027, 1, 1, 3, 0, 0)},
      {"UTC", Date::FromParts(2026, 7, 1, 12, 0, 0), Date::FromParts(2026, 7, 1, 12, 0, 0)},
  };
  for (const Case& c : cases) {
    testsupport::ScopedTimeZone zone(c.tz);
    EXPECT_EQ(core::Format(TimeUtils::LocalToUTC(c.local), "yyyy-mm-dd HH:nn:ss"),
              core::Format(c.utc, "yyyy-mm-dd HH:nn:ss"))
        << c.tz << " " << c.local.GeneralText();
    EXPECT_EQ(TimeUtils::LocalToUTC(c.local).Split().millisecond, c.local.Split().millisecond);
  }
}

TEST(TimeUtils, LocalToUtcWithoutADateTakesTheLocalClock) {
  testsupport::ScopedTimeZone zone("Europe/Berlin");
  core::ManualClock clock(Date::FromParts(2026, 8, 8, 12, 0, 0));
  ProgramContext ctx;
  ctx.clock = &clock;
  ProgramScope scope(ctx);
  EXPECT_EQ(TimeUtils::LocalToUTC().GeneralText(), Date::FromParts(2026, 8, 8, 10, 0, 0).GeneralText());
}

TEST(TimeUtils, ServerNowIsTheLocalClockPlusTheOffset) {
  core::ManualClock clock(Date::FromParts(2026, 12, 8, 23, 59, 0));
  ProgramContext ctx;
  ctx.clock = &clock;
  ProgramScope scope(ctx);
  EXPECT_EQ(TimeUtils::GetServerNow(), clock.Now());
  ctx.serverOffsetSec = 90;
  EXPECT_EQ(TimeUtils::GetServerNow().GeneralText(), Date::FromParts(2026, 12, 9, 0, 0, 30).GeneralText());
  ctx.serverOffsetSec = -3600;
  EXPECT_EQ(TimeUtils::GetServerNow().GeneralText(), Date::FromParts(2026, 12, 8, 22, 59, 0).GeneralText());
}

// A database of the test's own whose GETSERVERTIME answers as the test tells it to.
class ServerTime : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::RequireDatabase(db_)) GTEST_SKIP();
    std::mt19937 rng(std::random_device{}());
    name_ = "TIMEUTILS_" + std::to_string(getpid()) + "_" + std::to_string(rng() % 100000);
    admin_.Open(db_.OdbcString("postgres"));
    admin_.Execute("CREATE DATABASE \"" + name_ + "\"");
    cnn_.Open(db_.OdbcString(name_));
    ctx_.serverOffsetSec = 0;
  }
  void TearDown() override {
    cnn_.Close();
    if (admin_.IsOpen()) {
      try {
        admin_.Execute("DROP DATABASE IF EXISTS \"" + name_ + "\" WITH (FORCE)");
      } catch (const std::exception&) {
      }
    }
  }
  void ServerAnswers(const std::string& expression) {
    cnn_.Execute(
        "CREATE OR REPLACE FUNCTION getservertime(OUT date_out timestamp) AS $$ "
        "BEGIN date_out := " +
        expression + "; END $$ LANGUAGE plpgsql");
  }

  testsupport::TestDatabase db_;
  std::string name_;
  platform::db::Connection admin_, cnn_;
  ProgramContext ctx_;
  ProgramScope scope_{ctx_};
};

TEST_F(ServerTime, AServerAheadOfTheLocalClockGivesItsOffset) {
  ServerAnswers("localtimestamp + interval '90 seconds'");
  ctx_.vornKrymCnn = &cnn_;
  ASSERT_TRUE(TimeUtils::SyncServerTime());
  EXPECT_EQ(ctx_.serverOffsetSec, 90);
  const double ahead = (TimeUtils::GetServerNow().Serial() - ctx_.clock->Now().Serial()) * 86400;
  EXPECT_NEAR(ahead, 90, 1);

  ServerAnswers("localtimestamp - interval '2 hours'");
  ASSERT_TRUE(TimeUtils::SyncServerTime());
  EXPECT_EQ(ctx_.serverOffsetSec, -7200);
}

TEST_F(ServerTime, AFailedSyncKeepsTheOffset) {
  ctx_.serverOffsetSec = 42;
  // No connection in the slot, then a closed one.
  EXPECT_FALSE(TimeUtils::SyncServerTime());
  platform::db::Connection closed;
  ctx_.vornKrymCnn = &closed;
  EXPECT_FALSE(TimeUtils::SyncServerTime());
  // The procedure missing.
  ctx_.vornKrymCnn = &cnn_;
  EXPECT_FALSE(TimeUtils::SyncServerTime());
  // The server answers Null.
  ServerAnswers("NULL");
  EXPECT_FALSE(TimeUtils::SyncServerTime());
  EXPECT_EQ(ctx_.serverOffsetSec, 42);
}

// The root schema's own procedure answers in the server's local time, to the second.
TEST(ServerTimeOfTheRootSchema, ALocalServerIsInStepWithTheLocalClock) {
  testsupport::TestDatabase db;
  if (!testsupport::RequireDatabase(db)) return;
  platform::db::Connection root;
  root.Open(db.OdbcString("QALROOT"));
  ProgramContext ctx;
  ctx.serverOffsetSec = 500;
  ctx.vornKrymCnn = &root;
  ProgramScope scope(ctx);
  ASSERT_TRUE(TimeUtils::SyncServerTime());
  EXPECT_LE(std::abs(ctx.serverOffsetSec), 1);
}

}  // namespace
