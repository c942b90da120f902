#pragma once

#include <zip.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
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

  // Makes the archive at path lie about a member: its headers (local and central) declare
  // size bytes unpacked, whatever the data holds. False when the member is not found in both.
  static bool DeclareSize(const std::string& path, const std::string& member, std::uint32_t size) {
    std::string bytes;
    {
      std::ifstream in(path, std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      bytes = ss.str();
    }
    auto u16 = [&](std::size_t at) {
      return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at])) |
             static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    // (signature, offset of the unpacked size, offset of the name length, offset of the name)
    const struct {
      std::uint32_t signature;
      std::size_t size, nameLength, name;
    } headers[] = {{0x04034b50, 22, 26, 30}, {0x02014b50, 24, 28, 46}};
    int patched = 0;
    for (const auto& h : headers) {
      for (std::size_t i = 0; i + h.name <= bytes.size(); ++i) {
        std::uint32_t sig;
        std::memcpy(&sig, bytes.data() + i, 4);  // the zip format and this machine are little-endian
        if (sig != h.signature || u16(i + h.nameLength) != member.size() ||
            bytes.compare(i + h.name, member.size(), member) != 0)
          continue;
        std::memcpy(bytes.data() + i + h.size, &size, 4);
        ++patched;
        break;
      }
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return patched == 2;
  }

 private:
  std::deque<std::pair<std::string, std::string>> members_;
  std::string error_;
};
