// The exclusive lock: one holder per name across objects and processes, refused askers keeping
// the name open, release and destruction, and the errors of a lock file that cannot be made.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/RuntimeError.h"
#include "foundation/ExclusiveSemaphore.h"
#include "foundation/ProgramContext.h"
#include "foundation/commonglobals/TempFolder.h"
#include "support/ScratchMount.h"

namespace {

class ExclusiveLock : public ::testing::Test {
 protected:
  ExclusiveSemaphore Make() const { return ExclusiveSemaphore("K30418 Test", dir_.Str()); }
  TempFolder dir_;
};

}  // namespace

TEST_F(ExclusiveLock, OnlyTheFirstAskerHoldsAndTheNameIsFreeOnceEveryAskerLetGo) {
  ExclusiveSemaphore first = Make(), second = Make(), third = Make();
  EXPECT_TRUE(first.GetExclusiveLock());
  EXPECT_FALSE(second.GetExclusiveLock());
  EXPECT_TRUE(second.HoldsHandle()) << "a refused asker keeps the name open";
  EXPECT_TRUE(first.IsHolder());
  EXPECT_FALSE(second.IsHolder());

  first.ReleaseLock();
  EXPECT_FALSE(third.GetExclusiveLock()) << "the refused asker still has the name open";
  third.ReleaseLock();

  second.ReleaseLock();
  EXPECT_TRUE(third.GetExclusiveLock());
  EXPECT_TRUE(third.GetExclusiveLock()) << "asking again answers as before";
}

TEST_F(ExclusiveLock, ReleasingTwiceDoesNothingTheSecondTime) {
  ExclusiveSemaphore lock = Make();
  lock.ReleaseLock();  // holds nothing yet
  ASSERT_TRUE(lock.GetExclusiveLock());
  lock.ReleaseLock();
  EXPECT_FALSE(lock.HoldsHandle());
  EXPECT_NO_THROW(lock.ReleaseLock());
  EXPECT_TRUE(Make().GetExclusiveLock());
}

TEST_F(ExclusiveLock, DestroyingAHolderFreesTheName) {
  {
    ExclusiveSemaphore holder = Make();
    ASSERT_TRUE(holder.GetExclusiveLock());
    ExclusiveSemaphore moved = std::move(holder);  // the move takes the hold along
    EXPECT_FALSE(Make().GetExclusiveLock());
  }
  EXPECT_TRUE(Make().GetExclusiveLock());
}

TEST_F(ExclusiveLock, AnotherProcessHoldingTheNameRefusesThisOneUntilItEnds) {
  int toParent[2], toChild[2];
  ASSERT_EQ(::pipe(toParent), 0);
  ASSERT_EQ(::pipe(toChild), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ExclusiveSemaphore lock = Make();
    const char held = lock.GetExclusiveLock() ? 'Y' : 'N';
    (void)!::write(toParent[1], &held, 1);
    char go;
    (void)!::read(toChild[0], &go, 1);  // hold until the parent has asked
    ::_exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(toParent[0], &held, 1), 1);
  EXPECT_EQ(held, 'Y');
  {
    ExclusiveSemaphore mine = Make();
    EXPECT_FALSE(mine.GetExclusiveLock());
  }
  (void)!::write(toChild[1], "x", 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(Make().GetExclusiveLock()) << "the name went with the process";
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(fd);
}

TEST_F(ExclusiveLock, ALockFileThatCannotBeMadeRaisesTheSystemError) {
  ExclusiveSemaphore lock("K30418 Test", (dir_.Path() / "missing").string());
  try {
    lock.GetExclusiveLock();
    FAIL() << "no error raised";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), -2147221504 + ENOENT);
    EXPECT_EQ(e.Source(), "ExclSem.GetExclusiveLock");
    EXPECT_EQ(e.Description(), std::strerror(ENOENT));
  }
  EXPECT_FALSE(lock.HoldsHandle());
}

