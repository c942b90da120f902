#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace platform::xml {

// Replaces a file as a whole: the content goes into a new file beside it,
// reaches the disk, and is then renamed over the old one. A failure at any
// step (full disk, read-only folder, crash) leaves the old file as it was.
// The new file, and the temporary it is written to, are readable and writable
// by their owner only unless another mode is given (the content may hold
// passwords); the temporary is named <file>.XXXXXX and is locked (flock) while
// it is written.
//
// A file that is a symbolic link is, by default, followed: the file it names is
// replaced, beside itself, and the link stays (a configuration kept elsewhere).
// With Link::Replace the name itself is replaced: a link there becomes a file of
// the folder, and nothing is ever written where it pointed (the program's own
// state files).
class AtomicFile {
 public:
  enum class Link { Follow, Replace };

  static bool Write(const std::string& path, std::string_view content, std::string& error, mode_t mode = 0600,
                    Link link = Link::Follow);

  // True when fileName has the shape of a temporary of Write for targetFileName
  // (both plain file names, no folder).
  static bool IsTemporaryOf(std::string_view fileName, std::string_view targetFileName);
  // True while a Write in some process still holds the temporary; a temporary that
  // nobody holds was left behind by a save that never finished.
  static bool InUse(const std::string& temporaryPath);
};

}  // namespace platform::xml
