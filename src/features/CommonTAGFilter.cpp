#include "features/CommonTAGFilter.h"

#include <cmath>
#include <string_view>

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/db/Recordset.h"

namespace {

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

// The upper bound of a row array as the 16-bit index that walks it.
std::int16_t UpperBound(const TagFilterRows& rows) {
  const std::size_t ub = rows.empty() ? 0 : rows.size() - 1;
  if (ub > static_cast<std::size_t>(CommonTAGFilter::kMaxRows)) core::Raise(core::err::kOverflow);
  return static_cast<std::int16_t>(ub);
}

// Row arithmetic in the 16-bit range of the indexes.
std::int16_t RowIndex(std::int32_t i) {
  if (i < INT16_MIN || i > INT16_MAX) core::Raise(core::err::kOverflow);
  return static_cast<std::int16_t>(i);
}

TagFilterRows EmptyRows() { return TagFilterRows(1); }

void Append(TagFilterRows& dst, const CommonTagFilterRowType& row) {
  UpperBound(dst);  // growing past the 16-bit bound is the same overflow
  if (dst.empty()) dst.resize(1);
  dst.push_back(row);
}

// The whole operator against "WORD(*)": the word and "(" first, ")" last.
bool MatchesArgumentForm(const std::string& op, std::string_view word) {
  return op.size() >= word.size() + 2 && op.compare(0, word.size(), word) == 0 && op[word.size()] == '(' &&
         op.back() == ')';
}

double NumberOf(const std::string& text) {
  const auto n = core::ParseNumber(text);
  if (!n) core::Raise(core::err::kTypeMismatch);
  return *n;
}

}  // namespace

CommonTAGFilter::CommonTAGFilter() = default;

void CommonTAGFilter::SourceStatistic(const std::string& value) { sourceStatistic_ = core::UCase(value); }

double CommonTAGFilter::Ceil(double x) { return core::RoundHalfEven(x + 0.5); }

core::Value CommonTAGFilter::GetResult(bool& executionErrorOccured) {
  // Any way out before the statistic is a failure.
  executionErrorOccured = true;
  if (owner_ == nullptr) {
    Log("TAGFilter has no data source to read the window from", 0);
    return core::Value::MakeNull();
  }
  // The arrays and the recordset are locals: every way out releases them.
  TagFilterRows loaded = EmptyRows();
  TagFilterRows rangeKept = EmptyRows();
  TagFilterRows kept = EmptyRows();
  platform::db::Recordset recordset;

  if (!owner_->LoadRecordSet(startDate_, endDate_, recordset, loaded)) return core::Value::MakeNull();
  if (!CarryLastValue(recordset, loaded)) return core::Value::MakeNull();
  recordset.Close();
  if (!ApplyFilter(loaded, rangeKept)) return core::Value::MakeNull();
  if (!ApplyFilterOp(rangeKept, kept)) return core::Value::MakeNull();
  core::Value result = ComputeStatistic(kept);
  executionErrorOccured = false;
  return result;
}

bool CommonTAGFilter::CarryLastValue(platform::db::Recordset& recordset, TagFilterRows& rows) {
  try {
    if (rows.empty()) rows.resize(1);
    core::Value last = core::Value::MakeNull();
    std::int16_t i = 0;
    while (!recordset.Eof()) {
      const core::Value filter = recordset.Fields(2).Value();
      if (!filter.IsNull()) {
        last = filter;
      } else if (last.IsNull()) {
        // The window starts without a filter value: the one before the window serves. Once
        // known, the last value is never Null again, so this is asked at most once.
        last = owner_->LookUpLastValue();
        if (last.IsNull()) return false;
      }
      i = RowIndex(i + 1);
      if (rows.size() <= static_cast<std::size_t>(i)) rows.resize(static_cast<std::size_t>(i) + 1);
      CommonTagFilterRowType& row = rows[static_cast<std::size_t>(i)];
      row.TimeStamp(recordset.Fields(0).Value().ToDate());
      row.SourceValue(recordset.Fields(1).Value().ToDouble());
      row.FilterValue(last.ToDouble());
      recordset.MoveNext();
    }
    return true;
  } catch (const core::RuntimeError& e) {
    Log("Error in 'CarryLastValue': " + e.Description(), 0);
    return false;
  }
}

