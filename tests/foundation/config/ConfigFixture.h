#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "KeyTree.h"
#include "core/Clock.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/xml/FileTestKit.h"
#include "platform/xml/XmlElement.h"

// A folder of its own with a configuration path and a real logger writing
// every line up to level 2 into the folder's log; the clock stands still, so
// all lines go to one file.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logger_ = std::make_unique<QALLoggerTXT>(dir_.string(), "k30418", clock_);
    logger_->LogPath((dir_ / "log").string());
    logger_->BufferLength(1);
    logger_->Verbosity(2);
    logger_->Enabled(true);
  }
  void TearDown() override { logger_.reset(); }

  std::string ConfigPath() const { return (dir_ / "k30418.xml").string(); }

  // A store with the program's key tree, pointed at ConfigPath().
  std::unique_ptr<QALConfiguration> NewStore(bool declare = true) {
    auto c = std::make_unique<QALConfiguration>();
    c->LogHandler(logger_.get());
    c->path(ConfigPath());
    if (declare) DeclareProgramKeyTree(*c);
    return c;
  }

  // The texts of the log lines written so far (time stamps taken off).
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    if (logger_->CurrentFilePath().empty()) return lines;
    std::istringstream in(Read(logger_->CurrentFilePath()));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line.size() >= 11 ? line.substr(11) : line);
    }
    return lines;
  }
  // The lines written since the last call.
  std::vector<std::string> NewLogLines() {
    auto all = LogLines();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return fresh;
  }

  static std::string Read(const std::string& path) { return ReadFile(path); }
  static void Write(const std::string& path, const std::string& text) { WriteFile(path, text); }
  // A file in the configuration's shape with the given data part.
  static std::string FileWithData(const std::string& data,
                                  const std::string& spec = "version=\"1\" encrypted=\"False\"") {
    return "<?xml version=\"1.0\"?>\n<qalconfigurationxml><spec " + spec + ">kb</spec><data>" + data +
           "</data></qalconfigurationxml>\n";
  }
  platform::xml::XmlElement LoadConfigFile() const {
    platform::xml::XmlElement root;
    EXPECT_TRUE(root.LoadFile(ConfigPath())) << root.LastError();
    return root;
  }

  core::ManualClock clock_{core::Date::FromParts(2026, 12, 8, 14, 5, 9)};
  TestFolder folder_{"config"};
  const std::filesystem::path& dir_ = folder_.Path();
  std::unique_ptr<QALLoggerTXT> logger_;
  std::size_t seen_ = 0;
};

inline bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}
