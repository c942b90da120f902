// The last imported id file DeraRed.ini: how its entries are read, the key appended when it is
// missing, the rewrite that keeps the other entries, and failures that leave the file whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "foundation/blobs/KrymProgram.h"
#include "import/engine/LastIdFile.h"

namespace {

// A text of bytes that may hold NULs.
template <std::size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

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
      {"LASTIDIMPORTED=\t77 \n", 77},
      {"LASTIDIMPORTED=12.5\n", 12},  // halves go to the even neighbour
      {"LASTIDIMPORTED=13.5\n", 14},
      {"LASTIDIMPORTED=0\n", 0},
      {"LASTIDIMPORTED=5\r\nlastidimported=7\r\n", 7},          // the last one wins
      {"LASTIDIMPORTED=abc\nLASTIDIMPORTED=8\n", 8},            // also over an unreadable one
      {"; a comment\nOTHER=1,LASTIDIMPORTED=42,MORE=2\n", 42},  // a comma ends an entry
      {"LASTIDIMPORTED=43,\n", 43},                              // an empty entry after it adds nothing
      {"\"LASTIDIMPORTED=77\"\n", 77},                          // a quoted entry loses its quotes
      {"\xEF\xBB\xBFLASTIDIMPORTED=1005\r\n", 1005},             // a UTF-8 byte-order mark is no part of the key
      {"; Z\xE4hler\nLASTIDIMPORTED=9\n", 9},                    // an ANSI comment does not stop the read
  };
  for (const Case& c : cases) {
    Write(c.content);
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), c.id) << c.content;
    EXPECT_EQ(Content(), c.content) << "the file is left as it was";
  }
  EXPECT_TRUE(Boxes().empty());
}

// A file that is there but says no readable id must not send the next run back to the first
// transaction: the read fails, names the file and what it found, and leaves the file alone.
TEST_F(LastIdFileTest, AnUnreadableIdIsAReadFailureThatChangesNothing) {
  struct Case {
    std::string content;
    std::string found;  // what the message says it found
  } cases[] = {
      {Bytes("\xFF\xFEL\0A\0S\0T\0I\0D\0I\0M\0P\0O\0R\0T\0E\0D\0=\0\x31\0\r\0\n\0"), "UTF-16"},
      {Bytes("L\0A\0S\0T\0=\0\x31\0"), "NUL byte at offset 1"},
      {"\x89PNG\r\n\x1a\n", "control byte 0x1A at offset 6"},
      {Bytes("LASTIDIMPORTED=10\0" "05\n"), "NUL byte at offset 17"},
      {"LASTIDIMPORTED=0x3ED\n", "LASTIDIMPORTED holds \"0x3ED\""},
      {"LASTIDIMPORTED=&H3ED\n", "LASTIDIMPORTED holds \"&H3ED\""},
      {"LASTIDIMPORTED=1,005\n", "LASTIDIMPORTED holds \"1,005\""},
      {"LASTIDIMPORTED=1e3\n", "LASTIDIMPORTED holds \"1e3\""},
      {"LASTIDIMPORTED=-7\n", "LASTIDIMPORTED holds \"-7\""},
      {"LASTIDIMPORTED=\n", "LASTIDIMPORTED holds \"\""},
      {"LASTIDIMPORTED=abc\n", "LASTIDIMPORTED holds \"abc\""},
      {"LASTIDIMPORTED=1=2\n", "LASTIDIMPORTED holds \"1=2\""},
      {"LASTIDIMPORTED=5\nLASTIDIMPORTED=x\n", "LASTIDIMPORTED holds \"x\""},  // the last one decides
      {"A=1\nLASTIDIMPORTED 1005\n", "the entry \"LASTIDIMPORTED 1005\" has no \"=\""},
      // No key, and a line that is no setting: the id is lost, not 0.
      {"0x3ED\r\n", "it holds no LASTIDIMPORTED entry, but \"0x3ED\""},
      {"1005\n", "it holds no LASTIDIMPORTED entry, but \"1005\""},
      {"OTHER=1\ngarbage\n", "it holds no LASTIDIMPORTED entry, but \"garbage\""},
  };
  for (const Case& c : cases) {
    Write(c.content);
    program_.Presenter().boxes.clear();
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1) << c.found;
    EXPECT_EQ(Content(), c.content) << c.found << ": the file is left as it was";
    ASSERT_EQ(Boxes().size(), 1u) << c.found;
    const std::string& prompt = Boxes()[0].prompt;
    EXPECT_EQ(prompt.rfind("The last imported id in " + Path() + " cannot be read: ", 0), 0u) << prompt;
    EXPECT_NE(prompt.find(c.found), std::string::npos) << prompt;
    EXPECT_TRUE(program_.Logged(prompt)) << "the reason is in the log too: " << prompt;
  }
  EXPECT_FALSE(std::filesystem::exists(TempFile()));
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
      {"LASTIDIMPORTEDX=5\nLAST IDIMPORTED=6\n", "LASTIDIMPORTEDX=5\nLAST IDIMPORTED=6\nLASTIDIMPORTED=0\n"},
      {"\xEF\xBB\xBF", "\xEF\xBB\xBFLASTIDIMPORTED=0\n"},  // the mark stays where it is, once
      {"\xEF\xBB\xBFOTHER=1\n", "\xEF\xBB\xBFOTHER=1\nLASTIDIMPORTED=0\n"},
      {"; ids of the DeraRed import\n\n", "; ids of the DeraRed import\n\nLASTIDIMPORTED=0\n"},  // comments, blanks
  };
  for (const Case& c : cases) {
    Write(c.content);
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0) << c.content;
    EXPECT_EQ(Content(), c.after) << c.content;
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0) << "read again: " << c.content;
    EXPECT_EQ(Content(), c.after) << "not appended twice: " << c.content;
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LastIdFileTest, AFileWithTheKeyIsNotChangedByReading) {
  Write("A=1\n LASTIDIMPORTED = 9\n");
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 9);
  EXPECT_EQ(Content(), "A=1\n LASTIDIMPORTED = 9\n");
}