bool CommonTAGFilter::ApplyFilter(const TagFilterRows& src, TagFilterRows& dst) {
  try {
    dst = EmptyRows();
    const std::int16_t ub = UpperBound(src);
    for (std::int32_t i = 1; i <= ub; ++i) {
      const CommonTagFilterRowType& row = src[static_cast<std::size_t>(i)];
      const double v = row.SourceValue();
      const bool aboveLow = lowRange_.IsNull() || v > lowRange_.ToDouble();
      const bool belowHigh = highRange_.IsNull() || v < highRange_.ToDouble();
      if (aboveLow && belowHigh) Append(dst, row);
    }
    return true;
  } catch (const core::RuntimeError& e) {
    Log("Error in 'ApplyFilter': " + e.Description(), 0);
    return false;
  }
}

bool CommonTAGFilter::ReadOperatorArgument(const std::string& word, std::int16_t& n) const {
  const std::size_t open = filterOp_.find('(');
  const std::string after = filterOp_.substr(open + 1);
  const std::string argument = after.substr(0, after.find(')'));
  if (filterOp_.substr(0, open) != word || argument.empty() || !core::IsNumericText(argument)) {
    Log("TAGfilter : Invalid Syntax (FilterOp =" + filterOp_ + ")", 2);
    return false;
  }
  n = core::ToInteger(NumberOf(argument));
  return true;
}

bool CommonTAGFilter::ApplyFilterOp(const TagFilterRows& src, TagFilterRows& dst) {
  filterOp_ = core::UCase(filterOp_);
  dst = EmptyRows();
  const std::string& op = filterOp_;
  try {
    const std::int16_t ub = UpperBound(src);
    // Read when a comparison needs it: an operator that keeps nothing never reads it.
    auto fv = [this] { return NumberOf(filterValue_); };
    core::Value previous = core::Value::MakeNull();  // CYCLESTO
    std::int16_t n = 0;                              // the argument of the forms with one
    bool crossed = false;                            // GOES< and GOES>
    TagFilterRows lookBack = EmptyRows();            // ACT and BCT

    for (std::int32_t i = 1; i <= ub; ++i) {
      const CommonTagFilterRowType& row = src[static_cast<std::size_t>(i)];
      const double value = row.FilterValue();
      bool keep = true;
      if (op == "=") {
        keep = value == fv();
      } else if (op == "<>") {
        keep = value != fv();
      } else if (op == ">") {
        keep = value > fv();
      } else if (op == "<") {
        keep = value < fv();
      } else if (op == ">=") {
        keep = value >= fv();
      } else if (op == "<=") {
        keep = value <= fv();
      } else if (op == "CYCLESTO") {
        if (i == 1) previous = owner_->LookUpLastValue();
        keep = !previous.IsNull() && value == fv() && previous.ToDouble() != fv();
        previous = core::Value(value);
      } else if (MatchesArgumentForm(op, "ACT") || MatchesArgumentForm(op, "BCT")) {
        const bool after = op[0] == 'B';
        if (i == 1) {
          if (!ReadOperatorArgument(after ? "BCT" : "ACT", n)) return false;
          // The look-back rows reach n - 1 minutes before the window for ACT and n + 1 for BCT.
          // ACT(n) thus never sees a change for the first two rows: the minutes it reads for them
          // lie before the look-back rows.
          const std::int32_t minutes = after ? static_cast<std::int32_t>(n) + 1 : static_cast<std::int32_t>(n) - 1;
          if (!ACT_First(minutes, lookBack)) {
            lookBack = EmptyRows();
            keep = false;
          }
        }
        if (keep) {
          const core::Date t = core::DateAdd("n", after ? n : -static_cast<double>(n), row.TimeStamp());
          keep = ACT_Fire(t, fv(), src, lookBack);
        }
      } else if (MatchesArgumentForm(op, "GOES<") || MatchesArgumentForm(op, "GOES>")) {
        const bool below = op[4] == '<';
        if (i == 1 && !ReadOperatorArgument(below ? "GOES<" : "GOES>", n)) return false;
        if (!crossed) {
          const std::int16_t j = RowIndex(static_cast<std::int32_t>(i) - n);
          if (j >= 1 && j <= ub) {
            const double earlier = src[static_cast<std::size_t>(j)].FilterValue();
            crossed = below ? earlier < fv() : earlier > fv();
          }
        }
        keep = crossed;
      } else {
        keep = false;
      }
      if (keep) Append(dst, row);
    }
    return true;
  } catch (const core::RuntimeError&) {
    // A filter value that is no number, or row arithmetic out of range: the operator cannot be
    // applied, and the evaluation fails.
    return false;
  }
}

