// The last imported id file DeraRed.ini: how its entries are read, the key appended when it is
// missing, the rewrite that keeps the other entries, and failures that leave the file whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/blobs/KrymProgram.h"
#include "import/engine/LastIdFile.h"

namespace {

class LastIdFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return LastIdFile::LastIdFilePath(); }
  void Write(const std::string& content) { program_.Folder().Write("DeraRed.ini", content); }
  std::string Content() const { return TempFolder::Read(Path()); }
  const std::vector<RecordingPresenter::Box>& Boxes() { return program_.Presenter().boxes; }
  std::string TempFile() const {
    return program_.Folder().Str() + "/TempJunk" + std::to_string(static_cast<long>(::getpid())) + ".txt";
  }

  KrymProgram program_;
};

TEST_F(LastIdFileTest, TheFileIsBesideTheProgram) { EXPECT_EQ(Path(), program_.Folder().Str() + "/DeraRed.ini"); }

TEST_F(LastIdFileTest, ReadingTakesTheLastKeyEntryAsAWholeNumber) {
  struct Case {
    const char* content;
    std::int32_t id;
  } cases[] = {
      {" lastidimported = 1234\n", 1234},  // key trimmed and upper-cased, value read with its blanks
      {"LASTIDIMPORTED=abc\n", 0},
      {"LASTIDIMPORTED=\n", 0},
      {"LASTIDIMPORTED=12.5\n", 12},  // halves go to the even neighbour
      {"LASTIDIMPORTED=13.5\n", 14},
      {"LASTIDIMPORTED=-7\n", -7},
      {"LASTIDIMPORTED=5\r\nlastidimported=7\r\n", 7},          // the last one wins
      {"; a comment\nOTHER=1,LASTIDIMPORTED=42,MORE=2\n", 42},  // a comma ends an entry
      {"\"LASTIDIMPORTED=77\"\n", 77},                          // a quoted entry loses its quotes
      {"LASTIDIMPORTED=1=2\n", 0},                              // the value is all after the first "="
      {"LASTIDIMPORTEDX=5\nLAST IDIMPORTED=6\n", 0},            // neither is the key
  };
  for (const Case& c : cases) {
    Write(c.content);
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), c.id) << c.content;
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LastIdFileTest, AMissingKeyIsAppendedOnALineOfItsOwn) {
  struct Case {
    const char* content;
    const char* after;
  } cases[] = {
      {"", "LASTIDIMPORTED=0\n"},
      {"OTHER=1\n", "OTHER=1\nLASTIDIMPORTED=0\n"},
      {"OTHER=1", "OTHER=1\nLASTIDIMPORTED=0\n"},  // the last line had no line end
      {"OTHER=1\r\n", "OTHER=1\r\nLASTIDIMPORTED=0\r\n"},
      {"lastid=5\n", "lastid=5\nLASTIDIMPORTED=0\n"},
  };
  for (const Case& c : cases) {
    Write(c.content);
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0) << c.content;
    EXPECT_EQ(Content(), c.after) << c.content;
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0) << "read again: " << c.content;
    EXPECT_EQ(Content(), c.after) << "not appended twice: " << c.content;
  }
}

TEST_F(LastIdFileTest, AFileWithTheKeyIsNotChangedByReading) {
  Write("A=1\n LASTIDIMPORTED = 9\n");
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 9);
  EXPECT_EQ(Content(), "A=1\n LASTIDIMPORTED = 9\n");
}

TEST_F(LastIdFileTest, AnIdBeyondThirtyTwoBitsIsAnError) {
  Write("LASTIDIMPORTED=99999999999\n");
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].prompt, "Error in GetLastTransIdImported: 6 - Overflow");
  EXPECT_EQ(Boxes()[0].style, 0);
}

TEST_F(LastIdFileTest, AMissingFileIsReportedByBothAndNotCreated) {
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1);
  std::int32_t id = 5;
  EXPECT_EQ(LastIdFile::PutLastIdImported(id), -1);
  ASSERT_EQ(Boxes().size(), 2u);
  for (const auto& box : Boxes()) {
    EXPECT_EQ(box.prompt, "Could not find file " + Path());
    EXPECT_EQ(box.style, 0);
  }
  EXPECT_FALSE(std::filesystem::exists(Path()));
}

