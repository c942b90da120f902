#include "import/engine/SessionStatistics.h"

#include "core/Clock.h"
#include "core/OutsideText.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "import/model/CommonTypeVarRec.h"

namespace {

// A time difference never counts as less than this, so that rates stay finite.
constexpr double kShortestTime = 0.00001;

void Status(const std::string& text, std::int16_t level) { CommonGlobals::ShowStatus(text, level); }

// Whether a status line of the level reaches the activity list or the log at all.
bool Shown(std::int16_t level) {
  const ProgramContext& ctx = Program();
  return level <= (ctx.logger ? ctx.logger->Verbosity() : 0);
}

std::string Rounded(double value, std::int32_t decimals) {
  return core::NumberText(CommonGlobals::RoundValue(value, decimals));
}

}  // namespace

double SessionStatistics::SecondsSinceMidnight() { return Program().clock->Now().TimePart() * 86400.0; }

void SessionStatistics::AddReadStatistics(double startSeconds, double endSeconds, std::int32_t records) {
  double d = endSeconds - startSeconds;
  if (d < kShortestTime) d = kShortestTime;
  readSeconds_ += d;
  readRecords_ += records;
}

std::string SessionStatistics::WriteLine(core::Date stamp, const CommonTypeVarRec& record, const std::string& text) {
  // Built once for every value written, so in one buffer rather than through temporaries.
  const std::string when = core::Format(stamp, "mm/dd/yyyy HH:nn");
  const std::string number = std::to_string(record.gNumber());
  // The facility, name, unit and value come from Krym and DeraRed: each is quoted cut.
  const std::string facility = core::OutsideText(record.gFacilID());
  const std::string name = core::OutsideText(record.gName());
  const std::string value = core::OutsideText(text);
  const std::string units = core::OutsideText(record.gUnits());
  std::string line;
  line.reserve(16 + when.size() + facility.size() + number.size() + name.size() + value.size() + units.size());
  line.append("Wrote Data ").append(when).append("  ").append(facility).append(":").append(number);
  line.append("\t").append(name).append("\t").append(value).append(" ").append(units);
  return line;
}

void SessionStatistics::LogWriteOutcome(core::Date stamp, const CommonTypeVarRec& record, const std::string& text,
                                        bool logical, bool physical, bool skipped) {
  if (logical) ++logicalWrites_;
  if (physical) ++physicalWrites_;
  if (skipped) ++skippedWrites_;
  // The refusal's line is at level 1, which a service's log at verbosity 0 does not keep.
  const bool showRefusal = skipped && Shown(1);
  if (!logical && !showRefusal) return;  // no line to build
  const std::string line = WriteLine(stamp, record, text);
  if (logical) Status(line, 0);
  if (showRefusal)
    Status("Approval Level of Data (Or Lock Date) disallowed interface to write record '" + line + "'", 1);
}

void SessionStatistics::LogSessionStatistics() {
  elapsedSeconds_ = SecondsSinceMidnight() - sessionStart_;
  if (elapsedSeconds_ < kShortestTime) elapsedSeconds_ = kShortestTime;

  Status("Session Statistics :", 0);
  auto line = [](const char* label, const std::string& value) { Status(std::string(" ") + label + "\t" + value, 0); };
  line("# of Logical Write Transactions   : ", std::to_string(logicalWrites_));
  line("# of Physical Write Transactions  : ", std::to_string(physicalWrites_));
  line("# of Skipped Write Transactions   : ", std::to_string(skippedWrites_));
  line("# of Source Connection Failures   : ", std::to_string(sourceFailures_));
  line("# of Target Connection Failures   : ", std::to_string(targetFailures_));
  line("# Seconds Elapsed                 : ", Rounded(elapsedSeconds_, 0));
  line("# Read Total Records              : ", std::to_string(readRecords_));
  line("# Read Records per Second         : ",
       readSeconds_ == 0 ? std::string("N/A") : Rounded(readRecords_ / readSeconds_, 2));
  line("# Write Transactions per Second   : ", Rounded(logicalWrites_ / elapsedSeconds_, 2));
}
