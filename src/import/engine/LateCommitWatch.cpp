#include "import/engine/LateCommitWatch.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/OutsideText.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "import/engine/LastIdFile.h"

namespace {

constexpr const char* kHeading =
    "; DeraRed transaction ids watched for a late commit: first-last=UTC seconds since 1970 when first seen missing";

std::string Setting(const std::string& key) {
  QALConfiguration* config = Program().config;
  return config ? config->item(key) : std::string();
}

// FNV-1a: a stable short name for the text that tells DeraRed databases apart.
std::string Fingerprint(const std::string& text) {
  std::uint64_t h = 14695981039346656037ULL;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(h));
  return buf;
}

template <class T>
bool Number(std::string_view text, T& out) {
  if (text.empty() || text.front() == '-' || text.front() == '+') return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

std::int64_t Seconds(LateCommitWatch::TimePoint t) {
  return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

}  // namespace

std::string LateCommitWatch::FilePath() {
  // The settings that reach one DeraRed database (the password does not change which).
  const std::string database = Setting("K30418\\SourceProvider") + "|" + Setting("K30418\\SourceDS") + "|" +
                               Setting("K30418\\SourceDB") + "|" + Setting("K30418\\SourceCustomization");
  return Program().app.Path + "/DeraRedWatch-" + Fingerprint(database) + ".ini";
}

bool LateCommitWatch::Load(const std::string& path, bool& exists, std::string& why) {
  ranges_.clear();
  changed_ = false;
  exists = false;
  why.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return true;
    exists = true;
    why = "it cannot be opened";
    return false;
  }
  exists = true;
  std::ostringstream whole;
  whole << in.rdbuf();
  if (in.bad()) {
    why = "it cannot be read";
    return false;
  }
  std::istringstream lines(whole.str());
  std::size_t lineNo = 0;
  for (std::string line; std::getline(lines, line);) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == ';') continue;
    const std::size_t dash = line.find('-');
    const std::size_t eq = line.find('=');
    Range r;
    std::int64_t seconds = 0;
    const std::string_view text(line);
    const bool ok = dash != std::string::npos && eq != std::string::npos && dash < eq &&
                    Number(text.substr(0, dash), r.first) && Number(text.substr(dash + 1, eq - dash - 1), r.last) &&
                    Number(text.substr(eq + 1), seconds) && r.first >= 1 && r.first <= r.last;
    if (ok) {
      r.seen = TimePoint(std::chrono::seconds(seconds));
      const auto after = ranges_.upper_bound(r.last);
      const bool overlaps = after != ranges_.begin() && std::prev(after)->second.last >= r.first;
      if (!overlaps) {
        ranges_[r.first] = r;
        continue;
      }
    }
    ranges_.clear();
    why = "line " + std::to_string(lineNo) + " holds \"" + core::OutsideText(line, 40) +
          "\", which is no range first-last=seconds apart from the others";
    return false;
  }
  return true;
}

void LateCommitWatch::Save(const std::string& path) {
  std::string text = std::string(kHeading) + "\n";
  for (const auto& [first, r] : ranges_)
    text += std::to_string(r.first) + "-" + std::to_string(r.last) + "=" + std::to_string(Seconds(r.seen)) + "\n";
  LastIdFile::ReplaceWholeFile(path, text, "LateCommitWatch");
  changed_ = false;
}

void LateCommitWatch::Age(TimePoint now) {
  for (auto it = ranges_.begin(); it != ranges_.end();) {
    // A time ahead of the clock (the clock was set back) counts from now.
    if (it->second.seen > now) it->second.seen = now, changed_ = true;
    if (now - it->second.seen >= kWatchFor) {
      it = ranges_.erase(it);
      changed_ = true;
    } else {
      ++it;
    }
  }
}

std::vector<LateCommitWatch::Range> LateCommitWatch::RangesUpTo(std::int32_t upTo) const {
  std::vector<Range> out;
  for (const auto& [first, r] : ranges_) {
    if (r.first > upTo) break;
    out.push_back({r.first, std::min(r.last, upTo), r.seen});
  }
  return out;
}

void LateCommitWatch::Cut(std::int32_t first, std::int32_t last) {
  auto it = ranges_.upper_bound(first);
  if (it != ranges_.begin()) --it;
  while (it != ranges_.end() && it->second.first <= last) {
    const Range r = it->second;
    if (r.last < first) {
      ++it;
      continue;
    }
    it = ranges_.erase(it);
    changed_ = true;
    if (r.first < first) ranges_[r.first] = {r.first, first - 1, r.seen};
    if (r.last > last) {
      ranges_[last + 1] = {last + 1, r.last, r.seen};
      break;
    }
  }
}

void LateCommitWatch::Put(std::int32_t first, std::int32_t last, TimePoint seen) {
  Cut(first, last);
  ranges_[first] = {first, last, seen};
  changed_ = true;
}

void LateCommitWatch::NoteGaps(std::int32_t after, std::int32_t upTo, const std::vector<std::int32_t>& ids,
                               TimePoint now) {
  if (upTo <= after) return;
  const std::map<std::int32_t, Range> before = ranges_;
  // A missing stretch first..last, each part with the time it was first seen missing.
  auto note = [&](std::int32_t first, std::int32_t last, std::vector<Range>& out) {
    std::int64_t pos = first;
    while (pos <= last) {
      const auto id = static_cast<std::int32_t>(pos);
      auto next = before.upper_bound(id);
      if (next != before.begin() && std::prev(next)->second.last >= id) {
        const Range& known = std::prev(next)->second;
        const std::int32_t end = std::min(last, known.last);
        out.push_back({id, end, known.seen});
        pos = static_cast<std::int64_t>(end) + 1;
        continue;
      }
      const std::int32_t end = next == before.end() ? last : std::min<std::int32_t>(last, next->first - 1);
      out.push_back({id, end, now});
      pos = static_cast<std::int64_t>(end) + 1;
    }
  };
  std::vector<Range> gaps;
  std::int64_t expected = static_cast<std::int64_t>(after) + 1;
  for (const std::int32_t id : ids) {
    if (id <= after || id > upTo || id < expected) continue;
    if (id > expected) note(static_cast<std::int32_t>(expected), id - 1, gaps);
    expected = static_cast<std::int64_t>(id) + 1;
  }
  if (expected <= upTo) note(static_cast<std::int32_t>(expected), upTo, gaps);

  Cut(after + 1, upTo);
  for (const Range& g : gaps) Put(g.first, g.last, g.seen);
  if (ranges_ != before) changed_ = true;
  Bound();
}

void LateCommitWatch::Bound() {
  while (ranges_.size() > kMostRanges) {
    auto oldest = ranges_.begin();
    for (auto it = ranges_.begin(); it != ranges_.end(); ++it)
      if (it->second.seen < oldest->second.seen) oldest = it;
    ranges_.erase(oldest);
    changed_ = true;
  }
}

void LateCommitWatch::Forget(std::int32_t id) { Cut(id, id); }

void LateCommitWatch::Renew(std::int32_t id, TimePoint now) { Put(id, id, now); }
