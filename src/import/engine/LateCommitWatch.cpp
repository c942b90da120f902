#include "import/engine/LateCommitWatch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "import/engine/LastIdFile.h"
#include "platform/os/RegularFile.h"
#include "platform/os/StopRequest.h"

namespace {

constexpr const char* kPrefix = "DeraRedWatch-";
constexpr const char* kSuffix = ".ini";

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

// The Port entry of the connection's customization ("Port=5432;sslmode=disable;"), "" when none.
std::string Port(const std::string& customization) {
  std::string port;
  std::string_view rest(customization);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find(';'), rest.size());
    const std::string_view entry = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const std::size_t eq = entry.find('=');
    if (eq != std::string_view::npos && core::UCase(core::Trim(std::string(entry.substr(0, eq)))) == "PORT")
      port = core::Trim(std::string(entry.substr(eq + 1)));
  }
  return port;
}

struct Identity {
  std::string server, database, port;
};

Identity SourceIdentity() {
  // A host name is the same in any case; a database name is not.
  return {core::LCase(core::Trim(Setting("K30418\\SourceDS"))), core::Trim(Setting("K30418\\SourceDB")),
          Port(Setting("K30418\\SourceCustomization"))};
}

std::string WatchPath(const std::string& fingerprint) {
  return Program().app.Path + "/" + kPrefix + fingerprint + kSuffix;
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

// Why what lies at the name is no file to read ("" for a regular file).
std::string NoRegularFile(mode_t mode) {
  if (S_ISREG(mode)) return std::string();
  if (S_ISLNK(mode)) return "it is a symbolic link, which is not followed";
  if (S_ISDIR(mode)) return "it is a directory";
  if (S_ISFIFO(mode)) return "it is a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device";
  if (S_ISSOCK(mode)) return "it is a socket";
  return "it is no regular file";
}

std::string TooLarge(std::uint64_t size) {
  return "it holds " + std::to_string(size) + " bytes, more than the " +
         std::to_string(LateCommitWatch::kLargestFile >> 20) + " MB a watch may hold";
}

}  // namespace

std::string LateCommitWatch::FilePath() {
  const Identity id = SourceIdentity();
  return WatchPath(Fingerprint(id.server + "|" + id.database + "|" + id.port));
}

std::string LateCommitWatch::FormerFilePath() {
  // The settings that reach one DeraRed database, as they stand (the password does not change which).
  return WatchPath(Fingerprint(Setting("K30418\\SourceProvider") + "|" + Setting("K30418\\SourceDS") + "|" +
                               Setting("K30418\\SourceDB") + "|" + Setting("K30418\\SourceCustomization")));
}

std::string LateCommitWatch::Database() {
  const Identity id = SourceIdentity();
  return "database '" + core::OutsideText(id.database) + "' on server '" + core::OutsideText(id.server) + "'" +
         (id.port.empty() ? std::string() : ", port " + core::OutsideText(id.port));
}

bool LateCommitWatch::OtherWatchIn(const std::string& path) {
  const std::filesystem::path own(path);
  std::error_code ec;
  for (std::filesystem::directory_iterator it(own.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(kPrefix) && name.ends_with(kSuffix) && name != own.filename().string()) return true;
  }
  return false;
}

bool LateCommitWatch::Load(const std::string& path, bool& exists, std::string& why) {
  ranges_.clear();
  givenUp_.clear();
  changed_ = false;
  exists = false;
  why.clear();
  // Not blocking at a FIFO, nor following a link.
  platform::os::RegularFileRead file =
      platform::os::ReadRegularFile(path, platform::os::LinkAtName::NotFollowed, kLargestFile, true);
  using Outcome = platform::os::RegularFileRead::Outcome;
  using Step = platform::os::RegularFileRead::Step;
  exists = file.outcome != Outcome::Missing;
  switch (file.outcome) {
    case Outcome::Read:
      break;
    case Outcome::Missing:
      return true;
    case Outcome::Stopped:  // why stays empty: the run ends
      return false;
    case Outcome::NotAFile:
      why = NoRegularFile(file.mode);
      return false;
    case Outcome::TooLarge:
      why = TooLarge(file.size);
      return false;
    case Outcome::Failed:
      why = std::string(file.step == Step::LookedAt ? "it cannot be looked at ("
                        : file.step == Step::Opened ? "it cannot be opened ("
                                                    : "it cannot be read (") +
            std::strerror(file.error) + ")";
      return false;
  }

  const std::string_view text(file.content);
  std::size_t lineNo = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if ((lineNo & 0xFFFF) == 0xFFFF && platform::os::StopRequested()) {
      ranges_.clear();
      return false;
    }
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    const std::size_t dash = line.find('-');
    const std::size_t eq = line.find('=');
    Range r;
    std::int64_t seconds = 0;
    const bool ok = dash != std::string::npos && eq != std::string::npos && dash < eq &&
                    Number(line.substr(0, dash), r.first) && Number(line.substr(dash + 1, eq - dash - 1), r.last) &&
                    Number(line.substr(eq + 1), seconds) && r.first >= 1 && r.first <= r.last;
    if (ok) {
      r.seen = TimePoint(std::chrono::seconds(seconds));
      // A file this program wrote is ascending: each range goes in at the end.
      if (ranges_.empty() || std::prev(ranges_.end())->second.last < r.first) {
        ranges_.emplace_hint(ranges_.end(), r.first, r);
        continue;
      }
      const auto after = ranges_.upper_bound(r.last);
      const bool overlaps = after != ranges_.begin() && std::prev(after)->second.last >= r.first;
      if (!overlaps) {
        ranges_.emplace_hint(after, r.first, r);
        continue;
      }
    }
    ranges_.clear();
    why = "line " + std::to_string(lineNo) + " holds \"" + core::OutsideText(std::string(line), 40) +
          "\", which is no range first-last=seconds apart from the others";
    return false;
  }
  return true;
}

