#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/Date.h"
#include "foundation/QALLoggerTXT.h"

namespace loggertest {

namespace fs = std::filesystem;

// A program folder of its own in /tmp, a stopped clock and an enabled logger
// writing to <folder>/log. The folder goes when the test ends.
class LoggerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "k30418-logger-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    root = templ;
    logDir = root + "/log";
    logger.emplace(root, "k30418", clock);
    logger->LogPath(logDir);
    logger->Enabled(true);
  }
  void TearDown() override {
    logger.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  // The lines of a file split at CR LF; fails the test when a line lacks its CR LF.
  static std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string all = ss.str();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < all.size()) {
      const std::size_t end = all.find("\r\n", start);
      if (end == std::string::npos) {
        ADD_FAILURE() << "line without CR LF at the end of " << path << ": " << all.substr(start);
        break;
      }
      lines.push_back(all.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  // The lines of the open log file without their "hh:mm:ss : " stamp.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const std::string& line : Lines(logger->CurrentFilePath())) {
      texts.push_back(line.size() >= 11 ? line.substr(11) : line);
    }
    return texts;
  }

  std::string LastText() const {
    const std::vector<std::string> t = Texts();
    return t.empty() ? "<no line>" : t.back();
  }

  // The names of the entries in the log folder, sorted.
  std::vector<std::string> LogFolder() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(logDir, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static void WriteFile(const std::string& path, std::size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    out << std::string(bytes, 'x');
  }

  // Sets a file's modification time to a local date (as the logger reads it back).
  static void SetModified(const std::string& path, core::Date local) {
    const core::Date::Parts p = local.Split();
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_hour = p.hour;
    tm.tm_min = p.minute;
    tm.tm_sec = p.second;
    tm.tm_isdst = -1;
    const timespec times[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
  }

  core::Date DaysAgo(double days) const { return core::Date(clock.Now().Serial() - days); }

  core::ManualClock clock{core::Date::FromParts(2026, 12, 8, 14, 5, 9)};
  std::string root, logDir;
  std::optional<QALLoggerTXT> logger;
};

}  // namespace loggertest
