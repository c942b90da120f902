#include "core/Clock.h"

#include <ctime>

namespace core {

Date SystemClock::Now() const {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  // localtime_r follows TZ and /etc/localtime, as the rest of the program expects of "now".
  localtime_r(&ts.tv_sec, &local);
  const double ms = static_cast<double>(ts.tv_nsec / 1000000);
  return Date::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                         local.tm_sec + ms / 1000.0);
}

const SystemClock& SystemClock::Instance() {
  static const SystemClock clock;
  return clock;
}

}  // namespace core
