#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Date.h"
#include "import/engine/LateCommitWatch.h"

class CustomSource;
class ImportWatermark;

// What happens to a gap: the late-commit part of a service run (interactive and test runs save
// no id, so they neither keep nor use the watch).
//
//  1. Once the run's range (startId, endId] is fixed, the watch file is read (LateCommitWatch).
//     Every watched id at or below startId is looked for first: those that have appeared are
//     the run's late transactions, which every variable and the notes read, with their ids
//     bound, before the run's own range. Then the range is listed: the ids missing in it are
//     the run's gaps, and are watched. Only then is the watch aged: a range is dropped once a
//     run has looked for it in vain when it had been watched for LateCommitWatch::kWatchFor, so
//     a run late by a second, or a day without DeraRed, drops nothing unread. What the bound
//     gives up before its time is named in one line.
//  2. A run imports exactly the transactions its listing saw: an answer or note of an id that
//     was a gap at the listing (committed since), or of a watched id below the range that was
//     not found, is left to the watch, for every variable alike, so no transaction is half
//     imported and none is written by this run and again by the next.
//  3. The saves. The watch is saved after the listing, before any id save: a saved id never
//     passes a gap that is not in the file (when the watch cannot be saved, the id is held
//     below the lowest new gap). At the end of the last facility, before its id save, the late
//     transactions it handled leave the watch and it is saved again; those still held are
//     watched on as if first seen then. So a kill before the first watch save changes nothing;
//     one between the two watch saves imports the late ones again in the next run, whose range
//     also starts where this one did; one between the last watch save and the id save leaves
//     the late ones forgotten (written once) and the new gaps watched, while the next run reads
//     this run's range again from the same start and lists the gaps anew.
//  4. A watch file that cannot be read (no regular file, too large, damaged) is said in one
//     line and the watch starts afresh from the saved id: the listing of the range still finds
//     every gap above it. A watch saved in vain is tried at the next save even when nothing
//     changed, and its recovery is told once.
class LateCommitRun {
 public:
  using TimePoint = LateCommitWatch::TimePoint;
  using Clock = std::function<TimePoint()>;

  // The clock the watch ages by (std::chrono::system_clock unless one is set).
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  // Called between the listing of the run's range and its first read (for the tests).
  void AfterListing(std::function<void()> hook) { afterListing_ = std::move(hook); }

  // A run's start: whether it keeps the watch.
  void Reset(bool watching);
  bool Watching() const { return watching_; }
  // Step 1 once the watermark has begun with a bound; false when a part of it failed (said in
  // a line; the run is then no success). A stop request ends it early, and nothing is saved.
  bool Begin(CustomSource& reader, ImportWatermark& watermark);
  // The late transactions found, ascending and apart.
  const std::vector<LateCommitWatch::Range>& LateRanges() const { return late_; }
  bool IsLate(std::int32_t id) const;
  // Step 2: whether the answers and notes of the id are left to the watch.
  bool LeftToWatch(std::int32_t id) const;

  // While a variable's late transactions are written: the slots answers of higher ids, imported
  // by earlier runs, have written, each with the highest such id. In a run that had read them
  // all, the answer of the higher id would have been written last, so it stays.
  void StartLatePasses() { writtenLater_.clear(); }
  void NoteWrittenLater(core::Date slot, std::int32_t id);
  // The higher id that wrote the slot after id, if any.
  std::optional<std::int32_t> WrittenLater(core::Date slot, std::int32_t id) const;

  // Step 3's second save, once per run (before the last facility's id save, or at the run's
  // end); false when the watch could not be saved.
  bool End(const ImportWatermark& watermark);

 private:
  TimePoint Now() const;
  // Looks for the watched ids at or below startId; the highest id looked for.
  std::int32_t LookForWatched(CustomSource& reader, std::int32_t startId, bool& ok);
  void TellGivenUp(TimePoint now);
  bool Save();

  bool watching_ = false;
  bool ended_ = true;
  LateCommitWatch watch_;
  std::string path_;
  std::string former_;  // a file of the former name adopted, removed once the watch is saved
  std::int32_t startId_ = 0;
  std::vector<LateCommitWatch::Range> late_;
  bool listed_ = false;
  bool savedInVain_ = false;                  // in this run
  std::vector<LateCommitWatch::Range> gaps_;  // the listing's
  std::map<core::Date, std::int32_t> writtenLater_;
  Clock clock_;
  std::function<void()> afterListing_;
};
