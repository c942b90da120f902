#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"

// A program context whose log is a real log file in a folder of the test's own, for tests that
// check what a feature writes to the log. The context is installed while the object lives.
class FeatureTestLog {
 public:
  explicit FeatureTestLog(std::int16_t verbosity = 9)
      : dir_(std::filesystem::temp_directory_path() /
             ("k30418-features-" + std::to_string(std::random_device{}()) + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directories(dir_);
    logger_ = std::make_unique<QALLoggerTXT>(dir_.string(), "k30418");
    logger_->LogPath((dir_ / "log").string());
    logger_->BufferLength(1);
    logger_->Enabled(true);
    logger_->Verbosity(verbosity);
    context_.logger = logger_.get();
    scope_ = std::make_unique<ProgramScope>(context_);
  }
  ~FeatureTestLog() {
    scope_.reset();
    logger_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  FeatureTestLog(const FeatureTestLog&) = delete;
  FeatureTestLog& operator=(const FeatureTestLog&) = delete;

  ProgramContext& Context() { return context_; }
  QALLoggerTXT& Logger() { return *logger_; }

  // The texts of the lines written so far, without their time stamps.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    const std::string path = logger_->CurrentFilePath();
    if (path.empty()) return out;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // "hh:mm:ss : text"
      out.push_back(line.size() >= 11 && line.compare(8, 3, " : ") == 0 ? line.substr(11) : line);
    }
    return out;
  }
  bool Has(const std::string& text) const {
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }
  // Lines that start with the text.
  std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : Lines())
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  std::string All() const {
    std::string s;
    for (const std::string& l : Lines()) s += l + "\n";
    return s;
  }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<QALLoggerTXT> logger_;
  ProgramContext context_;
  std::unique_ptr<ProgramScope> scope_;
};
