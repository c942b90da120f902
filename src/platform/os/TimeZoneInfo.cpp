#include "platform/os/TimeZoneInfo.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

namespace platform::os {
namespace {

struct Probe {
  bool ok = false;
  bool dst = false;
  long offset = 0;  // seconds east of UTC
  std::string zone;
};

Probe ProbeAt(std::time_t t) {
  Probe p;
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return p;
  p.ok = true;
  p.dst = tm.tm_isdst > 0;
  p.offset = tm.tm_gmtoff;
  p.zone = tm.tm_zone ? tm.tm_zone : "";
  return p;
}

struct Change {
  std::time_t at;  // first second of the new state
  bool toDaylight;
  long offsetBefore;
};

// The first second at which daylight time switches, somewhere in (lo, hi].
std::time_t FindSwitch(std::time_t lo, std::time_t hi, bool dstAtLo) {
  while (hi - lo > 1) {
    std::time_t mid = lo + (hi - lo) / 2;
    if (ProbeAt(mid).dst == dstAtLo)
      lo = mid;
    else
      hi = mid;
  }
  return hi;
}

std::time_t UtcInstant(int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  return timegm(&tm);
}

TimeZoneInfo::ChangeDate LocalParts(std::time_t utc, long offset) {
  std::time_t shifted = utc + offset;
  std::tm tm{};
  gmtime_r(&shifted, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string AfterZoneinfo(const std::string& path) {
  const std::string marker = "zoneinfo/";
  std::size_t at = path.rfind(marker);
  return at == std::string::npos ? path : path.substr(at + marker.size());
}

std::string SystemZoneId() {
  if (const char* tz = std::getenv("TZ")) {
    std::string v = tz;
    if (v.empty()) return "UTC";  // the C library reads an empty TZ as UTC
    if (v[0] == ':') v.erase(0, 1);
    return AfterZoneinfo(v);
  }
  char buf[PATH_MAX];
  ssize_t n = readlink("/etc/localtime", buf, sizeof buf - 1);
  if (n > 0) return AfterZoneinfo(std::string(buf, static_cast<std::size_t>(n)));
  std::ifstream in("/etc/timezone");
  std::string line;
  if (std::getline(in, line)) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    return line;
  }
  return "";
}

}  // namespace

TimeZoneInfo TimeZoneInfo::Current() { return At(std::time(nullptr)); }

TimeZoneInfo TimeZoneInfo::At(std::time_t t) {
  // localtime_r need not read TZ again; tzset makes a changed TZ count.
  tzset();
  TimeZoneInfo info;
  info.ZoneId = SystemZoneId();
  std::tm now{};
  if (!localtime_r(&t, &now)) return info;
  const Probe here = ProbeAt(t);
  const int year = now.tm_year + 1900;

  // Walk the year in half-day steps and pin every switch of daylight time to the second. The
  // walk starts and ends a day beyond the year so that changes near New Year are seen; the
  // change is then kept only when its local date lies in the year.
  const std::time_t first = UtcInstant(year, 1, 1) - 86400;
  const std::time_t last = UtcInstant(year + 1, 1, 1) + 86400;
  std::vector<Change> changes;
  std::optional<Probe> standard, daylight;
  Probe prev = ProbeAt(first);
  for (std::time_t s = first; s < last;) {
    std::time_t next = s + 43200;
    Probe p = ProbeAt(next);
    if (!p.ok) break;
    if (p.dst != prev.dst) {
      std::time_t at = FindSwitch(s, next, prev.dst);
      long before = ProbeAt(at - 1).offset;
      if (LocalParts(at, before).Year == year) changes.push_back({at, !prev.dst, before});
    }
    (p.dst ? daylight : standard) = p;
    prev = p;
    s = next;
  }
  if (here.dst)
    daylight = here;
  else
    standard = here;

  info.StandardName = info.DaylightName = here.zone;
  if (changes.empty() || !standard || !daylight) {
    // No daylight time this year (or no standard time at all): the whole offset is the bias.
    info.Result = State::Unknown;
    info.Bias = static_cast<int>(-here.offset / 60);
    return info;
  }

  // The standard offset that belongs with this instant: the current one in standard time, else
  // the one in force just before daylight time began.
  long standardOffset = standard->offset;
  if (here.dst) {
    for (const Change& c : changes)
      if (c.toDaylight && c.at <= t) standardOffset = c.offsetBefore;
  }
  const long daylightOffset = daylight->offset;
  info.Result = here.dst ? State::Daylight : State::Standard;
  info.Bias = static_cast<int>(-standardOffset / 60);
  info.DaylightBias = static_cast<int>(-(daylightOffset - standardOffset) / 60);
  info.StandardName = standard->zone;
  info.DaylightName = daylight->zone;

  // A year that began in daylight time (southern zones, or one that ends daylight time for good)
  // has only one change of a kind; its other date is New Year, so that both read as defined.
  const ChangeDate newYear{year, 1, 1, 0, 0, 0};
  info.DaylightDate = info.StandardDate = newYear;
  bool haveDaylight = false, haveStandard = false;
  for (const Change& c : changes) {
    if (c.toDaylight && !haveDaylight) info.DaylightDate = LocalParts(c.at, c.offsetBefore), haveDaylight = true;
    if (!c.toDaylight && !haveStandard) info.StandardDate = LocalParts(c.at, c.offsetBefore), haveStandard = true;
  }
  return info;
}

}  // namespace platform::os
