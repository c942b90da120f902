#include "features/CommonTypeDateManager.h"

#include <cstdlib>
#include <string>

#include "core/RuntimeError.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "import/model/CommonTypeVarRec.h"
#include "import/model/VarTypeFunctions.h"

bool CommonTypeDateManager::Init(core::Date start, core::Date end, const CommonTypeVarRec& record) {
  record_ = &record;
  index_ = 0;
  slotCount_ = 0;
  slotLength_ = 0;
  requestedEnd_ = end;
  const std::string& type = record.gVarType();
  const core::Date a = VarTypeFunctions::GetSlotStartDate(start, type);
  const core::Date b = VarTypeFunctions::GetSlotStartDate(end, type);
  base_ = a;
  try {
    slotLength_ = core::ToLong(1440.0 / VarTypeFunctions::GetSlotsPerDay(type));
  } catch (const core::RuntimeError&) {
    slotLength_ = 0;  // a Second type: 86400 slots a day do not fit the slot count
  }
  if (slotLength_ < 1) {
    if (QALLoggerTXT* logger = Program().logger)
      logger->WriteLog("CommonTypeDateManager: the slots of variable type '" + type +
                           "' are shorter than a minute and cannot be walked",
                       0);
    return false;
  }
  const long long minutes = std::llabs(core::DateDiff("n", a, b));
  // The slot that holds the end is not counted.
  slotCount_ = core::ToLong(static_cast<double>(minutes) / slotLength_);
  if (VarTypeFunctions::IsDailyVar(type) && record.gInterfaceType() == 1) {
    base_ = core::DateAdd("d", -1, base_);
    ++slotCount_;
  }
  return true;
}

core::Date CommonTypeDateManager::VornKrymslotDateStamp() const {
  return core::DateAdd("n", static_cast<double>(index_) * slotLength_, base_);
}

core::Date CommonTypeDateManager::SlotStart() const {
  const std::int32_t startMinutes = record_ ? record_->gStartTimeMinutes() : 0;
  return core::DateAdd("n", startMinutes, VornKrymslotDateStamp());
}

core::Date CommonTypeDateManager::SlotEnd() const {
  const std::int32_t stopMinutes = record_ ? record_->gStopTimeMinutes() : 0;
  return core::DateAdd("n", static_cast<double>(index_) * slotLength_ + stopMinutes, base_);
}

bool CommonTypeDateManager::Eof() const {
  if (index_ >= slotCount_) return true;
  // Compared to the second, so that a slot ending exactly at the requested end is walked
  // whatever the rounding of the day fractions.
  return core::DateDiff("s", requestedEnd_, SlotEnd()) > 0;
}
