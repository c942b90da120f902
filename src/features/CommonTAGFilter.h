#pragma once

#include <cstdint>
#include <string>

#include "core/Date.h"
#include "core/Value.h"
#include "features/CommonTagFilterRowType.h"
#include "features/CommonTagFilterSource.h"

namespace platform::db {
class Recordset;
}

// The tag filter engine: one statistic (AVERAGE, TOTAL, MAXIMUM, MINIMUM, FIRST, LAST, RANGE or
// the counter difference DIFF) over the per-minute values of a source tag within a window,
// counting only the minutes at which a second tag, the filter tag, meets a condition.
//
// An evaluation loads the window's rows from the owner, carries the last known filter value
// into minutes that have none, keeps the source values strictly inside the range bounds, keeps
// the rows whose filter value meets the operator, and computes the statistic over what is left.
// The engine knows nothing of where rows come from: its owner (a CommonTagFilterSource,
// borrowed, it must outlive the engine) answers the two data requests and forms the look-back
// bound in the form of the window's date texts.
// Between evaluations the engine holds only its settings; every row array and recordset of an
// evaluation is released when it ends.
//
// Filter operators (compared upper-cased; FV is FilterValue read as a number):
//   "=", "<>", ">", "<", ">=", "<="  the row's filter value against FV
//   "CYCLESTO"   the filter value has just changed to FV
//   "ACT(n)"     the filter value changed to FV exactly n minutes before the row
//   "BCT(n)"     the filter value changes to FV exactly n minutes after the row
//   "GOES<(n)"   from the first row whose row n places earlier is below FV, every row
//   "GOES>(n)"   the same with above FV
// Any other operator keeps no row.
class CommonTAGFilter {
 public:
  // Row indexes and counts are 16-bit: a walk over more rows fails with an overflow error.
  static constexpr std::int32_t kMaxRows = 32767;

  CommonTAGFilter();

  void CustomTagFilter(CommonTagFilterSource* owner) { owner_ = owner; }

  // Window bounds in the owner's date text form; start inclusive, end exclusive.
  const std::string& startdate() const { return startDate_; }
  void startdate(const std::string& value) { startDate_ = value; }
  const std::string& enddate() const { return endDate_; }
  void enddate(const std::string& value) { endDate_ = value; }

  const std::string& SourceTag() const { return sourceTag_; }
  void SourceTag(const std::string& value) { sourceTag_ = value; }
  const std::string& SourceStatistic() const { return sourceStatistic_; }
  void SourceStatistic(const std::string& value);  // upper-cased
  const std::string& FilterTag() const { return filterTag_; }
  void FilterTag(const std::string& value) { filterTag_ = value; }
  // Upper-cased in place by each evaluation that reaches the operator step.
  const std::string& FilterOp() const { return filterOp_; }
  void FilterOp(const std::string& value) { filterOp_ = value; }
  const std::string& FilterValue() const { return filterValue_; }
  void FilterValue(const std::string& value) { filterValue_ = value; }

  // Exclusive bounds on the source value: Null means no bound on that side. Both start Empty,
  // which compares as 0, so a caller that wants no bound says Null.
  const core::Value& HighRangeFilter() const { return highRange_; }
  void HighRangeFilter(const core::Value& value) { highRange_ = value; }
  const core::Value& LowRangeFilter() const { return lowRange_; }
  void LowRangeFilter(const core::Value& value) { lowRange_ = value; }

  // The statistic (a Double) or Null. executionErrorOccured is False when every step succeeded
  // and True when one failed (the result is then Null). A run-time error of the statistic
  // itself (a counter roll-over from a first value that is not positive) is raised to the
  // caller.
  core::Value GetResult(bool& executionErrorOccured);

  // x + 0.5 rounded to the nearest whole number, halves to even: Ceil(2.3) = 3, Ceil(2) = 2,
  // Ceil(3) = 4. The counter roll-over of DIFF uses it.
  static double Ceil(double x);

 private:
  bool CarryLastValue(platform::db::Recordset& recordset, TagFilterRows& rows);
  bool ApplyFilter(const TagFilterRows& src, TagFilterRows& dst);
  bool ApplyFilterOp(const TagFilterRows& src, TagFilterRows& dst);
  bool ReadOperatorArgument(const std::string& word, std::int16_t& n) const;
  bool ACT_First(std::int32_t minutes, TagFilterRows& lookBack);
  bool ACT_Fire(core::Date t, double target, const TagFilterRows& rows, const TagFilterRows& lookBack);
  static core::Value LookupFilterValueAt(const TagFilterRows& rows, core::Date when);
  core::Value ComputeStatistic(const TagFilterRows& rows) const;

  CommonTagFilterSource* owner_ = nullptr;
  std::string startDate_, endDate_;
  std::string sourceTag_, sourceStatistic_;
  std::string filterTag_, filterOp_, filterValue_;
  core::Value highRange_, lowRange_;
};