TEST_F(LastIdFileTest, RewritingSetsEveryKeyEntryAndKeepsTheOtherEntries) {
  struct Case {
    const char* content;
    const char* after;
  } cases[] = {
      {" lastidimported = 1234\n", "LASTIDIMPORTED=1500\n"},
      {"LASTIDIMPORTED=1\nLASTIDIMPORTED=2\n", "LASTIDIMPORTED=1500\nLASTIDIMPORTED=1500\n"},
      {"; comment line\nSERVER = X\n\nLASTIDIMPORTED=3\n", "SERVER = X\nLASTIDIMPORTED=1500\n"},
      {"A=1,B=2,LASTIDIMPORTED=4", "A=1\nB=2\nLASTIDIMPORTED=1500\n"},
      {"\"NOTE=a,b\"\n", "NOTE=a,b\n"},
      {"A=1\r\nLASTIDIMPORTED=3\r\n", "A=1\r\nLASTIDIMPORTED=1500\r\n"},
      {"A=1\n", "A=1\n"},  // a file without the key keeps lacking it
  };
  const std::int32_t id = 1500;
  for (const Case& c : cases) {
    Write(c.content);
    EXPECT_EQ(LastIdFile::PutLastIdImported(id), 0) << c.content;
    EXPECT_EQ(Content(), c.after) << c.content;
  }
  EXPECT_EQ(id, 1500);
  EXPECT_FALSE(std::filesystem::exists(TempFile()));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LastIdFileTest, AWrittenIdIsReadBack) {
  Write("");
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0);
  EXPECT_EQ(LastIdFile::PutLastIdImported(2147483647), 0);
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 2147483647);
}

TEST_F(LastIdFileTest, TheRewriteKeepsThePermissionsAndReplacesALeftoverTemporaryFile) {
  Write("LASTIDIMPORTED=1\n");
  ::chmod(Path().c_str(), 0640);
  std::ofstream(TempFile()) << "left behind by a crashed run";
  EXPECT_EQ(LastIdFile::PutLastIdImported(8), 0);
  EXPECT_EQ(Content(), "LASTIDIMPORTED=8\n");
  struct stat st {};
  ASSERT_EQ(::stat(Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(std::filesystem::exists(TempFile()));
}

// Makes a folder unwritable for the test's life: by its permission bits, or, for a user whom
// those do not stop (root), by the file system's immutable flag.
class UnwritableFolder {
 public:
  explicit UnwritableFolder(const std::string& path) : path_(path) {
    ::chmod(path_.c_str(), 0555);
    if (Writable()) SetImmutable(true);
  }
  ~UnwritableFolder() {
    if (immutable_) SetImmutable(false);
    ::chmod(path_.c_str(), 0755);
  }
  bool Writable() const {
    const std::string probe = path_ + "/.probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
  }

 private:
  void SetImmutable(bool on) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0) immutable_ = on;
    }
    ::close(fd);
  }

  std::string path_;
  bool immutable_ = false;
};

TEST_F(LastIdFileTest, ARewriteThatCannotWriteLeavesTheFileWhole) {
  Write("SERVER=X\nLASTIDIMPORTED=1234\n");
  {
    UnwritableFolder folder(program_.Folder().Str());
    if (folder.Writable()) GTEST_SKIP() << "this user can write to any folder; nothing makes one read-only here";
    EXPECT_EQ(LastIdFile::PutLastIdImported(1500), -1);
    EXPECT_EQ(Content(), "SERVER=X\nLASTIDIMPORTED=1234\n");
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 1234);
  }
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].prompt, "Error in PutLastIdImported: 70 - Permission denied");
  EXPECT_EQ(Boxes()[0].style, 0);
  EXPECT_FALSE(std::filesystem::exists(TempFile()));
}

// Lets the process write files no larger than limit bytes for its life (a disk that fills up).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
    rlimit lower = saved_;
    lower.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

TEST_F(LastIdFileTest, ARewriteThatRunsOutOfRoomLeavesTheFileWhole) {
  // The new content is longer than the old: the copy of the old content fits, the new does not.
  Write("LASTIDIMPORTED=1\n");
  {
    FileSizeLimit limit(20);
    EXPECT_EQ(LastIdFile::PutLastIdImported(2147483647), -1);
  }
  EXPECT_EQ(Content(), "LASTIDIMPORTED=1\n");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].prompt, "Error in PutLastIdImported: 61 - Disk full");
  EXPECT_FALSE(std::filesystem::exists(TempFile()));
}

}  // namespace
