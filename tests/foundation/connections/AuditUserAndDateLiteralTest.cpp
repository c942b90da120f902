// The audit user of Krym writes and the date literals of both Krym dialects.
#include <gtest/gtest.h>

#include <string>

#include "core/Date.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ProgramContext.h"

namespace {

TEST(GetAuditUserName, IsTheModuleUserUnlessAWriteAsUserIsSet) {
  ProgramContext ctx;
  ProgramScope scope(ctx);
  EXPECT_EQ(CommonGlobals::GetAuditUserName(), "VIA_K30418");
  ctx.writeAsUser = "SHIFTLEAD";
  EXPECT_EQ(CommonGlobals::GetAuditUserName(), "SHIFTLEAD");
  ctx.writeAsUser = "";
  EXPECT_EQ(CommonGlobals::GetAuditUserName(), "VIA_K30418");
}

TEST(TargetDateLiteral, FollowsTheDatabaseType) {
  struct Case {
    std::int16_t dbType;
    core::Date date;
    const char* expected;
  };
  const core::Date afternoon = core::Date::FromParts(2026, 12, 8, 13, 5, 9);
  const core::Date justAfterMidnight = core::Date::FromParts(2027, 1, 3, 0, 30, 0);
  const core::Date noon = core::Date::FromParts(2026, 7, 14, 12, 0, 0);
  for (const Case& c : {
           Case{1, afternoon, "TO_DATE('08-Dec-2026 01:05:09 PM','dd-Mon-yyyy HH:MI:SS AM')"},
           Case{1, justAfterMidnight, "TO_DATE('03-Jan-2027 12:30:00 AM','dd-Mon-yyyy HH:MI:SS AM')"},
           Case{1, noon, "TO_DATE('14-Jul-2026 12:00:00 PM','dd-Mon-yyyy HH:MI:SS AM')"},
           Case{2, afternoon, "'2026-12-08 13:05:09'"},
           Case{2, justAfterMidnight, "'2027-01-03 00:30:00'"},
           Case{2, noon, "'2026-07-14 12:00:00'"},
           Case{0, afternoon, ""},
           Case{3, afternoon, ""},
       }) {
    ProgramContext ctx;
    ctx.dbType = c.dbType;
    ProgramScope scope(ctx);
    EXPECT_EQ(CommonGlobals::TargetDateLiteral(c.date), c.expected) << "type " << c.dbType;
  }
}

}  // namespace
