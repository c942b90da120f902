#pragma once

#include <zip.h>

#include <deque>
#include <string>
#include <utility>

// Writes a zip archive from members given in memory, for tests that need a real archive.
class ZipBuilder {
 public:
  ZipBuilder& Add(std::string name, std::string content) {
    members_.emplace_back(std::move(name), std::move(content));
    return *this;
  }

  // Writes the archive at path, replacing any file there. False with the reason in error().
  bool Write(const std::string& path) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
      error_ = "zip_open failed with " + std::to_string(code);
      return false;
    }
    for (const auto& [name, content] : members_) {
      // The buffers live in members_ until zip_close has read them.
      zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
      if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
        if (source) zip_source_free(source);
        error_ = zip_strerror(archive);
        zip_discard(archive);
        return false;
      }
    }
    if (zip_close(archive) != 0) {
      error_ = zip_strerror(archive);
      zip_discard(archive);
      return false;
    }
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  std::deque<std::pair<std::string, std::string>> members_;
  std::string error_;
};