bool CommonTAGFilter::ACT_First(std::int32_t minutes, TagFilterRows& lookBack) {
  try {
    const std::string from = owner_->MinutesBefore(startDate_, minutes);
    platform::db::Recordset recordset;
    lookBack = EmptyRows();
    if (!owner_->LoadRecordSet(from, startDate_, recordset, lookBack)) return false;
    return CarryLastValue(recordset, lookBack);
  } catch (const core::RuntimeError& e) {
    Log("Error in 'ACT_First': " + e.Description(), 0);
    return false;
  }
}

bool CommonTAGFilter::ACT_Fire(core::Date t, double target, const TagFilterRows& rows, const TagFilterRows& lookBack) {
  try {
    if (UpperBound(rows) < 1) return false;
    const core::Date before = core::DateAdd("n", -1, t);
    // Minutes, not exact instants, decide which array holds t.
    const long long fromFirst = core::DateDiff("n", rows[1].TimeStamp(), t);
    core::Value atT, atBefore;
    if (fromFirst == 0) {
      atT = LookupFilterValueAt(rows, t);
      atBefore = LookupFilterValueAt(lookBack, before);
    } else if (fromFirst > 0) {
      atT = LookupFilterValueAt(rows, t);
      atBefore = LookupFilterValueAt(rows, before);
    } else {
      if (UpperBound(lookBack) < 1) return false;
      atT = LookupFilterValueAt(lookBack, t);
      atBefore = LookupFilterValueAt(lookBack, before);
    }
    if (atT.IsNull() || atBefore.IsNull()) return false;
    return atT.ToDouble() == target && atBefore.ToDouble() != target;
  } catch (const core::RuntimeError& e) {
    Log("Error in 'ACT_Fire': " + e.Description(), 0);
    return false;
  }
}

core::Value CommonTAGFilter::LookupFilterValueAt(const TagFilterRows& rows, core::Date when) {
  const std::int16_t ub = UpperBound(rows);
  for (std::int32_t i = 1; i <= ub; ++i) {
    const CommonTagFilterRowType& row = rows[static_cast<std::size_t>(i)];
    if (core::DateDiff("n", row.TimeStamp(), when) == 0) return core::Value(row.FilterValue());
  }
  return core::Value::MakeNull();
}

core::Value CommonTAGFilter::ComputeStatistic(const TagFilterRows& rows) const {
  const std::int16_t ub = UpperBound(rows);
  const std::string& stat = sourceStatistic_;
  const bool known = stat == "AVERAGE" || stat == "TOTAL" || stat == "MAXIMUM" || stat == "MINIMUM" ||
                     stat == "FIRST" || stat == "LAST" || stat == "RANGE" || stat == "DIFF";
  if (!known) {
    Log("TAGFilter does not support statistic " + stat, 2);
    return core::Value::MakeNull();
  }
  if (ub < 1) return core::Value::MakeNull();

  double sum = 0;
  double high = rows[1].SourceValue();
  double low = high;
  for (std::int32_t i = 1; i <= ub; ++i) {
    const double v = rows[static_cast<std::size_t>(i)].SourceValue();
    sum += v;
    if (v > high) high = v;
    if (v < low) low = v;
  }
  const double first = rows[1].SourceValue();
  const double last = rows[static_cast<std::size_t>(ub)].SourceValue();
  if (stat == "AVERAGE") return core::Value(sum / ub);
  if (stat == "TOTAL") return core::Value(sum);
  if (stat == "MAXIMUM") return core::Value(high);
  if (stat == "MINIMUM") return core::Value(low);
  if (stat == "FIRST") return core::Value(first);
  if (stat == "LAST") return core::Value(last);
  if (stat == "RANGE") return core::Value(high - low);
  // DIFF: a counter that went down has rolled over at the next power of ten above its first value.
  double diff = last - first;
  if (diff < 0) {
    if (first <= 0) core::Raise(core::err::kInvalidCall, "DIFF");
    diff = last + std::pow(10.0, Ceil(std::log(first) / std::log(10.0))) - first;
  }
  return core::Value(diff);
}
