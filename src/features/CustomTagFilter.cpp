#include "features/CustomTagFilter.h"

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "features/CommonTAGFilter.h"
#include "features/HistorianQueryText.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace {

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, level);
}

platform::db::Connection& Require(platform::db::Connection* connection) {
  if (connection == nullptr) core::Raise(91);
  return *connection;
}

void BindText(platform::db::Command& cmd, const std::string& name, const std::string& text) {
  cmd.CreateParameter(name, platform::db::adVarWChar, platform::db::adParamInput,
                      static_cast<long>(text.size() > 0 ? text.size() : 1), core::Value(text));
}

void BindDate(platform::db::Command& cmd, const std::string& name, core::Date d) {
  cmd.CreateParameter(name, platform::db::adDate, platform::db::adParamInput, 0, core::Value(d));
}

platform::db::Command Statement(platform::db::Connection& cnn, const std::string& text) {
  platform::db::Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandType(platform::db::adCmdText);
  cmd.CommandText(text);
  return cmd;
}

}  // namespace

CustomTagFilter::CustomTagFilter() : engine_(std::make_unique<CommonTAGFilter>()) { engine_->CustomTagFilter(this); }

CustomTagFilter::~CustomTagFilter() = default;

void CustomTagFilter::SourceTag(const core::Value& tag) { engine_->SourceTag(tag.ToString()); }
void CustomTagFilter::SourceStat(const core::Value& statistic) { engine_->SourceStatistic(statistic.ToString()); }
void CustomTagFilter::FilterTag(const core::Value& tag) { engine_->FilterTag(tag.ToString()); }
void CustomTagFilter::FilterOp(const core::Value& op) { engine_->FilterOp(op.ToString()); }
void CustomTagFilter::FilterValue(const core::Value& value) { engine_->FilterValue(value.ToString()); }
void CustomTagFilter::FilterHighRange(const core::Value& bound) { engine_->HighRangeFilter(bound); }
void CustomTagFilter::FilterLowRange(const core::Value& bound) { engine_->LowRangeFilter(bound); }
void CustomTagFilter::StartTime(core::Date start) { engine_->startdate(SqlDateLiteral(start)); }
void CustomTagFilter::EndTime(core::Date end) { engine_->enddate(SqlDateLiteral(end)); }

std::string CustomTagFilter::SqlDateLiteral(core::Date d) { return "'" + core::Format(d, "yyyy-mm-dd hh:mm:ss") + "'"; }

core::Date CustomTagFilter::ReadSqlDateLiteral(std::string_view text) {
  std::string s = core::Trim(text);
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') s = s.substr(1, s.size() - 2);
  const auto d = core::ParseDate(s);
  if (!d)
    throw core::RuntimeError(core::err::kTypeMismatch, "Type mismatch: " + std::string(text) + " is not a date",
                             "CustomTagFilter");
  return *d;
}

std::string CustomTagFilter::MinutesBefore(const std::string& date, std::int32_t minutes) const {
  return SqlDateLiteral(core::DateAdd("n", -static_cast<double>(minutes), ReadSqlDateLiteral(date)));
}

core::Value CustomTagFilter::GetFilteredDoubleResult(bool& errorOccured) {
  try {
    return engine_->GetResult(errorOccured);
  } catch (const core::RuntimeError& e) {
    // The caller gets no value; it must not read that as success.
    errorOccured = true;
    Log("Error in 'GetFilteredDoubleResult': " + e.Description(), 0);
    return core::Value();
  }
}

core::Value CustomTagFilter::GetFilteredTextResult(bool& errorOccured) {
  errorOccured = true;
  return core::Value::MakeNull();
}

HistorianQueryText CustomTagFilter::QueryText(const platform::db::Connection& cnn) const {
  HistorianQueryText text;
  text.dialect = HistorianQueryText::DialectOf(cnn.Family());
  text.schemaOwner = schemaOwner_;
  text.sourceTable = sourceTable_;
  text.filterTable = filterTable_;
  text.statistic = engine_->SourceStatistic();
  text.nos = nos_;
  return text;
}

bool CustomTagFilter::LoadRecordSet(const std::string& sDate, const std::string& EDate,
                                    platform::db::Recordset& resultRS, TagFilterRows& PreDimmedArray) {
  try {
    platform::db::Connection& cnn = Require(connection_);
    const std::string query = QueryText(cnn).RecordSetQuery();
    const core::Date from = ReadSqlDateLiteral(sDate);
    const core::Date to = ReadSqlDateLiteral(EDate);
    Log("LoadRecordSet: " + query, 3);

    cnn.CursorLocation(platform::db::adUseClient);
    platform::db::Command cmd = Statement(cnn, query);
    BindDate(cmd, "SourceFrom", from);
    BindDate(cmd, "SourceTo", to);
    BindText(cmd, "SourceTag", engine_->SourceTag());
    BindDate(cmd, "FilterFrom", from);
    BindDate(cmd, "FilterTo", to);
    BindText(cmd, "FilterTag", engine_->FilterTag());
    resultRS = cmd.Execute();
    const long count = resultRS.RecordCount();
    PreDimmedArray.assign(count < 1 ? 1 : static_cast<std::size_t>(count) + 1, CommonTagFilterRowType());
    return true;
  } catch (const core::RuntimeError& e) {
    CommonGlobals::ShowStatus("Error in 'LoadRecordSet': " + e.Description(), 0);
    return false;
  }
}

core::Value CustomTagFilter::LookUpLastValue() {
  try {
    platform::db::Connection& cnn = Require(connection_);
    const std::string query = QueryText(cnn).LastValueQuery();
    const core::Date start = ReadSqlDateLiteral(engine_->startdate());

    platform::db::Command cmd = Statement(cnn, query);
    BindText(cmd, "FilterTag", engine_->FilterTag());
    BindDate(cmd, "WindowStart", start);
    platform::db::Recordset rs = cmd.Execute();
    core::Value answer = core::Value::MakeNull();
    if (rs.State() == platform::db::adStateOpen && !rs.Eof()) answer = rs.Fields(0).Value();
    rs.Close();
    return answer;
  } catch (const core::RuntimeError& e) {
    Log("Error in 'LookupLastValue:" + e.Description(), 0);
    return core::Value::MakeNull();
  }
}
