#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/Date.h"
#include "core/Value.h"
#include "features/CommonTagFilterRowType.h"
#include "features/CommonTagFilterSource.h"

class CommonTAGFilter;
class HistorianQueryText;

namespace platform::db {
class Connection;
class Recordset;
}  // namespace platform::db

// The historian half of a tag filter: it owns one tag filter engine, passes the caller's
// settings on to it, and answers the engine's two data requests (the per-minute rows of a
// window, the filter tag's last value before it) from a process historian's sample tables
// (TagName, DateTime, Value) over a connection that the caller supplies, owns and opens; the
// connection must outlive every evaluation. The statements are HistorianQueryText's, in the
// dialect of the connection's driver, with tags and dates bound as parameters.
//
// The object is neither copied nor moved: its engine refers back to it.
class CustomTagFilter : public CommonTagFilterSource {
 public:
  CustomTagFilter();
  ~CustomTagFilter() override;
  CustomTagFilter(const CustomTagFilter&) = delete;
  CustomTagFilter& operator=(const CustomTagFilter&) = delete;

  void Connection(platform::db::Connection* connection) { connection_ = connection; }
  void NOS(std::int32_t samples) { nos_ = samples; }
  void schemaOwner(const std::string& owner) { schemaOwner_ = owner; }
  void SourceTableName(const std::string& table) { sourceTable_ = table; }
  void FilterTableName(const std::string& table) { filterTable_ = table; }

  // Passed on to the engine as text; a Null value raises core::RuntimeError 94.
  void SourceTag(const core::Value& tag);
  void SourceStat(const core::Value& statistic);
  void FilterTag(const core::Value& tag);
  void FilterOp(const core::Value& op);
  void FilterValue(const core::Value& value);
  // Passed on unchanged (Null: no bound on that side).
  void FilterHighRange(const core::Value& bound);
  void FilterLowRange(const core::Value& bound);
  // Passed on as date literals ('2015-11-09 14:05:00').
  void StartTime(core::Date start);
  void EndTime(core::Date end);

  // The engine's result (a Double or Null) and its error flag. A run-time error raised inside
  // the evaluation gives an Empty result with the flag True, and is logged.
  core::Value GetFilteredDoubleResult(bool& errorOccured);
  // Text results are not supported: the flag is always True and the result Null.
  core::Value GetFilteredTextResult(bool& errorOccured);

  // The engine's data requests. LoadRecordSet opens resultRS on the rows of the window from
  // sDate (inclusive) to EDate (exclusive), both date literals, and sizes PreDimmedArray for
  // them; False (with a status line) when the query could not run. LookUpLastValue gives the
  // filter tag's latest sample before the engine's window start, or Null (also on failure,
  // which is logged).
  bool LoadRecordSet(const std::string& sDate, const std::string& EDate, platform::db::Recordset& resultRS,
                     TagFilterRows& PreDimmedArray) override;
  core::Value LookUpLastValue() override;
  // The look-back bounds of the engine: the date literal minutes before a date literal.
  std::string MinutesBefore(const std::string& date, std::int32_t minutes) const override;

  // The date text form of the window bounds: "'" + yyyy-mm-dd hh:mm:ss (24-hour) + "'".
  static std::string SqlDateLiteral(core::Date d);
  // Reads such a text back (the quotes may be missing); core::RuntimeError 13 when it holds no date.
  static core::Date ReadSqlDateLiteral(std::string_view text);

  // The engine, for reading back what was passed on.
  const CommonTAGFilter& TagFilter() const { return *engine_; }

 private:
  HistorianQueryText QueryText(const platform::db::Connection& cnn) const;

  std::unique_ptr<CommonTAGFilter> engine_;
  platform::db::Connection* connection_ = nullptr;
  std::int32_t nos_ = 0;
  std::string schemaOwner_, sourceTable_, filterTable_;
};
