#pragma once

#include <string>
#include <string_view>

namespace platform::xml {

// Replaces a file as a whole: the content goes into a new file beside it,
// reaches the disk, and is then renamed over the old one. A failure at any
// step (full disk, read-only folder, crash) leaves the old file as it was.
// A new file gets the permissions of the file it replaces.
class AtomicFile {
 public:
  static bool Write(const std::string& path, std::string_view content, std::string& error);
};

}  // namespace platform::xml
