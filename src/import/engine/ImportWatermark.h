#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace core {
class Value;
}

// Which transaction id an import run may save as "last imported".
//
// The last-id file holds one id for every facility and variable of the collector, and the next
// run reads everything above it. So the id saved must never pass a transaction that some linked
// variable of some facility has not handled yet. The rule:
//
//  1. The run's range is fixed once, when it starts: (startId, endId], startId the id of the
//     file and endId the highest transaction id DeraRed held at that moment. Every variable
//     reads exactly that range, so a transaction that arrives while the run is between two
//     variables is read by none of them and waits for the next run. Log notes above endId are
//     left for the next run too. When endId cannot be read the run reads without an upper
//     bound, as it always did, and the id stays at startId.
//  2. An answer is handled when it was written, refused by the lock date or the approval level,
//     blank, or rejected: one that can never be written as it stands (not interpretable for its
//     variable, no usable date or time, refused by Krym for the data itself, of a
//     Second-interval variable, or a row DeraRed cannot hand over). A rejection is reported and
//     must not hold the id back forever. Anything that may heal holds the id below its
//     transaction: a note the logbook could not take now, a non-blank answer of a variable
//     whose definition did not load.
//  3. A failure of unknown extent holds the id at startId: a source out of reach after its
//     recovery cycle, a variable's read or the log-notes read that failed while DeraRed was
//     reachable (the whole range of that read), a facility's Krym database out of reach, a
//     facility skipped because the id or the bound could not be read, a facility that could not
//     be gathered, a stop request.
//  4. While facilities of the run are still to come, their answers from startId on are not
//     handled yet, so the id after any facility but the last is startId. After the last it is
//     endId lowered below the first unhandled transaction, never below startId.
//  5. A gap in the ids below endId may be a transaction that took its id before the run started
//     and commits after it (LateCommits): while the gap is young the id stays below it, so the
//     next run reads from there.
//
// The run still saves only in service mode, after a facility without failure, as it always did;
// this object only decides which id that is.
class ImportWatermark {
 public:
  // Fixes the run's range. An endId at or below startId, or not above 0, means there is nothing
  // new: the range is empty and the id stays at startId. Without an endId the range is open
  // above startId and the id stays at startId.
  void Begin(std::int32_t startId, std::optional<std::int32_t> endId);
  bool Begun() const { return begun_; }
  std::int32_t StartId() const { return startId_; }
  std::int32_t EndId() const { return endId_; }

  // StartTransId and EndTransId for a variable's read of the range. The reader's bounded query
  // includes its start, so the start is startId + 1; an empty range is given as 2..1, which no
  // id satisfies (the reader takes -1 and 0 for other meanings); an open one as startId, -1.
  std::int32_t ReadFrom() const;
  std::int32_t ReadTo() const;
  // Whether a record of this id lies inside the run's range (log notes are read without an
  // upper bound).
  bool InRange(const core::Value& id) const;

  // The transaction id was not handled: the id saved stays below it. An id that is no number
  // holds the id at startId.
  void HoldBelow(const core::Value& id);
  // Something of unknown extent was not handled.
  void HoldAtStart() { heldAtStart_ = true; }

  // The id that may be saved now; laterFacilities tells whether facilities of the run are
  // still to come. startId before Begin (0 then).
  std::int32_t SafeId(bool laterFacilities) const;

 private:
  bool begun_ = false;
  bool bounded_ = false;
  bool heldAtStart_ = false;
  std::int32_t startId_ = 0;
  std::int32_t endId_ = 0;
  std::int32_t cap_ = INT32_MAX;  // one below the lowest unhandled transaction
};

// The gaps in DeraRed's transaction ids, and since when this process has seen each. A
// transaction takes its id when it starts and shows when it commits: two handhelds syncing at
// once can make id 7 visible while 6 is still on its way. A gap below a run's bound may so be a
// transaction not committed yet; one that stays a while is a rollback, a deleted row or a jump
// of the id counter, and is passed. What the process has seen is kept per DeraRed database for
// as long as the process runs; a gap that is filled or falls below the run's start is forgotten.
class LateCommits {
 public:
  using Clock = std::chrono::steady_clock;

  // How long a gap may still be a transaction on its way.
  static constexpr std::chrono::minutes kWait{10};
  // The wait of the gaps seen from now on. For the tests only, which cannot wait ten minutes;
  // std::nullopt gives kWait back.
  static void WaitForTests(std::optional<Clock::duration> wait);

  // Notes the gaps that the ids present in (after, upTo] leave (ids ascending) for the
  // database named by source, and gives the lowest missing id that this process first saw
  // missing less than the wait before now; none when there is no such gap.
  static std::optional<std::int32_t> LowestYoungGap(const std::string& source, std::int32_t after, std::int32_t upTo,
                                                    const std::vector<std::int32_t>& ids,
                                                    Clock::time_point now = Clock::now());
};
