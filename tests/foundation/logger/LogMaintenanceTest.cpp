#include <unistd.h>

#include "core/Text.h"
#include "foundation/logger/LoggerFixture.h"

namespace loggertest {
namespace {

using Strings = std::vector<std::string>;

class LogMaintenance : public LoggerFixture {
 protected:
  // Files the logger writes carry the real time, so the stopped clock starts in
  // the current hour: they are never old enough to be removed.
  void SetUp() override {
    LoggerFixture::SetUp();
    clock.Set(InThisHour(0, 5, 9));
  }
  static core::Date InThisHour(int hoursLater, int minute, int second) {
    const core::Date::Parts p = core::SystemClock::Instance().Now().Split();
    return core::Date::FromParts(p.year, p.month, p.day, p.hour + hoursLater, minute, second);
  }
  // A file in the log folder last written the given number of days before now.
  std::string OldFile(const std::string& name, double daysOld, std::size_t bytes = 10) {
    const std::string path = logDir + "/" + name;
    WriteFile(path, bytes);
    SetModified(path, DaysAgo(daysOld));
    return path;
  }
  std::string Announcement(int days) const {
    return "Logs in '" + core::UCase(logDir) + "' will be removed after they are older than " +
           std::to_string(days) + " days.";
  }
  // The lines written after LSM_Init's announcement.
  Strings TextsAfterInit() const {
    Strings t = Texts();
    if (!t.empty()) t.erase(t.begin());
    return t;
  }
};

TEST_F(LogMaintenance, KeepDaysAreClampedAndAnnouncedWithTheFolderInUpperCase) {
  struct Case {
    std::int16_t asked, kept;
  };
  const Case cases[] = {{3, 7}, {-5, 7}, {7, 7}, {30, 30}, {1000, 1000}, {2000, 1000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "LSM_Init(" << c.asked << ")");
    const std::string removed = OldFile("removed.log", c.kept + 1.0 / 24);
    const std::string kept = OldFile("kept.log", c.kept - 1.0 / 24);
    clock.AdvanceSeconds(3600);  // a new clock hour for every case
    logger->LSM_Init(c.asked);
    EXPECT_EQ(LastText(), Announcement(c.kept));
    logger->LSM_Run();
    EXPECT_FALSE(fs::exists(removed));
    EXPECT_TRUE(fs::exists(kept));
    fs::remove(kept);
  }
}

TEST_F(LogMaintenance, RunsAtMostOncePerClockHour) {
  logger->LSM_Init(7);
  const std::string first = OldFile("first.log", 10);
  logger->LSM_Run();
  EXPECT_FALSE(fs::exists(first));

  const std::string second = OldFile("second.log", 10);
  clock.Set(InThisHour(0, 59, 59));
  logger->LSM_Run();
  EXPECT_TRUE(fs::exists(second));

  clock.Set(InThisHour(1, 0, 0));
  logger->LSM_Run();
  EXPECT_FALSE(fs::exists(second));
}

TEST_F(LogMaintenance, RemovalLineCountsFilesAndKilobytesFreed) {
  struct Case {
    std::vector<std::size_t> sizes;
    std::string line;
  };
  const Case cases[] = {
      {{1000, 2000, 3000}, "Removed 3 logs. Freed 5.86 kB of disk space."},
      {{2048000}, "Removed 1 logs. Freed 2,000.00 kB of disk space."},
      {{0}, "Removed 1 logs. Freed 0.00 kB of disk space."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    for (std::size_t i = 0; i < c.sizes.size(); ++i)
      OldFile("old" + std::to_string(i) + ".txt", 8, c.sizes[i]);
    clock.AdvanceSeconds(3600);
    logger->LSM_Init(7);
    logger->LSM_Run();
    EXPECT_EQ(TextsAfterInit(), Strings{c.line});
    logger->closeLog();
    clock.AdvanceSeconds(1);
  }
}

TEST_F(LogMaintenance, WritesTheRemovalLineWhateverTheVerbosityAndNothingWhenNothingWasRemoved) {
  logger->Verbosity(0);
  OldFile("recent.log", 6);
  logger->LSM_Init(7);
  logger->LSM_Run();
  EXPECT_EQ(TextsAfterInit(), Strings{});

  OldFile("old.log", 8, 1024);
  clock.AdvanceSeconds(3600);
  logger->LSM_Run();
  EXPECT_EQ(TextsAfterInit(), Strings{"Removed 1 logs. Freed 1.00 kB of disk space."});
}

TEST_F(LogMaintenance, DoesNothingBeforeInit) {
  const std::string old = OldFile("old.log", 400);
  logger->LSM_Run();
  EXPECT_TRUE(fs::exists(old));
  EXPECT_EQ(logger->CurrentFilePath(), "");
}

TEST_F(LogMaintenance, RemovesOnlyVisiblePlainFilesOfTheFolderItself) {
  logger->WriteLog("open log");
  const std::string anyName = OldFile("notes.txt", 8);
  const std::string hidden = OldFile(".hidden.log", 8);
  fs::create_directory(logDir + "/sub");
  const std::string inSub = logDir + "/sub/deep.log";
  WriteFile(inSub, 10);
  SetModified(inSub, DaysAgo(8));
  SetModified(logDir + "/sub", DaysAgo(8));
  const std::string outside = root + "/beside.log";
  WriteFile(outside, 10);
  SetModified(outside, DaysAgo(8));
  const std::string link = logDir + "/link.log";
  ASSERT_EQ(::symlink(outside.c_str(), link.c_str()), 0);

  logger->LSM_Init(7);
  logger->LSM_Run();

  // Removed although the announced folder is upper-cased, which here names no folder.
  EXPECT_FALSE(fs::exists(anyName));
  for (const std::string& p : {hidden, inSub, outside, link})
    EXPECT_TRUE(fs::exists(fs::symlink_status(p))) << p;
  EXPECT_EQ(Texts(), (Strings{"open log", Announcement(7), "Removed 1 logs. Freed 0.01 kB of disk space."}));
}

TEST_F(LogMaintenance, NeverRemovesTheFileItIsWritingTo) {
  logger->WriteLog("started long ago");
  logger->LSM_Init(7);
  const std::string current = logger->CurrentFilePath();
  SetModified(current, DaysAgo(30));
  logger->LSM_Run();
  logger->WriteLog("still here");

  EXPECT_EQ(logger->CurrentFilePath(), current);
  EXPECT_EQ(Texts(), (Strings{"started long ago", Announcement(7), "still here"}));
}

TEST_F(LogMaintenance, FileHelpers) {
  const std::string file = logDir + "/sized.log";
  WriteFile(file, 1234);
  const core::Date when = core::Date::FromParts(2026, 11, 3, 7, 8, 9);
  SetModified(file, when);
  EXPECT_EQ(logger->GetLastModifiedFileTime(file), when);
  EXPECT_EQ(logger->GetFileSizeInBytes(file), 1234);

  const std::string missing = logDir + "/missing.log";
  EXPECT_EQ(logger->GetLastModifiedFileTime(missing), clock.Now());
  EXPECT_EQ(logger->GetFileSizeInBytes(missing), 0);

  EXPECT_TRUE(logger->KillFileAndDiscardError(file));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(logger->KillFileAndDiscardError(file));
  fs::create_directory(logDir + "/folder");
  EXPECT_FALSE(logger->KillFileAndDiscardError(logDir + "/folder"));
  EXPECT_TRUE(fs::is_directory(logDir + "/folder"));
}

}  // namespace
}  // namespace loggertest
