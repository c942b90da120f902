#pragma once

#include <cstdint>
#include <string>

#include "core/Value.h"
#include "features/CommonTagFilterRowType.h"

namespace platform::db {
class Recordset;
}

// Where a tag filter engine reads its window from. The engine forms no query and no date text
// of its own: it hands back the date texts it was given, and asks its source for the rows of a
// window, for the filter tag's value before the window, and for a look-back bound in the same
// date text form.
class CommonTagFilterSource {
 public:
  virtual ~CommonTagFilterSource() = default;

  // Opens resultRS on the rows of the window from sDate (inclusive) to EDate (exclusive), one row
  // per minute (field 0 the minute, 1 the source value, 2 the filter value or Null), and sizes
  // PreDimmedArray for them (one element more than the rows, at least one). False when the rows
  // could not be read.
  virtual bool LoadRecordSet(const std::string& sDate, const std::string& EDate, platform::db::Recordset& resultRS,
                             TagFilterRows& PreDimmedArray) = 0;
  // The filter tag's value before the engine's window start, or Null.
  virtual core::Value LookUpLastValue() = 0;
  // The date text minutes before the date text date (after it for a negative count). Raises
  // core::RuntimeError when date holds no date.
  virtual std::string MinutesBefore(const std::string& date, std::int32_t minutes) const = 0;
};
