#pragma once

#include <ctime>
#include <string>

namespace platform::os {

// What the system time zone (TZ, else /etc/localtime) says about local time at one instant, in
// the shape the program's time-zone arithmetic was written against: biases in minutes with
// UTC = local + bias (so a zone east of Greenwich has a negative bias), plus the changes between
// standard and daylight time in that instant's year. A plain value; read it again to see a
// change of zone.
struct TimeZoneInfo {
  // What the query reports, as its result code.
  enum class State {
    Invalid = -1,  // the system could not tell the local time
    Unknown = 0,   // the zone has no daylight time in that year
    Standard = 1,  // standard time is in effect
    Daylight = 2,  // daylight time is in effect
  };

  // A change of clock, in the local time shown just before it; Month 0 when the zone has no
  // such change in the year.
  struct ChangeDate {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  };

  State Result = State::Invalid;
  int Bias = 0;              // minutes, UTC = standard local time + Bias
  int StandardBias = 0;      // always 0: the standard offset is all in Bias
  int DaylightBias = 0;      // minutes added to Bias while daylight time is in effect
  std::string StandardName;  // the zone's abbreviations, as the C library names them ("CET")
  std::string DaylightName;  // ("CEST"); the standard name when the zone has no daylight time
  ChangeDate StandardDate;   // the change back to standard time
  ChangeDate DaylightDate;   // the change to daylight time
  std::string ZoneId;        // "Europe/Berlin" when the system names its zone, else ""

  // The zone as it stands now, and at the instant t.
  static TimeZoneInfo Current();
  static TimeZoneInfo At(std::time_t t);
};

}  // namespace platform::os