void LateCommitWatch::Save(const std::string& path) {
  std::string text = "; DeraRed transaction ids watched for a late commit in the " + Database() +
                     ": first-last=UTC seconds since 1970 when first seen missing\n";
  for (const auto& [first, r] : ranges_)
    text += std::to_string(r.first) + "-" + std::to_string(r.last) + "=" + std::to_string(Seconds(r.seen)) + "\n";
  // A link at the name is no watch of ours: it is replaced by the file, never written through.
  LastIdFile::ReplaceWholeFile(path, text, "LateCommitWatch", platform::os::LinkAtName::NotFollowed);
  changed_ = false;
}

void LateCommitWatch::Age(TimePoint now, std::int32_t upTo, const std::vector<Range>& keep) {
  auto k = keep.begin();
  for (auto it = ranges_.begin(); it != ranges_.end() && it->first <= upTo;) {
    Range r = it->second;
    if (r.seen > now) it->second.seen = r.seen = now, changed_ = true;
    if (now - r.seen < kWatchFor) {
      ++it;
      continue;
    }
    it = ranges_.erase(it);
    changed_ = true;
    // The part above upTo has not been looked for.
    if (r.last > upTo) it = ranges_.emplace_hint(it, upTo + 1, Range{upTo + 1, r.last, r.seen});
    const std::int32_t end = std::min(r.last, upTo);
    for (; k != keep.end() && k->last < r.first; ++k) {
    }
    for (auto j = k; j != keep.end() && j->first <= end; ++j)
      ranges_.emplace_hint(it, std::max(j->first, r.first),
                           Range{std::max(j->first, r.first), std::min(j->last, end), r.seen});
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

bool LateCommitWatch::Watches(std::int32_t id) const {
  const auto next = ranges_.upper_bound(id);
  return next != ranges_.begin() && std::prev(next)->second.last >= id;
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
    if (r.first < first) ranges_.emplace_hint(it, r.first, Range{r.first, first - 1, r.seen});
    if (r.last > last) {
      ranges_.emplace_hint(it, last + 1, Range{last + 1, r.last, r.seen});
      break;
    }
  }
}

void LateCommitWatch::Put(std::int32_t first, std::int32_t last, TimePoint seen) {
  Cut(first, last);
  ranges_[first] = {first, last, seen};
  changed_ = true;
}

std::vector<LateCommitWatch::Range> LateCommitWatch::NoteGaps(std::int32_t after, std::int32_t upTo,
                                                              const std::vector<std::int32_t>& ids, TimePoint now) {
  if (upTo <= after) return {};
  // What the watch held in the span, ascending: a gap met again keeps the time it was first seen.
  std::vector<Range> before;
  {
    auto it = ranges_.upper_bound(after + 1);
    if (it != ranges_.begin() && std::prev(it)->second.last > after) --it;
    for (; it != ranges_.end() && it->second.first <= upTo; ++it)
      before.push_back({std::max(it->second.first, after + 1), std::min(it->second.last, upTo), it->second.seen});
  }
  auto known = before.begin();
  // A missing stretch first..last, each part with the time it was first seen missing.
  auto note = [&](std::int32_t first, std::int32_t last, std::vector<Range>& out) {
    std::int64_t pos = first;
    while (pos <= last) {
      const auto id = static_cast<std::int32_t>(pos);
      while (known != before.end() && known->last < id) ++known;
      if (known != before.end() && known->first <= id) {
        const std::int32_t end = std::min(last, known->last);
        out.push_back({id, end, known->seen});
        pos = static_cast<std::int64_t>(end) + 1;
        continue;
      }
      const std::int32_t end = known == before.end() ? last : std::min<std::int32_t>(last, known->first - 1);
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

  const bool changed = changed_;
  Cut(after + 1, upTo);
  auto hint = ranges_.upper_bound(upTo);
  for (const Range& g : gaps) ranges_.emplace_hint(hint, g.first, g);
  changed_ = changed || gaps != before;
  Bound();
  return gaps;
}

void LateCommitWatch::Bound() {
  if (ranges_.size() <= kMostRanges) return;
  // The time before which every range goes, and how many of that very time go too.
  std::vector<TimePoint> seen;
  seen.reserve(ranges_.size());
  for (const auto& [first, r] : ranges_) seen.push_back(r.seen);
  const std::size_t excess = ranges_.size() - kMostRanges;
  std::nth_element(seen.begin(), seen.begin() + static_cast<std::ptrdiff_t>(excess - 1), seen.end());
  const TimePoint cutoff = seen[excess - 1];
  std::size_t older = 0;
  for (const auto& [first, r] : ranges_) older += r.seen < cutoff ? 1 : 0;
  std::size_t atCutoff = excess - older;  // of those first seen at cutoff, the lowest go
  for (auto it = ranges_.begin(); it != ranges_.end();) {
    if (it->second.seen < cutoff || (it->second.seen == cutoff && atCutoff > 0)) {
      if (it->second.seen == cutoff) --atCutoff;
      givenUp_.push_back(it->second);
      it = ranges_.erase(it);
    } else {
      ++it;
    }
  }
  changed_ = true;
}

std::vector<LateCommitWatch::Range> LateCommitWatch::GivenUp() {
  std::vector<Range> out;
  out.swap(givenUp_);
  std::sort(out.begin(), out.end(), [](const Range& a, const Range& b) { return a.first < b.first; });
  return out;
}

void LateCommitWatch::Forget(std::int32_t id) { Cut(id, id); }

void LateCommitWatch::Renew(std::int32_t id, TimePoint now) { Put(id, id, now); }
