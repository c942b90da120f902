#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

// A folder of its own for one test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("k30418-keys-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }

  void Write(const std::string& relative, const std::string& text) const {
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }

  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

 private:
  std::filesystem::path path_;
};
