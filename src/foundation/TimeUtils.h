#pragma once

#include <cstdint>

#include "core/Date.h"
#include "platform/os/TimeZoneInfo.h"

// Clock questions: the time on the Krym database server (the local clock corrected by the offset
// of the last successful synchronisation), how to learn that offset, and local time in UTC.
// The offset is gServerOffsetSec of the program context; it is 0 until SyncServerTime succeeds
// and only a successful SyncServerTime changes it. Local time means Program().clock.
namespace TimeUtils {

// The local clock plus the server offset.
core::Date GetServerNow();

// Asks the server for its time with the stored procedure GETSERVERTIME on the root-schema
// connection slot (Program().vornKrymCnn, which the caller opens) and stores the offset.
// False, with the reason logged and the offset unchanged, when there is no open connection, the
// call fails or the server gives no time.
bool SyncServerTime();

// d (the local clock now when not given) in UTC, by the system time zone's offset in force at d.
core::Date LocalToUTC();
core::Date LocalToUTC(core::Date d);

// Seconds that local time is ahead of UTC by the zone facts: -Bias minutes, less the daylight
// bias while daylight time is in effect and the zone defines when it begins.
std::int32_t UtcOffsetSeconds(const platform::os::TimeZoneInfo& tz);

}  // namespace TimeUtils
