#pragma once

#include <cstdint>

#include "core/Date.h"

class CommonTypeVarRec;

// Walks a date range slot by slot in the interval of one Krym variable's type (hour, 15 minutes,
// day ...). For each slot it gives the stamp under which Krym stores the slot and the start and
// end of the part of the slot to read from a source, narrowed by the variable's time window
// (its start and stop minutes, read from the record at each call).
//
//   walker.Init(start, end, record);
//   for (; !walker.Eof(); walker.MoveNext()) use(walker.VornKrymslotDateStamp(), walker.SlotStart(), walker.SlotEnd());
//
// The record is borrowed and must outlive the walk.
class CommonTypeDateManager {
 public:
  // Slots from the one that holds start up to, not including, the one that holds end; a daily
  // type with interface type 1 starts one day earlier. False (logged, nothing to walk) for a
  // type whose interval is shorter than a minute.
  bool Init(core::Date start, core::Date end, const CommonTypeVarRec& record);

  // True past the last slot, or once the current slot would end after the requested end.
  bool Eof() const;
  void MoveNext() { ++index_; }
  std::int32_t NumberOfSlots() const { return slotCount_; }

  core::Date SlotStart() const;
  core::Date SlotEnd() const;
  core::Date VornKrymslotDateStamp() const;

 private:
  const CommonTypeVarRec* record_ = nullptr;
  std::int32_t slotLength_ = 0;  // minutes
  std::int32_t slotCount_ = 0;
  std::int32_t index_ = 0;
  core::Date base_;  // stamp of slot 0
  core::Date requestedEnd_;
};
