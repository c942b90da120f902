#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::zip {

// Takes named members out of a zip archive. A member is found by its file name, ignoring
// letter case and any folder it sits in within the archive, and is written into the target
// folder under the name the caller asked for, replacing a file of that name (a link there is
// replaced, never followed); the folder is made when it is missing. Each member has a size
// limit of the caller's: a member that declares more is refused before anything is written,
// and writing stops as soon as a member's bytes pass its limit, whatever it declared. The
// extractor holds nothing between calls.
class ZipExtractor {
 public:
  struct Member {
    std::string name;
    std::uint64_t limit;  // in bytes
  };

  enum class Outcome {
    Extracted,
    OverLimit,  // member is larger than its limit (declared, or found while writing)
    NoSpace,    // the declared sizes do not fit in the free space of the folder's file system
    Failed,     // the archive cannot be opened, a member is missing or cannot be read or written
  };

  struct Result {
    Outcome outcome = Outcome::Failed;
    std::string member;           // the member refused (OverLimit, and Failed when one is to blame)
    std::uint64_t limit = 0;      // its limit (OverLimit)
    std::uint64_t needed = 0;     // the declared sizes together (NoSpace)
    std::uint64_t available = 0;  // the free space found (NoSpace)
    std::string error;            // what went wrong, for the log
    bool ok() const { return outcome == Outcome::Extracted; }
  };

  // Extracts every one of members from the archive at archivePath into folder. Nothing is
  // written when the archive cannot be opened, a member is missing, declares more than its
  // limit, or the declared sizes do not fit in the free space. A member that cannot be read or
  // written, or passes its limit while being written, is removed; members written before it
  // stay (the caller knows their names).
  static Result ExtractMembers(const std::string& archivePath, const std::vector<Member>& members,
                               const std::string& folder);
};

}  // namespace platform::zip
