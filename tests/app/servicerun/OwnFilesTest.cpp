// The built program as a service, with its own files in states a hostile or careless hand left
// them in: the handle file and the lock files as links to a file outside the folder (or to none),
// and DeraRed.ini without a readable id. Nothing is written through a link, nothing is made where
// one points, and no run starts from id 0 or imports nothing without standard error saying so.
#include <sys/stat.h>

#include "ProgramFolder.h"

using servicerun::ProgramFolder;
using testsupport::Describe;

namespace {

namespace fs = std::filesystem;

class OwnFiles : public ProgramFolder {
 protected:
  // Runs a service in the folder until its first run went to sleep, then stops it; what it wrote
  // on standard error. False in ok when it did not get there.
  std::string RunOnce(const fs::path& folder, bool& ok) {
    auto& service = StartService(folder);
    ok = WaitFor([&] { return AllLogs(folder); }, "Going to Sleep mode", service, 90);
    service.Signal(SIGTERM);
    ok = service.WaitForEnd(servicerun::kEndLimit).has_value() && ok;
    return service.Errors();
  }
};

}  // namespace

TEST_F(OwnFiles, TheHandleAndLockFilesAsLinksAreNeverWrittenThrough) {
  const fs::path outside = MakeFolder(folder_.filename().string() + "-outside");
  fs::remove(outside / "k30418");
  const fs::path sentinel = outside / "sentinel.txt";
  const std::string kept = "the first line of a file elsewhere\n";
  struct Case {
    const char* file;
    bool dangling;
  } cases[] = {
      {"k30418.log_handle", false},           {"k30418.log_handle", true},
      {"k30418_ntservice.lock", false},       {"k30418_ntservice.lock", true},
      {"k30418_ntservice.lock.guard", false}, {"k30418_ntservice.lock.guard", true},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.file) + (c.dangling ? " (dangling)" : "");
    SCOPED_TRACE(name);
    std::ofstream(sentinel, std::ios::binary | std::ios::trunc) << kept;
    ::chmod(sentinel.c_str(), 0600);
    const fs::path missing = outside / "missing.txt";
    const fs::path folder = folder_ / fs::path(name).filename();
    fs::create_directories(folder);
    fs::copy_file(K30418_EXECUTABLE, folder / "k30418");
    WriteConfiguration(folder);  // no collector: the run ends at once
    fs::create_symlink(c.dangling ? missing : sentinel, folder / c.file);

    bool ok = false;
    const std::string told = RunOnce(folder, ok);
    ASSERT_TRUE(ok) << AllLogs(folder) << told;
    EXPECT_EQ(ReadFile(sentinel), kept);
    struct stat st {};
    ASSERT_EQ(::stat(sentinel.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(missing))) << "made where a dangling link points";
    if (std::string(c.file) == "k30418.log_handle") {
      EXPECT_FALSE(fs::is_symlink(folder / c.file));
      EXPECT_EQ(HandleLogPath(folder), Logs(folder).back().string());
    } else {
      EXPECT_NE(AllLogs(folder).find("The service instance lock holds on the folder " + folder.string() +
                                     " alone: the lock file " + (folder / c.file).string() +
                                     " is a symbolic link, which the lock never follows; remove the link."),
                std::string::npos)
          << AllLogs(folder);
    }
  }
}

// DeraRed.ini without a readable id: a file of other settings (or none) starts from id 0 as it
// always did, and says so; a file that cannot be read imports nothing, and says why. Either way
// standard error hears it once, with what to do.
TEST_F(OwnFiles, ADeraRedIniWithoutAReadableIdIsToldOnStandardError) {
  DesignateCollector();
  ASSERT_TRUE(deraRed_.Exec(
      "INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes, question_id1, "
      "answer1) VALUES (1, 1, 5, '2026-12-01', '1899-12-30 08:15:00', 'JSMITH', NULL, 1, '6.42')"));
  const std::string holds =
      "\", which is no whole number from 0 to 2147483647. No answers are imported until the "
      "file holds the line LASTIDIMPORTED=<last imported id>.";
  struct Case {
    const char* name;
    std::function<void(const fs::path& ini)> make;
    std::string line;  // after "The last imported id in <ini> cannot be read: ", or the start from 0 when ""
  } cases[] = {
      {"empty", [](const fs::path& ini) { std::ofstream(ini, std::ios::trunc); }, ""},
      {"comments only", [](const fs::path& ini) { std::ofstream(ini, std::ios::trunc) << "; last id\r\n; kept\r\n"; },
       ""},
      {"mistyped key", [](const fs::path& ini) { std::ofstream(ini, std::ios::trunc) << "LASTIDIMPORTD=1000\r\n"; },
       ""},
      {"FIFO",
       [](const fs::path& ini) {
         fs::remove(ini);
         ::mkfifo(ini.c_str(), 0644);
       },
       "it is a FIFO (named pipe), not a file. No answers are imported until {ini} is a file that holds the line "
       "LASTIDIMPORTED=<last imported id>."},
      {"directory",
       [](const fs::path& ini) {
         fs::remove(ini);
         fs::create_directory(ini);
       },
       "it is a directory, not a file. No answers are imported until {ini} is a file that holds the line "
       "LASTIDIMPORTED=<last imported id>."},
      {"-5", [](const fs::path& ini) { std::ofstream(ini, std::ios::trunc) << "LASTIDIMPORTED=-5\r\n"; },
       "LASTIDIMPORTED holds \"-5" + holds},
      {"2147483648",
       [](const fs::path& ini) { std::ofstream(ini, std::ios::trunc) << "LASTIDIMPORTED=2147483648\r\n"; },
       "LASTIDIMPORTED holds \"2147483648" + holds},
      {"22 digits",
       [](const fs::path& ini) { std::ofstream(ini, std::ios::trunc) << "LASTIDIMPORTED=9999999999999999999999\r\n"; },
       "LASTIDIMPORTED holds \"9999999999999999999999" + holds},
      {"garbage", [](const fs::path& ini) { std::ofstream(ini, std::ios::trunc) << "LASTIDIMPORTED=#!garbage\r\n"; },
       "LASTIDIMPORTED holds \"#!garbage" + holds},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = MakeFolder(folder_.filename().string() + "-" + std::to_string(&c - cases));
    WriteConfiguration(folder);
    const fs::path ini = folder / "DeraRed.ini";
    c.make(ini);

    bool ok = false;
    const std::string told = RunOnce(folder, ok);
    ASSERT_TRUE(ok) << AllLogs(folder) << told;
    const std::string logs = AllLogs(folder);
    std::string line;
    if (c.line.empty()) {
      line = ini.string() +
             " held no last imported id (no LASTIDIMPORTED line): the import reads DeraRed from id 0, "
             "every answer again. To import only the answers after another id, set the line "
             "LASTIDIMPORTED=<id> in " +
             ini.string() + " before the next run.";
      EXPECT_NE(logs.find("Import was successful."), std::string::npos) << logs;
      EXPECT_NE(ReadFile(ini).find("LASTIDIMPORTED=1"), std::string::npos);
    } else {
      line = "The last imported id in " + ini.string() + " cannot be read: " + c.line;
      const auto at = line.find("{ini}");
      if (at != std::string::npos) line.replace(at, 5, ini.string());
      EXPECT_NE(told.find("k30418: Import terminated with error(s)."), std::string::npos) << told;
    }
    EXPECT_EQ(Count(told, "k30418: " + line + "\n"), 1u) << told;
    EXPECT_NE(logs.find(line + "\r\n"), std::string::npos) << logs;  // a silent box is logged after "PROMPT= "
  }
}
