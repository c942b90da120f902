// The late-commit watch on its own: which ids it watches and since when, how long, how many,
// and what its file must hold to be read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "import/engine/LateCommitWatch.h"
#include "platform/os/StopRequest.h"

namespace {

using namespace std::chrono_literals;
using TimePoint = LateCommitWatch::TimePoint;

const TimePoint t0 = TimePoint(std::chrono::seconds(1'765'000'000));

std::string Shown(const LateCommitWatch& w, std::int32_t upTo = INT32_MAX) {
  std::string out;
  for (const LateCommitWatch::Range& r : w.RangesUpTo(upTo))
    out += (out.empty() ? "" : " ") + std::to_string(r.first) + "-" + std::to_string(r.last) + "@" +
           std::to_string(std::chrono::duration_cast<std::chrono::minutes>(r.seen - t0).count());
  return out;
}

class WatchFileTest : public ::testing::Test {
 protected:
  WatchFileTest() {
    folder_ =
        std::filesystem::temp_directory_path() / ("k30418-watch-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  ~WatchFileTest() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string Path() const { return (folder_ / "watch.ini").string(); }
  void Write(const std::string& text) const { std::ofstream(Path(), std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(Path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::filesystem::path folder_;
};

// A run notes the gaps of its range; a later run that meets them again keeps the time they
// were first seen, parts filled leave, and what lies outside the span noted stays as it was.
TEST(LateCommitWatch, GapsKeepTheTimeTheyWereFirstSeen) {
  LateCommitWatch w;
  w.NoteGaps(100, 110, {101, 103, 106, 110}, t0);
  EXPECT_EQ(Shown(w), "102-102@0 104-105@0 107-109@0");
  EXPECT_TRUE(w.Changed());

  w.NoteGaps(100, 115, {101, 103, 105, 106, 110, 113}, t0 + 5min);
  EXPECT_EQ(Shown(w), "102-102@0 104-104@0 107-109@0 111-112@5 114-115@5");

  // A later run's range starts above: the watched ids below it stay as they were.
  w.NoteGaps(115, 118, {116, 118}, t0 + 9min);
  EXPECT_EQ(Shown(w), "102-102@0 104-104@0 107-109@0 111-112@5 114-115@5 117-117@9");
  EXPECT_EQ(Shown(w, 108), "102-102@0 104-104@0 107-108@0");

  // Nothing missing: nothing new. Ids outside the span are no end of a gap.
  LateCommitWatch none;
  none.NoteGaps(300, 303, {299, 301, 302, 303, 304}, t0);
  EXPECT_EQ(Shown(none), "");
  EXPECT_FALSE(none.Changed());
}

TEST(LateCommitWatch, AnIdIsWatchedForADay) {
  ASSERT_EQ(LateCommitWatch::kWatchFor, 24h);
  LateCommitWatch w;
  w.NoteGaps(100, 103, {101, 103}, t0);
  w.NoteGaps(103, 106, {104, 106}, t0 + 2h);
  w.Age(t0 + 24h - 1s);
  EXPECT_EQ(Shown(w), "102-102@0 105-105@120");
  w.Age(t0 + 24h);
  EXPECT_EQ(Shown(w), "105-105@120");
  // An id that appeared but could not be imported is watched on from then.
  w.Renew(105, t0 + 25h);
  w.Age(t0 + 26h + 1s);
  EXPECT_EQ(Shown(w), "105-105@1500");
  w.Forget(105);
  EXPECT_EQ(Shown(w), "");
}

TEST(LateCommitWatch, ForgettingAnIdSplitsItsRange) {
  LateCommitWatch w;
  w.NoteGaps(100, 110, {101, 110}, t0);
  w.Forget(105);
  w.Forget(102);
  EXPECT_EQ(Shown(w), "103-104@0 106-109@0");
}

// However many gaps DeraRed shows, the watch keeps kMostRanges: the ones seen longest ago are
// given up (and told). At every size the watch is noted, saved and read back whole.
TEST_F(WatchFileTest, TheWatchIsBoundedAtAnySize) {
  ASSERT_EQ(LateCommitWatch::kMostRanges, 100000u);
  for (const std::int32_t ranges : {5000, 50000, 100000, 1000000}) {
    SCOPED_TRACE(ranges);
    LateCommitWatch w;
    // Every 2nd id present: gaps 1, 3, ..., the first half seen a minute before the second.
    const std::int32_t half = ranges / 2;
    std::vector<std::int32_t> ids;
    for (std::int32_t id = 2; id <= 2 * half; id += 2) ids.push_back(id);
    w.NoteGaps(0, 2 * half, ids, t0);
    ids.clear();
    for (std::int32_t id = 2 * half + 2; id <= 2 * ranges; id += 2) ids.push_back(id);
    w.NoteGaps(2 * half, 2 * ranges, ids, t0 + 1min);
    const std::size_t kept = std::min<std::size_t>(ranges, LateCommitWatch::kMostRanges);
    const std::vector<LateCommitWatch::Range> given = w.GivenUp();
    ASSERT_EQ(given.size(), ranges - kept);
    const std::vector<LateCommitWatch::Range> all = w.RangesUpTo(INT32_MAX);
    ASSERT_EQ(all.size(), kept);
    EXPECT_EQ(all.back().first, 2 * ranges - 1);
    if (!given.empty()) {
      EXPECT_EQ(given.front().first, 1);
      EXPECT_EQ(given.back().first + 2, all.front().first);  // the oldest, lowest first, went
    }

    w.Save(Path());
    LateCommitWatch back;
    bool exists = false;
    std::string why;
    ASSERT_TRUE(back.Load(Path(), exists, why)) << why;
    EXPECT_EQ(back.RangesUpTo(INT32_MAX), all);
  }
}

// Only a regular file of at most kLargestFile bytes is read; a link is neither read nor written
// through, and is replaced by the file.
TEST_F(WatchFileTest, OnlyARegularFileIsRead) {
  const std::string outside = (folder_ / "outside.txt").string();
  std::ofstream(outside, std::ios::binary) << "1-5=1765000000\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"fifo", "it is a FIFO"},
      {"directory", "it is a directory"},
      {"link", "it is a symbolic link, which is not followed"},
      {"device link", "it is a symbolic link, which is not followed"},
      {"too large", "it holds 16777217 bytes, more than the 16 MB a watch may hold"},
  };
  for (const auto& [kind, why] : cases) {
    SCOPED_TRACE(kind);
    std::filesystem::remove_all(Path());
    if (kind == "fifo") {
      ASSERT_EQ(::mkfifo(Path().c_str(), 0600), 0);
    }
    if (kind == "directory") std::filesystem::create_directory(Path());
    if (kind == "link") std::filesystem::create_symlink(outside, Path());
    if (kind == "device link") std::filesystem::create_symlink("/dev/zero", Path());
    if (kind == "too large") Write(std::string(LateCommitWatch::kLargestFile + 1, ';'));
    LateCommitWatch w;
    bool exists = false;
    std::string found;
    EXPECT_FALSE(w.Load(Path(), exists, found));
    EXPECT_TRUE(exists);
    EXPECT_EQ(found, why);
    EXPECT_EQ(Shown(w), "");
    if (kind == "link") {
      w.NoteGaps(10, 12, {10, 12}, t0);
      w.Save(Path());
      EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(Path())));
      EXPECT_NE(Read().find("\n11-11=1765000000\n"), std::string::npos);
    }
  }
  std::ifstream in(outside, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "1-5=1765000000\n");
}

// A stop request ends the read of a file: nothing is taken from it and no reason given.
TEST_F(WatchFileTest, AStopRequestEndsTheRead) {
  Write("1-5=1765000000\n");
  platform::os::RequestStop(15);
  LateCommitWatch w;
  bool exists = false;
  std::string why = "unset";
  const bool read = w.Load(Path(), exists, why);
  platform::os::ResetStopRequest();
  EXPECT_FALSE(read);
  EXPECT_EQ(why, "");
  EXPECT_EQ(Shown(w), "");
  EXPECT_EQ(Read(), "1-5=1765000000\n");
}

// A run looks for the watched ids before it ages them: only what it looked for may go, and the
// ids that have appeared stay with the time they were first seen.
TEST(LateCommitWatch, AgingDropsOnlyWhatWasLookedFor) {
  LateCommitWatch w;
  w.NoteGaps(100, 120, {101, 105, 110, 120}, t0);  // 102-104 106-109 111-119
  w.Age(t0 + 25h, 107, {{103, 103, t0}, {107, 107, t0}});
  EXPECT_EQ(Shown(w), "103-103@0 107-107@0 108-109@0 111-119@0");
}

TEST_F(WatchFileTest, WhatIsSavedIsReadBack) {
  LateCommitWatch w;
  bool exists = true;
  std::string why;
  ASSERT_TRUE(w.Load(Path(), exists, why));  // no file: an empty watch
  EXPECT_FALSE(exists);
  w.NoteGaps(100, 110, {101, 103, 110}, t0);
  w.NoteGaps(110, 2147483647, {}, t0 + 1min);
  w.Save(Path());
  EXPECT_FALSE(w.Changed());
  EXPECT_NE(Read().find("\n102-102=1765000000\n104-109=1765000000\n111-2147483647=1765000060\n"), std::string::npos)
      << Read();

  LateCommitWatch back;
  ASSERT_TRUE(back.Load(Path(), exists, why)) << why;
  EXPECT_TRUE(exists);
  EXPECT_EQ(Shown(back), "102-102@0 104-109@0 111-2147483647@1");
  EXPECT_FALSE(back.Changed());
}

TEST_F(WatchFileTest, ADamagedFileIsNotReadAtAll) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"102-102=1765000000\n104-103=1765000000\n", "line 4 holds \"104-103=1765000000\""},
      {"102-105=1765000000\n104-109=1765000000\n", "line 4 holds \"104-109=1765000000\""},
      {"102=1765000000\n", "line 3 holds \"102=1765000000\""},
      {"0-5=1765000000\n", "line 3 holds \"0-5=1765000000\""},
      {"-5-5=1765000000\n", "line 3 holds \"-5-5=1765000000\""},
      {"1-2147483648=1765000000\n", "line 3 holds \"1-2147483648=1765000000\""},
      {"1-5=17650x\n", "line 3 holds \"1-5=17650x\""},
      {"1-5= 1765000000\n", "line 3 holds \"1-5= 1765000000\""},
      {std::string("1-5=1765\0", 9) + "\n", "line 3 holds \"1-5=1765\\x00\""},
  };
  for (const auto& [text, why] : cases) {
    SCOPED_TRACE(why);
    Write("; a comment\r\n\r\n" + text);
    LateCommitWatch w;
    w.NoteGaps(1, 3, {1, 3}, t0);  // what the watch held before is gone too
    bool exists = false;
    std::string found;
    EXPECT_FALSE(w.Load(Path(), exists, found));
    EXPECT_TRUE(exists);
    EXPECT_NE(found.find(why), std::string::npos) << found;
    EXPECT_EQ(Shown(w), "");
  }
}

}  // namespace
