#pragma once

#include <vector>

#include "core/Date.h"

// One minute of a tag filter evaluation: the minute, the source tag's value for it and the
// filter tag's value for it (after the last known filter value was carried into minutes that
// have none). A plain value; the row arrays of an evaluation own their rows.
class CommonTagFilterRowType {
 public:
  core::Date TimeStamp() const { return timeStamp_; }
  void TimeStamp(core::Date value) { timeStamp_ = value; }
  double SourceValue() const { return sourceValue_; }
  void SourceValue(double value) { sourceValue_ = value; }
  double FilterValue() const { return filterValue_; }
  void FilterValue(double value) { filterValue_ = value; }

 private:
  core::Date timeStamp_;
  double sourceValue_ = 0;
  double filterValue_ = 0;
};

// A row array of a tag filter evaluation. Rows are numbered from 1: element 0 exists and is
// never used, so an array of size 1 (upper bound 0) holds no row.
using TagFilterRows = std::vector<CommonTagFilterRowType>;
