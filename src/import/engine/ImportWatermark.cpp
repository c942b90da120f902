#include "import/engine/ImportWatermark.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <map>
#include <mutex>

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
    cap_ = std::min(cap_, n - 1);
  } catch (const std::exception&) {
    heldAtStart_ = true;
  }
}

std::int32_t ImportWatermark::SafeId(bool laterFacilities) const {
  if (!begun_ || heldAtStart_ || laterFacilities) return startId_;
  return std::max(startId_, std::min(cap_, endId_));
}

namespace {

struct Gap {
  std::int32_t last;
  LateCommits::Clock::time_point seen;
};
using Gaps = std::map<std::int32_t, Gap>;  // by the first missing id; the ranges never overlap

struct GapStore {
  std::mutex lock;
  std::map<std::string, Gaps> bySource;
  std::optional<LateCommits::Clock::duration> testWait;
};

GapStore& Store() {
  static GapStore store;
  return store;
}

// Adds the missing ids first..last to out, each part with the time it was first seen missing.
void Note(const Gaps& known, std::int32_t first, std::int32_t last, LateCommits::Clock::time_point now, Gaps& out) {
  std::int64_t pos = first;
  while (pos <= last) {
    const auto id = static_cast<std::int32_t>(pos);
    auto after = known.upper_bound(id);
    if (after != known.begin()) {
      const auto at = std::prev(after);
      if (at->second.last >= id) {  // seen before
        const std::int32_t end = std::min(last, at->second.last);
        out[id] = {end, at->second.seen};
        pos = static_cast<std::int64_t>(end) + 1;
        continue;
      }
    }
    const std::int32_t end = after == known.end() ? last : std::min<std::int32_t>(last, after->first - 1);
    out[id] = {end, now};
    pos = static_cast<std::int64_t>(end) + 1;
  }
}

}  // namespace

void LateCommits::WaitForTests(std::optional<Clock::duration> wait) {
  GapStore& store = Store();
  const std::lock_guard<std::mutex> guard(store.lock);
  store.testWait = wait;
}

std::optional<std::int32_t> LateCommits::LowestYoungGap(const std::string& source, std::int32_t after,
                                                        std::int32_t upTo, const std::vector<std::int32_t>& ids,
                                                        Clock::time_point now) {
  GapStore& store = Store();
  const std::lock_guard<std::mutex> guard(store.lock);
  const Clock::duration wait = store.testWait.value_or(kWait);
  const Gaps& known = store.bySource[source];
  Gaps current;
  std::int64_t expected = static_cast<std::int64_t>(after) + 1;
  for (const std::int32_t id : ids) {
    if (id <= after || id > upTo || id < expected) continue;
    if (id > expected) Note(known, static_cast<std::int32_t>(expected), id - 1, now, current);
    expected = static_cast<std::int64_t>(id) + 1;
  }
  if (expected <= upTo) Note(known, static_cast<std::int32_t>(expected), upTo, now, current);
  std::optional<std::int32_t> young;
  for (const auto& [first, gap] : current) {
    if (now - gap.seen < wait) {
      young = first;
      break;
    }
  }
  // Only the gaps of this range are kept: one that was filled, or that the start has passed, is
  // never met again.
  store.bySource[source] = std::move(current);
  return young;
}
