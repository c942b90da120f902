#include "import/engine/ImportWatermark.h"

#include <algorithm>
#include <exception>

#include "core/Value.h"

void ImportWatermark::Begin(std::int32_t startId, std::optional<std::int32_t> endId) {
  begun_ = true;
  startId_ = startId;
  bounded_ = endId.has_value();
  if (!bounded_) heldAtStart_ = true;
  endId_ = (bounded_ && *endId > startId && *endId > 0) ? *endId : startId;
}

std::int32_t ImportWatermark::ReadFrom() const {
  if (!bounded_) return startId_;
  return endId_ > startId_ ? startId_ + 1 : 2;
}

std::int32_t ImportWatermark::ReadTo() const {
  if (!bounded_) return -1;
  return endId_ > startId_ ? endId_ : 1;
}

bool ImportWatermark::InRange(const core::Value& id) const {
  try {
    const std::int32_t n = id.ToLong();
    return n > startId_ && (!bounded_ || n <= endId_);
  } catch (const std::exception&) {
    return false;
  }
}

void ImportWatermark::HoldBelow(const core::Value& id) {
  try {
    const std::int32_t n = id.ToLong();
    if (n == INT32_MIN) {
      heldAtStart_ = true;
      return;
    }
    if (begun_ && n <= startId_)
      heldLate_.insert(n);
    else
      cap_ = std::min(cap_, n - 1);
  } catch (const std::exception&) {
    heldAtStart_ = true;
  }
}

std::int32_t ImportWatermark::SafeId(bool laterFacilities) const {
  if (!begun_ || heldAtStart_ || laterFacilities) return startId_;
  return std::max(startId_, std::min(cap_, endId_));
}
