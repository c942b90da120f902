#pragma once

#include <string>
#include <vector>

#include "core/Date.h"

// The range rules that both date range dialogs share: the keywords of relative ranges
// ("LAST HOUR", "MONTH TO DATE", "30 DAYS 5 DAYS AGO" ...) and the start and end each gives from a
// reference time, with the truncations they are built from. Stateless.
class CommonDateRange {
 public:
  enum class Resolution { Day, Hour, Minute };

  // The keywords in the order the dialogs list them; the default is at kDefaultKeyword.
  static const std::vector<std::string>& Keywords();
  static constexpr int kDefaultKeyword = 3;  // "YESTERDAY AND TODAY"

  // The start of the day, hour or minute that holds d.
  static core::Date TruncateDate(core::Date d, Resolution resolution);

  // The range of a keyword (matched ignoring case; the spellings "LAST QUARTER" and
  // "QUARTER TO DATE" are accepted beside the listed ones) from the reference time. False, with
  // start and end left as they were, for a keyword that is not known.
  static bool GetRelativeRange(const std::string& keyword, core::Date reference, core::Date& start, core::Date& end);

  // The calendar quarter before the one that holds reference: its first day, and the first day
  // of reference's quarter.
  static void GetLastQuarterRange(core::Date reference, core::Date& start, core::Date& end);
};
