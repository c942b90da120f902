#include "foundation/TimeUtils.h"

#include <cmath>
#include <ctime>
#include <exception>
#include <string>

#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"

namespace TimeUtils {
namespace {

void LogFailure(const std::string& why) {
  if (QALLoggerTXT* log = Program().logger) log->WriteLog("SyncServerTime failed: " + why, 2);
}

core::Date AddSeconds(core::Date d, double seconds) {
  try {
    return core::DateAdd("s", seconds, d);
  } catch (const std::exception&) {
    // Outside the calendar's range; plain day arithmetic still gives an answer.
    return core::Date(d.Serial() + seconds / 86400.0);
  }
}

// The zone as it stands at the local time d. Asking at d rather than now matters for dates on
// the other side of a daylight-time change: a January time read in July is still UTC+1 in Berlin.
platform::os::TimeZoneInfo ZoneAt(core::Date d) {
  const core::Date::Parts p = d.Split();
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;  // let the zone decide whether daylight time is in force then
  const std::time_t t = std::mktime(&tm);
  return t == static_cast<std::time_t>(-1) ? platform::os::TimeZoneInfo::Current() : platform::os::TimeZoneInfo::At(t);
}

}  // namespace

core::Date GetServerNow() { return AddSeconds(Program().clock->Now(), Program().serverOffsetSec); }

bool SyncServerTime() {
  ProgramContext& ctx = Program();
  platform::db::Connection* cnn = ctx.vornKrymCnn;
  if (!cnn || !cnn->IsOpen()) {
    LogFailure("no open connection to the root schema");
    return false;
  }
  try {
    platform::db::Command cmd;
    cmd.ActiveConnection(*cnn);
    cmd.CommandText("GETSERVERTIME");
    cmd.CommandType(platform::db::adCmdStoredProc);
    cmd.CreateParameter("date_out", platform::db::adDate, platform::db::adParamOutput);
    cmd.Execute();  // the first call only warms up the connection
    const core::Date t0 = ctx.clock->Now();
    cmd.Execute();
    const core::Value out = cmd.Parameters("date_out").Value();
    if (out.IsNull() || out.IsEmpty()) {
      LogFailure("the server gave no time");
      return false;
    }
    // Rounded rather than truncated: the call itself takes a few milliseconds.
    const double seconds = (out.ToDate().Serial() - t0.Serial()) * 86400.0;
    if (!std::isfinite(seconds) || std::fabs(seconds) > 2147483647.0) {
      LogFailure("the server's time is out of range");
      return false;
    }
    ctx.serverOffsetSec = static_cast<std::int32_t>(std::lround(seconds));
    return true;
  } catch (const std::exception& e) {
    LogFailure(e.what());
    return false;
  }
}

std::int32_t UtcOffsetSeconds(const platform::os::TimeZoneInfo& tz) {
  std::int32_t offset = -tz.Bias * 60;
  if (tz.Result == platform::os::TimeZoneInfo::State::Daylight && tz.DaylightDate.Month != 0)
    offset -= tz.DaylightBias * 60;
  return offset;
}

core::Date LocalToUTC() { return LocalToUTC(Program().clock->Now()); }

core::Date LocalToUTC(core::Date d) { return AddSeconds(d, -UtcOffsetSeconds(ZoneAt(d))); }

}  // namespace TimeUtils
