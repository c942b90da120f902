#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/Date.h"
#include "core/Value.h"
#include "foundation/blobs/KrymProgram.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

// A facility database of the test's own on the test cluster, the program's target settings
// pointed at that cluster, and a connection of the test's own to the facility for setting up
// rows and looking at what was written.
class FacilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx_.Ok());
    ASSERT_TRUE(program_.PointAtTestKrym());
    cn_.Open(fx_.OleDbString());
  }

  bool Exec(const std::string& sql) { return fx_.Exec(sql); }
  platform::db::Recordset Query(const std::string& sql) { return cn_.Execute(sql); }
  // The first field of the first row ("" when there is none... as a Null).
  core::Value Scalar(const std::string& sql) {
    platform::db::Recordset rs = cn_.Execute(sql);
    return rs.RecordCount() == 0 ? core::Value::MakeNull() : rs.Fields(0).Value();
  }
  long Count(const std::string& tableAndWhere) { return Scalar("select count(*) from " + tableAndWhere).ToLong(); }

  static core::Date At(int year, int month, int day, int hour = 0, int minute = 0, double second = 0) {
    return core::Date::FromParts(year, month, day, hour, minute, second);
  }
  // Two dates that the database stored to the millisecond.
  static bool SameInstant(core::Date a, core::Date b) {
    const double d = (a.Serial() - b.Serial()) * 86400.0;
    return d < 0.0005 && d > -0.0005;
  }

  KrymProgram program_;
  testsupport::KrymFixture fx_;
  platform::db::Connection cn_;  // closed before the fixture drops the database
};
