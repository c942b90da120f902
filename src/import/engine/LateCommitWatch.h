#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The transaction ids found missing below a run's bound, watched for a late commit. A
// transaction takes its id when it starts and shows when it commits: two handhelds syncing at
// once can make id 7 visible while 6 is still on its way. A run saves its bound all the same,
// so the next run reads above 7 and would never meet 6. The missing ids are therefore
// remembered, as ranges with the time each was first seen missing, and every service run looks
// whether one of them has appeared and imports it; an id a run has looked for in vain once it
// had been watched for kWatchFor is dropped (a rollback, a deleted row or a jump of the id
// counter). The watch lives in a small file beside DeraRed.ini, one per DeraRed database, so
// that a restart of the service loses nothing.
//
// The file is text lines "first-last=seconds", seconds the UTC time (seconds since 1970) the
// range was first seen missing; blank lines and lines starting with ";" are left out. Only a
// regular file of at most kLargestFile bytes is read (a link, a FIFO, a directory or a device
// at its name is not opened through), and it is replaced as a file of the folder: a rewrite
// writes a temporary file beside it and renames it over the name, a link there included.
class LateCommitWatch {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  // How long a missing id is watched.
  static constexpr std::chrono::hours kWatchFor{24};
  // The most ranges the watch keeps (a busy day's rollbacks and id jumps); beyond them the ones
  // first seen longest ago are given up. The file then stays well below kLargestFile.
  static constexpr std::size_t kMostRanges = 100000;
  // The largest file read.
  static constexpr std::size_t kLargestFile = 16u << 20;

  struct Range {
    std::int32_t first = 0;
    std::int32_t last = 0;
    TimePoint seen;
    bool operator==(const Range&) const = default;
  };

  // The watch file of the DeraRed database the K30418 source settings name, beside DeraRed.ini.
  // The name follows what identifies the database (the server, the database and the port of
  // the customization), so an edit of the connection's other options keeps the watch.
  static std::string FilePath();
  // The name earlier versions gave it, after the whole connection text.
  static std::string FormerFilePath();
  // The database, as lines name it: "database 'D' on server 'S'" (", port P" when set).
  static std::string Database();
  // Whether the folder holds a watch file of another DeraRed database (or one of the former
  // names) than path.
  static bool OtherWatchIn(const std::string& path);

  // Reads the file at path, in time linear in its size. A missing file is an empty watch
  // (exists false); a file that cannot be read gives false with the reason in why, and the
  // watch is empty. A stop request (platform::os::StopRequested) ends the read with false and
  // why empty.
  bool Load(const std::string& path, bool& exists, std::string& why);
  // Writes the file at path as a whole; raises core::RuntimeError when it cannot.
  void Save(const std::string& path);
  // Whether anything changed since the last Load or Save.
  bool Changed() const { return changed_; }
  // Counts as changed: the next Save writes the file whatever it holds.
  void Touch() { changed_ = true; }

  // Drops the ranges at or below upTo (a range reaching above it, its part up to upTo) that
  // have been watched for kWatchFor at now, but for the ids of keep (ascending, apart), which
  // have appeared: they stay, with the time they were first seen. A time ahead of the clock
  // counts from now. Linear in the watch.
  void Age(TimePoint now, std::int32_t upTo = INT32_MAX, const std::vector<Range>& keep = {});
  // The watched ranges at or below upTo, ascending (a part above upTo is left out).
  std::vector<Range> RangesUpTo(std::int32_t upTo) const;
  // Whether the id is watched.
  bool Watches(std::int32_t id) const;
  // Notes the ids missing from (after, upTo] when ids (ascending) are the ones present there:
  // what was watched in that span is replaced by them, an id watched before keeping the time it
  // was first seen. Then the watch is cut to kMostRanges (see GivenUp). Returns the gaps noted.
  std::vector<Range> NoteGaps(std::int32_t after, std::int32_t upTo, const std::vector<std::int32_t>& ids,
                              TimePoint now);
  // The ranges the bound cut since the last call, ascending, and forgets them.
  std::vector<Range> GivenUp();
  // The id has appeared and was imported: it is no longer watched.
  void Forget(std::int32_t id);
  // The id has appeared but could not be imported yet: it is watched on, as if first seen now.
  void Renew(std::int32_t id, TimePoint now);

 private:
  // Puts first..last in with the time seen, replacing whatever the watch held there.
  void Put(std::int32_t first, std::int32_t last, TimePoint seen);
  void Cut(std::int32_t first, std::int32_t last);
  void Bound();

  std::map<std::int32_t, Range> ranges_;  // by first id; they never overlap
  std::vector<Range> givenUp_;
  bool changed_ = false;
};
