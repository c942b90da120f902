// Which id a run may save: the range every variable reads, what holds the id back, and why
// nothing beyond the start id is safe while facilities of the run are still to come.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Value.h"
#include "import/engine/ImportWatermark.h"

namespace {

TEST(ImportWatermark, ReadRangeOfTheRun) {
  struct Case {
    std::int32_t startId;
    std::optional<std::int32_t> highest;
    std::int32_t from, to;  // StartTransId, EndTransId of a variable's read
    std::int32_t safeId;    // after the last facility, nothing held
  };
  const std::vector<Case> cases = {
      {100, 250, 101, 250, 250},
      {0, 7, 1, 7, 7},
      {100, 100, 2, 1, 100},              // nothing new: a range no id is in
      {100, 40, 2, 1, 100},               // DeraRed holds lower ids than the file: the id stays
      {0, 0, 2, 1, 0},                    // an empty DeraRed
      {-5, 0, 2, 1, -5},                  // 0 would be refused by the reader
      {100, std::nullopt, 100, -1, 100},  // no bound: read above the start id as ever, save nothing new
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.startId) + " .. " + (c.highest ? std::to_string(*c.highest) : "?"));
    ImportWatermark w;
    w.Begin(c.startId, c.highest);
    EXPECT_EQ(w.ReadFrom(), c.from);
    EXPECT_EQ(w.ReadTo(), c.to);
    EXPECT_EQ(w.SafeId(false), c.safeId);
  }
}

TEST(ImportWatermark, LaterFacilitiesKeepTheIdAtTheStart) {
  ImportWatermark w;
  w.Begin(100, 250);
  EXPECT_EQ(w.SafeId(true), 100);
  EXPECT_EQ(w.SafeId(false), 250);
}

TEST(ImportWatermark, UnhandledTransactionsHoldTheIdBelowTheLowest) {
  ImportWatermark w;
  w.Begin(100, 250);
  w.HoldBelow(core::Value(std::int32_t{180}));
  w.HoldBelow(core::Value(std::int32_t{120}));
  w.HoldBelow(core::Value(std::int32_t{200}));
  EXPECT_EQ(w.SafeId(false), 119);
  w.HoldBelow(core::Value(std::int32_t{101}));
  EXPECT_EQ(w.SafeId(false), 100);
}

TEST(ImportWatermark, FailuresOfUnknownExtentHoldTheIdAtTheStart) {
  ImportWatermark unreadable;
  unreadable.Begin(100, 250);
  unreadable.HoldAtStart();
  EXPECT_EQ(unreadable.SafeId(false), 100);

  ImportWatermark noNumber;
  noNumber.Begin(100, 250);
  noNumber.HoldBelow(core::Value::MakeNull());
  EXPECT_EQ(noNumber.SafeId(false), 100);

  // A facility skipped before the range was known still holds it once it is.
  ImportWatermark skipped;
  skipped.HoldAtStart();
  skipped.Begin(100, 250);
  EXPECT_EQ(skipped.SafeId(false), 100);
}

TEST(ImportWatermark, NotesInsideTheRange) {
  ImportWatermark w;
  w.Begin(100, 250);
  for (std::int32_t id : {101, 250}) EXPECT_TRUE(w.InRange(core::Value(id))) << id;
  for (std::int32_t id : {100, 251}) EXPECT_FALSE(w.InRange(core::Value(id))) << id;
  EXPECT_FALSE(w.InRange(core::Value::MakeNull()));

  ImportWatermark open;
  open.Begin(100, std::nullopt);
  EXPECT_TRUE(open.InRange(core::Value(std::int32_t{100000})));
  EXPECT_FALSE(open.InRange(core::Value(std::int32_t{100})));
}

// A gap below the bound holds the id while it is young: the lowest such gap counts, a gap
// keeps the time it was first seen while parts of it are filled, and every database has gaps
// of its own.
TEST(LateCommits, TheLowestYoungGapHoldsUntilItHasWaited) {
  using namespace std::chrono_literals;
  LateCommits::WaitForTests(std::nullopt);
  ASSERT_EQ(LateCommits::kWait, 10min);
  const LateCommits::Clock::time_point t0 = LateCommits::Clock::now();
  const std::string db = "unit test " + std::to_string(t0.time_since_epoch().count());
  struct Step {
    const char* what;
    std::string source;
    std::chrono::minutes at;
    std::int32_t after, upTo;
    std::vector<std::int32_t> ids;
    std::optional<std::int32_t> young;
  };
  const std::vector<Step> steps = {
      {"no gap", db, 0min, 90, 100, {91, 92, 93, 94, 95, 96, 97, 98, 99, 100}, std::nullopt},
      {"two new gaps", db, 0min, 100, 106, {101, 103, 106}, 102},
      {"the first filled, the second young", db, 5min, 100, 106, {101, 102, 103, 106}, 104},
      {"a part filled keeps the time of the gap", db, 9min, 100, 106, {101, 102, 103, 105, 106}, 104},
      {"old gaps pass, a new one above holds", db, 11min, 100, 109, {101, 102, 103, 105, 106, 109}, 107},
      {"another database sees its gap anew", db + "/2", 11min, 100, 106, {101, 103, 106}, 102},
      {"a gap right above the start", db + "/3", 0min, 200, 205, {203, 205}, 201},
      {"ids outside the range are no gap's end", db + "/4", 0min, 300, 303, {299, 301, 302, 303, 304}, std::nullopt},
      {"every gap old", db, 30min, 100, 109, {101, 102, 103, 105, 106, 109}, std::nullopt},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(LateCommits::LowestYoungGap(s.source, s.after, s.upTo, s.ids, t0 + s.at), s.young);
  }

  // The tests' own wait: with none, no gap is young.
  LateCommits::WaitForTests(LateCommits::Clock::duration::zero());
  EXPECT_EQ(LateCommits::LowestYoungGap(db + "/5", 100, 106, {101, 106}, t0), std::nullopt);
  LateCommits::WaitForTests(std::nullopt);
  EXPECT_EQ(LateCommits::LowestYoungGap(db + "/6", 100, 106, {101, 106}, t0), 102);
}

}  // namespace