TEST_F(LastIdFileTest, AnIdBeyondThirtyTwoBitsIsUnreadable) {
  Write("LASTIDIMPORTED=99999999999\n");
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].prompt, "The last imported id in " + Path() +
                                   " cannot be read: LASTIDIMPORTED holds \"99999999999\", which is no whole number "
                                   "from 0 to 2147483647. No answers are imported until the file holds the line "
                                   "LASTIDIMPORTED=<last imported id>.");
  EXPECT_EQ(Boxes()[0].style, 0);
  Write("LASTIDIMPORTED=2147483647.5\n");  // rounds to 2147483648
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1);
  Write("LASTIDIMPORTED=2147483647.4\n");
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 2147483647);
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
      // Every other line stands as it was: comments, blank lines, lines without "=", commas.
      {"; comment line\nSERVER = X\n\nLASTIDIMPORTED=3\n", "; comment line\nSERVER = X\n\nLASTIDIMPORTED=1500\n"},
      {"[ids]\nOTHER=1,2\n  padded = x ,y\r\nLASTIDIMPORTED=3\n",
       "[ids]\nOTHER=1,2\n  padded = x ,y\r\nLASTIDIMPORTED=1500\n"},
      {"A=1,B=2,LASTIDIMPORTED=4", "A=1,B=2,LASTIDIMPORTED=1500"},
      {"A=1, LASTIDIMPORTED=4 ,B=2\n", "A=1,LASTIDIMPORTED=1500,B=2\n"},
      {"LASTIDIMPORTED=43,\n", "LASTIDIMPORTED=1500,\n"},
      {"\"NOTE=a,b\"\n", "\"NOTE=a,b\"\n"},
      {"\"LASTIDIMPORTED=7\"\r\n; Z\xE4hler\n", "LASTIDIMPORTED=1500\r\n; Z\xE4hler\n"},
      {"A=1\r\nLASTIDIMPORTED=3\r\n", "A=1\r\nLASTIDIMPORTED=1500\r\n"},
      {"A=1\n", "A=1\n"},  // a file without the key keeps lacking it
      {"\xEF\xBB\xBF" "A=1\r\nLASTIDIMPORTED=3\r\n", "\xEF\xBB\xBF" "A=1\r\nLASTIDIMPORTED=1500\r\n"},
      {"\xEF\xBB\xBFLASTIDIMPORTED=3\n", "\xEF\xBB\xBFLASTIDIMPORTED=1500\n"},
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

TEST_F(LastIdFileTest, AFileThatIsNoTextIsNotRewritten) {
  const std::string utf16 = Bytes("\xFF\xFEL\0=\0\x31\0");
  Write(utf16);
  EXPECT_EQ(LastIdFile::PutLastIdImported(1500), -1);
  EXPECT_EQ(Content(), utf16);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].prompt, "The last imported id in " + Path() +
                                   " is not rewritten: the file is UTF-16 text; it must be saved as UTF-8 or ASCII.");
  EXPECT_FALSE(std::filesystem::exists(TempFile()));
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

