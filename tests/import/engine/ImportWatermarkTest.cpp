// Which id a run may save: the range every variable reads, what holds the id back, and why
// nothing beyond the start id is safe while facilities of the run are still to come.
#include <gtest/gtest.h>

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

// A late transaction, at or below the start id, holds only itself: the run's own range moves on.
TEST(ImportWatermark, LateTransactionsHoldOnlyThemselves) {
  ImportWatermark w;
  w.Begin(100, 250);
  w.HoldBelow(core::Value(std::int32_t{97}));
  EXPECT_EQ(w.SafeId(false), 250);
  EXPECT_FALSE(w.LateHandled(97));
  EXPECT_TRUE(w.LateHandled(98));
  // A failed read of them leaves every late transaction unhandled, and the range as it was.
  ImportWatermark unread;
  unread.Begin(100, 250);
  unread.HoldLate();
  EXPECT_FALSE(unread.LateHandled(98));
  EXPECT_EQ(unread.SafeId(false), 250);
  // Something of unknown extent leaves them unhandled too.
  w.HoldAtStart();
  EXPECT_FALSE(w.LateHandled(98));
}

}  // namespace
