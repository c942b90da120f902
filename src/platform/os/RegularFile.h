#pragma once

#include <sys/types.h>

#include <cstdint>
#include <limits>
#include <string>

namespace platform::os {

// Reads the whole of a regular file without ever waiting at what is not one: the name is looked
// at first, and the file is opened non-blocking, so a FIFO put in its place (between the look
// and the open, too) is told, not waited at for ever; a device is never opened.
struct RegularFileRead {
  enum class Outcome {
    Read,      // content holds the file
    Missing,   // nothing at the name (or a folder of its path is missing)
    NotAFile,  // mode: what stands there (S_IFLNK: a link that is not followed)
    TooLarge,  // size: at least this many bytes, more than the largest allowed
    Failed,    // error: the errno of the step that failed
    Stopped,   // a stop request ended the read
  };
  enum class Step { LookedAt, Opened, Read };

  Outcome outcome = Outcome::Read;
  mode_t mode = 0;
  std::uint64_t size = 0;
  int error = 0;
  Step step = Step::LookedAt;
  std::string content;
};

enum class LinkAtName { Follow, NotFollowed };

// largest: the most bytes the file may hold. stoppable: a stop request (StopRequest.h) ends the
// read between its chunks.
RegularFileRead ReadRegularFile(const std::string& path, LinkAtName link,
                                std::uint64_t largest = std::numeric_limits<std::uint64_t>::max() - 1,
                                bool stoppable = false);

}  // namespace platform::os