// An installation may keep DeraRed.ini elsewhere and link to it: a save, and the key's first
// append, write the file the link names (beside it) and keep the link; a link whose file is gone
// is a missing file.
TEST_F(LastIdFileTest, ASaveThroughASymbolicLinkWritesTheLinkedFileAndKeepsTheLink) {
  namespace fs = std::filesystem;
  TempFolder shared;
  shared.Write("ids/real.ini", "OTHER=1\nLASTIDIMPORTED=5\n");
  const fs::path real = shared.Path() / "ids" / "real.ini";
  struct Case {
    const char* name;
    fs::path link;  // what DeraRed.ini names
  } cases[] = {
      {"absolute", real},
      // a relative link to a second link, itself relative
      {"relative, two hops", fs::path("hop") / "next.ini"},
  };
  fs::create_directories(program_.Folder().Path() / "hop");
  fs::create_symlink(fs::relative(real, program_.Folder().Path() / "hop"),
                     program_.Folder().Path() / "hop" / "next.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(Path());
    fs::create_symlink(c.link, Path());
    shared.Write("ids/real.ini", "OTHER=1\nLASTIDIMPORTED=5\n");
    ::chmod(real.c_str(), 0640);

    EXPECT_EQ(LastIdFile::PutLastIdImported(1500), 0);
    EXPECT_TRUE(fs::is_symlink(Path()));
    EXPECT_EQ(fs::read_symlink(Path()), c.link);
    EXPECT_EQ(TempFolder::Read(real), "OTHER=1\nLASTIDIMPORTED=1500\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 1500);

    shared.Write("ids/real.ini", "OTHER=1\n");
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0);
    EXPECT_TRUE(fs::is_symlink(Path()));
    EXPECT_EQ(TempFolder::Read(real), "OTHER=1\nLASTIDIMPORTED=0\n");
  }
  for (const fs::path& folder : {program_.Folder().Path(), shared.Path() / "ids"}) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.starts_with("TempJunk"); }),
              0)
        << folder;
  }
  EXPECT_TRUE(Boxes().empty());

  fs::remove(real);
  EXPECT_EQ(LastIdFile::PutLastIdImported(1600), -1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].prompt, "Could not find file " + Path());
  EXPECT_FALSE(fs::exists(real)) << "a missing file is not created";
  EXPECT_TRUE(fs::is_symlink(Path()));
}

// A file of other settings, or none, makes the run start from id 0, as it always did, but never
// unseen: the log and the journal say what the file lacked, where the import starts, and how to
// set the id. Once the key is there, nothing more is said.
TEST_F(LastIdFileTest, AFileWithoutAnIdStartsFromZeroAndSaysSo) {
  std::vector<std::string> journal;
  Program().logger->Journal([&journal](const std::string& line) { journal.push_back(line); });
  const std::string notice = Path() +
                             " held no last imported id (no LASTIDIMPORTED line): the import reads DeraRed from id "
                             "0, every answer again. To import only the answers after another id, set the line "
                             "LASTIDIMPORTED=<id> in " +
                             Path() + " before the next run.";
  for (const char* content : {"", "; ids of the DeraRed import\n; kept by the service\n", "LASTIDIMPORTD=1000\n"}) {
    SCOPED_TRACE(content);
    Write(content);
    journal.clear();
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0);
    EXPECT_EQ(journal, std::vector<std::string>{notice});
    EXPECT_TRUE(program_.Logged(notice));
    EXPECT_EQ(Content(), std::string(content) + "LASTIDIMPORTED=0\n");
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 0);
    EXPECT_EQ(journal.size(), 1u) << "a file with the key is no news";
  }
  EXPECT_TRUE(Boxes().empty());
}