TEST_F(ExclusiveLock, ErrorTextsOfCodesWithAndWithoutASystemText) {
  EXPECT_EQ(ExclusiveSemaphore::SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(ExclusiveSemaphore::SystemErrorText(99999), "Error (99999) not defined.");
}

TEST_F(ExclusiveLock, TheProgramsLockIsNamedAfterItsTitleInTheRuntimeFolder) {
  ProgramContext ctx;
  ctx.app.Title = "K30418 Collector";
  ProgramScope scope(ctx);
  ExclusiveSemaphore lock;
  EXPECT_EQ(lock.LockPath(),
            (std::filesystem::path(ExclusiveSemaphore::RuntimeFolder()) / "K30418 Collector.lock").string());
}

// A lock anchored on its folder holds the folder itself as well: deleting the name's files
// under a holder (a new asker then finds none and makes new ones) does not make a second holder.
TEST_F(ExclusiveLock, AFolderLockHoldsAgainstAskersAfterItsFilesWereDeleted) {
  auto make = [this] { return ExclusiveSemaphore("K30418 Test", dir_.Str(), ExclusiveSemaphore::Anchor::Folder); };
  ExclusiveSemaphore holder = make();
  ASSERT_TRUE(holder.GetExclusiveLock());
  for (const char* suffix : {"", ".guard"}) {
    SCOPED_TRACE(suffix);
    ASSERT_TRUE(std::filesystem::remove(holder.LockPath() + suffix));
    ExclusiveSemaphore asker = make();
    EXPECT_FALSE(asker.GetExclusiveLock());
    EXPECT_FALSE(asker.IsHolder());
  }

  ExclusiveSemaphore other = make();
  ASSERT_FALSE(other.GetExclusiveLock());
  other.ReleaseLock();
  holder.ReleaseLock();
  EXPECT_TRUE(make().GetExclusiveLock()) << "the folder is free once the holder let go";
  {
    ExclusiveSemaphore moved = make();
    ASSERT_TRUE(moved.GetExclusiveLock());
    ExclusiveSemaphore target = std::move(moved);  // the move takes the folder along
    std::filesystem::remove(target.LockPath());
    EXPECT_FALSE(make().GetExclusiveLock());
  }
  EXPECT_TRUE(make().GetExclusiveLock()) << "destroying the holder frees the folder";
}

// Where the name's files cannot be made, a lock anchored on its folder is the folder's lock
// alone: it still admits one holder, says which file could not be made and why (the first
// refusal, not the missing file of a retry), and meets holders that have their files.
TEST_F(ExclusiveLock, AFolderLockWhoseFilesCannotBeMadeHoldsOnTheFolderAlone) {
  auto make = [](const std::filesystem::path& folder) {
    return ExclusiveSemaphore("K30418 Test", folder.string(), ExclusiveSemaphore::Anchor::Folder);
  };
  // A folder where the guard file would go.
  std::filesystem::create_directory(dir_.Path() / "K30418 Test.lock.guard");
  {
    ExclusiveSemaphore first = make(dir_.Path()), second = make(dir_.Path());
    EXPECT_TRUE(first.GetExclusiveLock());
    EXPECT_EQ(first.FileProblem(), "the lock file " + first.LockPath() + ".guard cannot be made: Is a directory");
    EXPECT_FALSE(second.GetExclusiveLock());
    first.ReleaseLock();
    EXPECT_EQ(first.FileProblem(), "");
    second.ReleaseLock();
    EXPECT_TRUE(make(dir_.Path()).GetExclusiveLock());
  }
  std::filesystem::remove(dir_.Path() / "K30418 Test.lock.guard");
  {
    // A holder with its files, then the guard cannot be made any more: the asker falls back on
    // the folder and is refused there.
    ExclusiveSemaphore holder = make(dir_.Path());
    ASSERT_TRUE(holder.GetExclusiveLock());
    std::filesystem::remove(holder.LockPath() + ".guard");
    std::filesystem::create_directory(holder.LockPath() + ".guard");
    ExclusiveSemaphore asker = make(dir_.Path());
    EXPECT_FALSE(asker.GetExclusiveLock());
    EXPECT_NE(asker.FileProblem(), "");
    std::filesystem::remove(holder.LockPath() + ".guard");
  }

  // A read-only folder, with no lock files in it.
  TempFolder source;
  testsupport::ScratchMount view = testsupport::ScratchMount::ReadOnlyView(source.Path());
  if (!view.Ok()) GTEST_SKIP() << view.Why();
  ExclusiveSemaphore first = make(view.Path()), second = make(view.Path());
  EXPECT_TRUE(first.GetExclusiveLock());
  EXPECT_EQ(first.FileProblem(),
            "the lock file " + first.LockPath() + ".guard cannot be made: Read-only file system");
  EXPECT_FALSE(second.GetExclusiveLock());
  // An unanchored lock there has no folder to fall back on: the real reason is raised.
  try {
    ExclusiveSemaphore("K30418 Test", view.Path().string()).GetExclusiveLock();
    FAIL() << "no error raised";
  } catch (const core::RuntimeError& e) {
    EXPECT_EQ(e.Number(), -2147221504 + EROFS);
  }
}

// The lock's files are files of their folder: a link in the place of the lock file or of its
// guard, to a file elsewhere or to none, is never followed. The anchored lock holds on its
// folder alone and says so; nothing is made where a dangling link points.
TEST_F(ExclusiveLock, ALockFileThatIsALinkIsNeverFollowed) {
  namespace fs = std::filesystem;
  TempFolder outside;
  const fs::path sentinel = outside.Path() / "sentinel.txt";
  const fs::path missing = outside.Path() / "missing.txt";
  for (const char* file : {"K30418 Test.lock", "K30418 Test.lock.guard"}) {
    for (const fs::path& target : {sentinel, missing}) {
      SCOPED_TRACE(std::string(file) + " -> " + target.string());
      outside.Write("sentinel.txt", "keep me\n");
      const fs::path link = dir_.Path() / file;
      fs::create_symlink(target, link);
      {
        ExclusiveSemaphore first("K30418 Test", dir_.Str(), ExclusiveSemaphore::Anchor::Folder);
        ExclusiveSemaphore second("K30418 Test", dir_.Str(), ExclusiveSemaphore::Anchor::Folder);
        EXPECT_TRUE(first.GetExclusiveLock());
        EXPECT_EQ(first.FileProblem(), "the lock file " + link.string() +
                                           " is a symbolic link, which the lock never follows; remove the link");
        EXPECT_FALSE(second.GetExclusiveLock());
      }
      EXPECT_TRUE(fs::is_symlink(link));
      EXPECT_EQ(TempFolder::Read(sentinel), "keep me\n");
      EXPECT_FALSE(fs::exists(fs::symlink_status(missing)));
      fs::remove(dir_.Path() / "K30418 Test.lock");
      fs::remove(dir_.Path() / "K30418 Test.lock.guard");
    }
  }
}
