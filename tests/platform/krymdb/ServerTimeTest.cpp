// GETSERVERTIME in the Krym root schema.
#include <gtest/gtest.h>

#include <cmath>

#include "ProcedureCalls.h"
#include "core/Clock.h"
#include "support/KrymFixture.h"
#include "support/TestDatabase.h"

using core::Value;

TEST(ServerTime, GetServerTimeGivesTheServersNowAsADate) {
  testsupport::TestDatabase db;
  if (!testsupport::RequireDatabase(db)) return;
  platform::db::Connection cn;
  cn.Open(testsupport::KrymFixture::OleDbString(db, "QALROOT"));

  platform::db::Command cmd =
      krymdb::Prepare(cn, "GETSERVERTIME", {{"date_out", platform::db::adDate, platform::db::adParamOutput, 0}});
  cmd.Execute();

  const Value out = cmd.Parameters("date_out").Value();
  ASSERT_EQ(out.GetKind(), Value::Kind::Date);
  // The server runs on this machine in its local time: the same clock, give or take.
  const double local = core::SystemClock::Instance().Now().Serial();
  EXPECT_LT(std::abs(out.ToDate().Serial() - local) * 86400.0, 120.0);
  cn.Close();
}
