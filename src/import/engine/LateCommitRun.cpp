#include "import/engine/LateCommitRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Value.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "import/engine/ImportWatermark.h"
#include "import/source/CustomSource.h"
#include "platform/os/StopRequest.h"

namespace {

void Status(const std::string& text, std::int16_t level = 0) { CommonGlobals::ShowStatus(text, level); }
void Alert(const std::string& text) { CommonGlobals::ShowAlert(text); }

// Watched ranges this close together are looked for with one listing of the ids between them.
constexpr std::int64_t kLookSpan = 100000;
// The given-up ranges a line names one by one.
constexpr std::size_t kNamed = 20;

std::string Ids(const LateCommitWatch::Range& r) {
  return std::to_string(r.first) + (r.last > r.first ? "-" + std::to_string(r.last) : std::string());
}

bool Within(const std::vector<LateCommitWatch::Range>& ranges, std::int32_t id) {
  const auto it = std::upper_bound(ranges.begin(), ranges.end(), id,
                                   [](std::int32_t n, const LateCommitWatch::Range& r) { return n < r.first; });
  return it != ranges.begin() && std::prev(it)->last >= id;
}

}  // namespace

void LateCommitRun::Reset(bool watching) {
  watching_ = watching;
  ended_ = !watching;
  watch_ = LateCommitWatch();
  path_.clear();
  former_.clear();
  late_.clear();
  listed_ = false;
  savedInVain_ = false;
  gaps_.clear();
  writtenLater_.clear();
}

LateCommitRun::TimePoint LateCommitRun::Now() const { return clock_ ? clock_() : std::chrono::system_clock::now(); }

bool LateCommitRun::IsLate(std::int32_t id) const { return Within(late_, id); }

bool LateCommitRun::LeftToWatch(std::int32_t id) const {
  if (!watching_) return false;
  if (id > startId_) return listed_ && Within(gaps_, id);
  return watch_.Watches(id) && !IsLate(id);
}

void LateCommitRun::NoteWrittenLater(core::Date slot, std::int32_t id) {
  std::int32_t& highest = writtenLater_[slot];
  highest = std::max(highest, id);
}

std::optional<std::int32_t> LateCommitRun::WrittenLater(core::Date slot, std::int32_t id) const {
  const auto later = writtenLater_.find(slot);
  if (later == writtenLater_.end() || later->second <= id) return std::nullopt;
  return later->second;
}

bool LateCommitRun::Begin(CustomSource& reader, ImportWatermark& watermark) {
  if (!watching_) return true;
  bool ok = true;
  const TimePoint now = Now();
  startId_ = watermark.StartId();
  path_ = LateCommitWatch::FilePath();
  const std::string fromSaved = "it is started afresh from the last imported id " + std::to_string(startId_) +
                                ", whose later gaps the run lists again, and the import goes on.";
  bool exists = false;
  std::string why;
  const bool read = watch_.Load(path_, exists, why);
  if (!read && why.empty()) {  // a stop request: the run ends, and the file stays as it is
    Reset(false);
    return true;
  }
  if (!read) {
    Status("The late-commit watch " + path_ + " cannot be read (" + why + "): " + fromSaved);
  } else if (!exists) {
    // A watch kept under the name earlier versions gave it is the same database's.
    const std::string former = LateCommitWatch::FormerFilePath();
    LateCommitWatch old;
    bool oldExists = false;
    std::string oldWhy;
    if (former != path_ && old.Load(former, oldExists, oldWhy) && oldExists) {
      watch_ = std::move(old);
      watch_.Touch();
      former_ = former;
      Status("The late-commit watch " + former + " is kept as " + path_ + " from now on.", 1);
    } else if (platform::os::StopRequested()) {
      Reset(false);
      return true;
    } else if (startId_ > 0 && LateCommitWatch::OtherWatchIn(path_)) {
      Status("The late-commit watch " + path_ + " of the DeraRed " + LateCommitWatch::Database() +
             " is missing: the source settings name another DeraRed database than the watches beside it, so " +
             fromSaved);
    } else if (startId_ > 0) {
      // No watch of any database yet: a new installation, or one of a version without it.
      Status("There is no late-commit watch " + path_ + " yet: it starts from the last imported id " +
                 std::to_string(startId_) + ".",
             5);
    }
  }

  const std::int32_t looked = LookForWatched(reader, startId_, ok);
  if (platform::os::StopRequested()) {
    Reset(false);
    return true;
  }

  const std::int32_t endId = watermark.EndId();
  bool rangeListed = endId <= startId_;
  if (endId > startId_) {
    bool failed = false;
    const std::vector<std::int32_t> ids = reader.ReadTransIds(startId_, endId, failed);
    if (failed) {
      // A transaction on its way cannot be told from a gap that stays: nothing above the start
      // id may be passed.
      watermark.HoldAtStart();
      ok = false;
      Alert("The transaction ids up to " + std::to_string(endId) +
            " could not be listed: a transaction still on its way cannot be ruled out, so the last imported id is "
            "held.");
    } else {
      gaps_ = watch_.NoteGaps(startId_, endId, ids, now);
      listed_ = rangeListed = true;
      TellGivenUp(now);
    }
  }
  if (afterListing_) afterListing_();
  // Only what this run has looked for may age out.
  watch_.Age(now, looked < startId_ || !rangeListed ? looked : std::max(startId_, endId), late_);

  // A save that failed last time is tried again, so that its recovery is seen.
  const QALLoggerTXT* logger = Program().logger;
  if (read && exists && !watch_.Changed() && !(logger && logger->FileFailing(path_))) return ok;
  if (Save()) return ok;
  // Unwatched, a gap the saved id passed would be lost: the id stays below the lowest.
  for (const LateCommitWatch::Range& r : watch_.RangesUpTo(endId)) {
    if (r.first > startId_) {
      watermark.HoldBelow(core::Value(r.first));
      break;
    }
  }
  return false;
}

