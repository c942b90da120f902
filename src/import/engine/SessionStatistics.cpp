#include "import/engine/SessionStatistics.h"

#include "core/Clock.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "import/model/CommonTypeVarRec.h"

namespace {

// A time difference never counts as less than this, so that rates stay finite.
constexpr double kShortestTime = 0.00001;

void Status(const std::string& text, std::int16_t level) { CommonGlobals::ShowStatus(text, level); }

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
  return "Wrote Data " + core::Format(stamp, "mm/dd/yyyy HH:nn") + "  " + record.gFacilID() + ":" +
         std::to_string(record.gNumber()) + "\t" + record.gName() + "\t" + text + " " + record.gUnits();
}

void SessionStatistics::LogWriteOutcome(core::Date stamp, const CommonTypeVarRec& record, const std::string& text,
                                        bool logical, bool physical, bool skipped) {
  const std::string line = WriteLine(stamp, record, text);
  if (logical) {
    ++logicalWrites_;
    Status(line, 0);
  }
  if (physical) ++physicalWrites_;
  if (skipped) {
    ++skippedWrites_;
    Status("Approval Level of Data (Or Lock Date) disallowed interface to write record '" + line + "'", 1);
  }
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
