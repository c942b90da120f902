#include "foundation/logger/LoggerFixture.h"

namespace loggertest {
namespace {

using Strings = std::vector<std::string>;

class LogWriting : public LoggerFixture {};

TEST_F(LogWriting, NamesTheFileAfterItsOpeningTimeAndStampsEachLine) {
  struct Case {
    core::Date opened;
    std::string prefix, postfix, fileName, stamp;
  };
  const Case cases[] = {
      {core::Date::FromParts(2026, 12, 8, 14, 5, 9), "", "_ntservice", "12_08_2026__14_05_09_ntservice.log",
       "14:05:09"},
      {core::Date::FromParts(2027, 1, 2, 9, 3, 4), "pre_", "_interactive",
       "pre_01_02_2027__09_03_04_interactive.log", "09:03:04"},
      {core::Date::FromParts(2026, 7, 31, 0, 0, 0), "", "", "07_31_2026__00_00_00.log", "00:00:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    clock.Set(c.opened);
    logger->Prefix(c.prefix);
    logger->Postfix(c.postfix);
    logger->WriteLog("first");
    clock.AdvanceSeconds(61);
    logger->WriteLog("second");

    EXPECT_EQ(logger->CurrentFilePath(), logDir + "/" + c.fileName);
    const std::string later = core::Format(clock.Now(), "hh:mm:ss");
    EXPECT_EQ(Lines(logDir + "/" + c.fileName), (Strings{c.stamp + " : first", later + " : second"}));
    logger->closeLog();
  }
}

TEST_F(LogWriting, WritesALevelOnlyWhenItsClampedValueIsWithinTheVerbosity) {
  struct Case {
    std::int16_t verbosity;
    int level;
    bool written;
  };
  const Case cases[] = {
      {0, 1, false}, {0, -4, true}, {0, 0, true},  {9, 15, true},
      {9, 9, true},  {3, 3, true},  {3, 4, false}, {2, 32767, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "verbosity " << c.verbosity << ", level " << c.level);
    logger->Verbosity(c.verbosity);
    const std::string text = "level " + std::to_string(c.level);
    logger->WriteLog(text, c.level);
    const Strings texts = Texts();
    EXPECT_EQ(!texts.empty() && texts.back() == text, c.written);
  }
}

TEST_F(LogWriting, AssertVerbosityNamesTheVerbosityAndToday) {
  logger->Verbosity(3);
  logger->AssertVerbosity();
  EXPECT_EQ(Texts(), (Strings{"[Log Verbosity is set to 3, Log Date is 12/8/2026]"}));
}

TEST_F(LogWriting, ALineBreakInATextStaysOnItsStampedLine) {
  logger->WriteLog("Error : 101 - Connection refused\nIs the server running?");
  logger->WriteLog("PROMPT= Error :\r\nthe reason");
  EXPECT_EQ(Texts(), (Strings{"Error : 101 - Connection refused\\nIs the server running?",
                              "PROMPT= Error :\\r\\nthe reason"}));
}

TEST_F(LogWriting, DisabledLoggerWritesNothingAndKeepsItsFileOpen) {
  logger->Enabled(false);
  logger->WriteLog("not written");
  EXPECT_EQ(LogFolder(), Strings{});
  EXPECT_EQ(logger->CurrentFilePath(), "");

  logger->Enabled(true);
  logger->WriteLog("a");
  const std::string first = logger->CurrentFilePath();
  logger->Enabled(false);
  logger->WriteLog("dropped");
  logger->closeLog();  // does nothing while disabled
  clock.AdvanceSeconds(5);
  logger->Enabled(true);
  logger->WriteLog("c");

  EXPECT_EQ(logger->CurrentFilePath(), first);
  EXPECT_EQ(Texts(), (Strings{"a", "c"}));
}

TEST_F(LogWriting, ClosedLogOpensANewFileAtTheNextLine) {
  logger->WriteLog("before");
  const std::string first = logger->CurrentFilePath();
  logger->closeLog();
  clock.AdvanceSeconds(2);
  logger->WriteLog("after");

  EXPECT_EQ(logger->CurrentFilePath(), logDir + "/12_08_2026__14_05_11.log");
  EXPECT_EQ(Lines(first), (Strings{"14:05:09 : before"}));
  EXPECT_EQ(Texts(), (Strings{"after"}));
}

TEST_F(LogWriting, ReopeningWithinTheSameSecondAppends) {
  logger->WriteLog("one");
  logger->closeLog();
  logger->WriteLog("two");
  EXPECT_EQ(LogFolder(), (Strings{"12_08_2026__14_05_09.log"}));
  EXPECT_EQ(Texts(), (Strings{"one", "two"}));
}

TEST_F(LogWriting, FirstLineAfterMidnightStartsANewFileThatPointsBack) {
  clock.Set(core::Date::FromParts(2026, 12, 8, 23, 59, 58));
  logger->WriteLog("last of the day");
  const std::string old = logger->CurrentFilePath();

  clock.Set(core::Date::FromParts(2026, 12, 9, 0, 0, 1));
  logger->WriteLog("first of the next day", 2);  // filtered out: the roll-over waits for a written line
  EXPECT_EQ(logger->CurrentFilePath(), old);
  logger->WriteLog("first of the next day");

  EXPECT_EQ(logger->CurrentFilePath(), logDir + "/12_09_2026__00_00_01.log");
  EXPECT_EQ(Lines(old), (Strings{"23:59:58 : last of the day"}));
  EXPECT_EQ(Lines(logger->CurrentFilePath()),
            (Strings{"00:00:01 : Previous log file for this session = " + old,
                     "00:00:01 : first of the next day"}));
}

TEST_F(LogWriting, HandleFileNamesTheNewestLogInServiceModeOnly) {
  const std::string handle = root + "/k30418.log_handle";
  EXPECT_EQ(logger->HandleFilePath(), handle);

  logger->WriteLog("interactive");
  EXPECT_FALSE(fs::exists(handle));
  logger->closeLog();

  logger->LogHandleAssertion(true);
  logger->Postfix("_ntservice");
  clock.AdvanceSeconds(1);
  logger->WriteLog("service");
  EXPECT_EQ(Lines(handle), Strings{logger->CurrentFilePath()});

  clock.Set(core::Date::FromParts(2026, 12, 9, 0, 0, 3));
  logger->WriteLog("next day");
  EXPECT_EQ(logger->CurrentFilePath(), logDir + "/12_09_2026__00_00_03_ntservice.log");
  EXPECT_EQ(Lines(handle), Strings{logger->CurrentFilePath()});
}

TEST_F(LogWriting, LogPathCreatesOneFolderLevel) {
  const std::string nested = root + "/a/b";
  logger->LogPath(nested);
  EXPECT_EQ(logger->LogPath(), nested);
  EXPECT_FALSE(fs::exists(nested));

  logger->LogPath(root + "/other");
  EXPECT_TRUE(fs::is_directory(root + "/other"));
  logger->LogPath(root + "/other");  // existing folder: no complaint
  EXPECT_EQ(logger->LogPath(), root + "/other");
}

// The lost lines are counted, and the first line the log can take again says what it missed.
TEST_F(LogWriting, LinesAreLostWhileTheFolderCannotBeMadeAndTheNextLineRetries) {
  Strings journal;
  logger->Journal([&journal](const std::string& line) { journal.push_back(line); });
  const std::string parent = root + "/later";
  logger->LogPath(parent + "/log");
  logger->WriteLog("lost");
  logger->WriteLog("lost too");
  EXPECT_EQ(logger->CurrentFilePath(), "");
  EXPECT_EQ(journal, Strings{"The log cannot be written: no log file can be made in " + parent + "/log: the log folder " +
                             parent + "/log cannot be made: No such file or directory. Until it can, the lines that matter (failures, each "
                             "run's closing line) are written here."});

  fs::create_directory(parent);
  clock.AdvanceSeconds(70);
  logger->WriteLog("kept");
  EXPECT_EQ(logger->CurrentFilePath(), parent + "/log/12_08_2026__14_06_19.log");
  EXPECT_EQ(Texts(), (Strings{"The log could not be written from 14:05:09 to 14:06:19 (no log file can be made in " +
                                  parent + "/log: the log folder " + parent +
                                  "/log cannot be made: No such file or directory): 2 line(s) are missing here; the lines that "
                                  "mattered went to standard error (the service's journal).",
                              "kept"}));
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[1], "The log can be written again: " + logger->CurrentFilePath());
}

// Whatever a text holds, it becomes one line that starts with the logger's own stamp: a text
// from outside cannot start a line of its own or grow a line past a few kB.
TEST_F(LogWriting, EveryTextIsOneBoundedLineThatStartsWithTheStamp) {
  logger->WriteLog("Rejected the answer 'bad\r\n12:00:00 : Import was successful.' of transaction 2");
  logger->WriteLog("bell\x07 and \xff\xfe and a\rcarriage return");
  logger->WriteLog(std::string(1 << 20, 'x'));
  logger->WriteLog("after");

  const Strings lines = Lines(logger->CurrentFilePath());
  ASSERT_EQ(lines.size(), 4u);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.rfind("14:05:09 : ", 0), 0u) << line.substr(0, 80);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_LE(line.size(), 4200u);
  }
  EXPECT_EQ(lines[0], "14:05:09 : Rejected the answer 'bad\\r\\n12:00:00 : Import was successful.' of transaction 2");
  EXPECT_EQ(lines[1], "14:05:09 : bell\\x07 and \\xff\\xfe and a\\rcarriage return");
  EXPECT_NE(lines[2].find("... (cut, 1048576 bytes in all)"), std::string::npos);
  EXPECT_EQ(lines[3], "14:05:09 : after");
}

// The handle file is a file of the program's folder: a link in its place, to a file elsewhere
// or to none, becomes the handle file itself, and what it pointed at is never written.
TEST_F(LogWriting, AHandleFileThatIsALinkIsReplacedNeverWrittenThrough) {
  const std::string handle = root + "/k30418.log_handle";
  const std::string outside = root + "/outside";
  fs::create_directory(outside);
  const std::string sentinel = outside + "/sentinel.txt";
  for (const std::string& target : {sentinel, outside + "/missing.txt"}) {
    SCOPED_TRACE(target);
    if (target == sentinel) std::ofstream(sentinel, std::ios::binary) << "keep me\n";
    fs::remove(handle);
    fs::create_symlink(target, handle);
    logger->closeLog();
    logger->LogHandleAssertion(true);
    logger->Postfix("_ntservice");
    clock.AdvanceSeconds(1);
    logger->WriteLog("service");
    EXPECT_FALSE(fs::is_symlink(handle));
    EXPECT_EQ(Lines(handle), Strings{logger->CurrentFilePath()});
  }
  std::ifstream in(sentinel, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(outside + "/missing.txt")));
}

}  // namespace
}  // namespace loggertest