std::int32_t LateCommitRun::LookForWatched(CustomSource& reader, std::int32_t startId, bool& ok) {
  const std::vector<LateCommitWatch::Range> watched = watch_.RangesUpTo(startId);
  for (std::size_t i = 0; i < watched.size();) {
    if (platform::os::StopRequested()) return watched[i].first - 1;
    std::size_t j = i + 1;
    while (j < watched.size() && static_cast<std::int64_t>(watched[j].last) - watched[i].first < kLookSpan) ++j;
    bool failed = false;
    const std::vector<std::int32_t> ids = reader.ReadTransIds(watched[i].first - 1, watched[j - 1].last, failed);
    if (failed) {
      ok = false;
      Alert("The transaction ids watched for a late commit could not be checked: the next run checks them again.");
      return watched[i].first - 1;
    }
    // The ids listed between the ranges are no late ones.
    std::size_t k = i;
    for (const std::int32_t id : ids) {
      while (k < j && watched[k].last < id) ++k;
      if (k == j) break;
      if (id < watched[k].first) continue;
      if (!late_.empty() && late_.back().last + 1 == id && late_.back().seen == watched[k].seen)
        late_.back().last = id;
      else
        late_.push_back({id, id, watched[k].seen});
    }
    i = j;
  }
  return startId;
}

void LateCommitRun::TellGivenUp(TimePoint now) {
  std::vector<LateCommitWatch::Range> young;
  for (const LateCommitWatch::Range& r : watch_.GivenUp())
    if (now - r.seen < LateCommitWatch::kWatchFor) young.push_back(r);
  if (young.empty()) return;
  std::string ids;
  for (std::size_t i = 0; i < young.size() && i < kNamed; ++i) ids += (i ? ", " : "") + Ids(young[i]);
  if (young.size() > kNamed)
    ids += " and " + std::to_string(young.size() - kNamed) + " more ranges up to " + std::to_string(young.back().last);
  Alert("The late-commit watch " + path_ + " keeps at most " + std::to_string(LateCommitWatch::kMostRanges) +
        " ranges of ids: it gives up the ids " + ids + ", watched for less than a day; should one of them commit, " +
        "it is not imported.");
}

bool LateCommitRun::End(const ImportWatermark& watermark) {
  if (ended_) return true;
  ended_ = true;
  if (path_.empty()) return true;
  const TimePoint now = Now();
  for (const LateCommitWatch::Range& r : late_) {
    for (std::int64_t id = r.first; id <= r.last; ++id) {
      const auto n = static_cast<std::int32_t>(id);
      if (watermark.LateHandled(n)) {
        watch_.Forget(n);
        Status("Imported transaction " + std::to_string(n) +
               ", which DeraRed committed after an earlier run had passed its id.");
      } else {
        // Held: it is watched on until it can be imported.
        watch_.Renew(n, now);
      }
    }
  }
  // A save that failed in an earlier run is tried once more; one that failed in this run only
  // when the late ones changed the watch since.
  if (savedInVain_) return late_.empty() ? false : Save();
  QALLoggerTXT* logger = Program().logger;
  if (watch_.Changed() || (logger && logger->FileFailing(path_))) return Save();
  return true;
}

bool LateCommitRun::Save() {
  QALLoggerTXT* logger = Program().logger;
  try {
    watch_.Save(path_);
    if (logger) logger->FileRecovered(path_, "The late-commit watch " + path_ + " is saved again.");
    if (!former_.empty()) {
      struct stat st {};
      if (::lstat(former_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(former_.c_str());
      former_.clear();
    }
    return true;
  } catch (const core::RuntimeError& e) {
    const std::string line = "The late-commit watch " + path_ + " cannot be written (" + std::to_string(e.Number()) +
                             " - " + core::OutsideText(e.Description()) +
                             "): the last imported id stays below the ids it should watch, and the next run reads "
                             "them again.";
    Alert(line);
    savedInVain_ = true;
    // One of the program's own files: the journal hears of it, once per cause.
    if (logger) logger->ReportFileFailure(path_, e.Description(), line);
    return false;
  }
}