// What keeps the id from being read reaches the journal, named as it is, once however many runs
// meet it, with what brings the import back; and the journal hears when the file reads again.
TEST_F(LastIdFileTest, AnUnreadableFileIsToldToTheJournalOncePerCause) {
  namespace fs = std::filesystem;
  std::vector<std::string> journal;
  Program().logger->Journal([&journal](const std::string& line) { journal.push_back(line); });
  const std::string until = "holds the line LASTIDIMPORTED=<last imported id>.";
  struct Case {
    const char* name;
    std::function<void()> make;
    std::string reason;
  } cases[] = {
      {"FIFO", [&] { ASSERT_EQ(::mkfifo(Path().c_str(), 0644), 0); }, "it is a FIFO (named pipe), not a file"},
      {"directory", [&] { fs::create_directory(Path()); }, "it is a directory, not a file"},
      {"-5", [&] { Write("LASTIDIMPORTED=-5\n"); },
       "LASTIDIMPORTED holds \"-5\", which is no whole number from 0 to 2147483647"},
      {"2147483648", [&] { Write("LASTIDIMPORTED=2147483648\n"); },
       "LASTIDIMPORTED holds \"2147483648\", which is no whole number from 0 to 2147483647"},
      {"22 digits", [&] { Write("LASTIDIMPORTED=9999999999999999999999\n"); },
       "LASTIDIMPORTED holds \"9999999999999999999999\", which is no whole number from 0 to 2147483647"},
      {"garbage value", [&] { Write("LASTIDIMPORTED=q#7!\n"); },
       "LASTIDIMPORTED holds \"q#7!\", which is no whole number from 0 to 2147483647"},
      {"garbage line", [&] { Write("q#7!\n"); }, "it holds no LASTIDIMPORTED entry, but \"q#7!\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.make();
    journal.clear();
    program_.Presenter().boxes.clear();
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1);
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1);
    ASSERT_EQ(journal.size(), 1u) << "once per cause";
    const std::string line = journal[0];
    EXPECT_EQ(line.rfind("The last imported id in " + Path() + " cannot be read: " + c.reason + ". ", 0), 0u) << line;
    EXPECT_TRUE(line.ends_with(until)) << line;
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].prompt, line);
    EXPECT_TRUE(program_.Logged(line));

    fs::remove(Path());
    Write("LASTIDIMPORTED=7\n");
    EXPECT_EQ(LastIdFile::GetLastTransIdImported(), 7);
    EXPECT_EQ(journal, (std::vector<std::string>{line, "The last imported id in " + Path() +
                                                           " can be read again: the import goes on after id 7."}));
    EXPECT_FALSE(Program().logger->OwnFilesFailing());
    fs::remove(Path());
  }
  // A missing file keeps the box it always had, and the journal hears of it too.
  journal.clear();
  EXPECT_EQ(LastIdFile::GetLastTransIdImported(), -1);
  EXPECT_EQ(journal, std::vector<std::string>{"The last imported id in " + Path() +
                                              " cannot be read: the file does not exist. No answers are imported "
                                              "until " +
                                              Path() + " is a file that " + until});
}

// A process killed at any moment of a rewrite or of the key's first append leaves a whole
// file: the old one or the new one, never a part, never none.
TEST_F(LastIdFileTest, AProcessKilledWhileWritingLeavesAWholeFile) {
  std::mt19937 random(20240310);
  const std::regex whole("SERVER=X\n(LASTIDIMPORTED=[0-9]+\n)?");
  for (int round = 0; round < 60; ++round) {
    Write("SERVER=X\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (std::int32_t id = 1;; ++id) {
        // The key is appended to a file without it, and then rewritten with the next id.
        if (id % 8 == 0) {
          const std::string reset = program_.Folder().Str() + "/reset.tmp";
          std::ofstream(reset) << "SERVER=X\n";
          std::filesystem::rename(reset, Path());
        }
        if (LastIdFile::GetLastTransIdImported() < 0 || LastIdFile::PutLastIdImported(id) < 0) ::_exit(1);
      }
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed before it was killed";
    const std::string content = Content();
    EXPECT_TRUE(std::regex_match(content, whole)) << "round " << round << ": " << content;
    std::filesystem::remove(program_.Folder().Str() + "/TempJunk" + std::to_string(child) + ".txt");
  }
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

namespace {

// A failed save is a failure of the program's own files: the journal (standard error) hears of
// it with the system's reason once, however often it fails alike, and hears when it works again.
TEST_F(LastIdFileTest, AFailedSaveIsToldToTheJournalOncePerCause) {
  std::vector<std::string> journal;
  Program().logger->Journal([&journal](const std::string& line) { journal.push_back(line); });
  Write("LASTIDIMPORTED=1\n");
  {
    FileSizeLimit limit(20);
    EXPECT_EQ(LastIdFile::PutLastIdImported(2147483647), -1);
    EXPECT_EQ(LastIdFile::PutLastIdImported(2147483646), -1);
  }
  EXPECT_EQ(journal, std::vector<std::string>{"The last imported id cannot be saved in " + Path() +
                                              ": File too large (Error in PutLastIdImported: 61 - Disk full). Each "
                                              "run imports again from the id saved last, until it can be saved."});
  EXPECT_TRUE(Program().logger->OwnFilesFailing());
  EXPECT_EQ(LastIdFile::PutLastIdImported(2), 0);
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[1], "The last imported id is saved in " + Path() + " again.");
  EXPECT_FALSE(Program().logger->OwnFilesFailing());
}

}  // namespace
