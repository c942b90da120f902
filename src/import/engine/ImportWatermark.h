#pragma once

#include <cstdint>
#include <optional>
#include <set>

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
//     and commits after it. It holds nothing: LateCommitWatch remembers it, and a later run
//     imports it when it has appeared. Such a late transaction lies at or below startId; what
//     holds it is kept apart (LateHandled) and never holds the id of the run's own range.
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
  // holds the id at startId. A late transaction (at or below startId) holds only itself.
  void HoldBelow(const core::Value& id);
  // Something of unknown extent was not handled.
  void HoldAtStart() { heldAtStart_ = true; }

  // The id that may be saved now; laterFacilities tells whether facilities of the run are
  // still to come. startId before Begin (0 then).
  std::int32_t SafeId(bool laterFacilities) const;
  // Every late transaction of the run waits (a read of them failed).
  void HoldLate() { lateHeld_ = true; }
  // Whether a late transaction the run read was handled: nothing held it, nor anything of
  // unknown extent.
  bool LateHandled(std::int32_t id) const { return !heldAtStart_ && !lateHeld_ && !heldLate_.count(id); }

 private:
  bool begun_ = false;
  bool bounded_ = false;
  bool heldAtStart_ = false;
  std::int32_t startId_ = 0;
  std::int32_t endId_ = 0;
  std::int32_t cap_ = INT32_MAX;  // one below the lowest unhandled transaction
  std::set<std::int32_t> heldLate_;
  bool lateHeld_ = false;
};
