#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::zip {

// Takes named members out of a zip archive. A member is found by its file name, ignoring
// letter case and any folder it sits in within the archive; an archive that holds two entries
// answering to one name is refused, never read by the first of them. A member is written into
// the target folder under the name the caller asked for, replacing a file of that name (a link
// there is replaced, never followed). Each member has a size limit of the caller's: a member
// that declares more is refused before anything is written, and writing stops as soon as a
// member's bytes pass its limit, whatever it declared. The extractor holds nothing between
// calls.
//
// The target folder is given as a base folder of the caller's, which is taken as it is (made
// when missing), and a path below it, of plain folder names separated by '/'. Each folder of
// that path is opened (or made) inside the one before it and never through a link: a link or a
// file where one of them belongs refuses the extraction, so nothing is ever written outside the
// base folder's own tree.
class ZipExtractor {
 public:
  struct Member {
    std::string name;
    std::uint64_t limit;  // in bytes
  };

  enum class Outcome {
    Extracted,
    OverLimit,   // member is larger than its limit (declared, or found while writing)
    NoSpace,     // the declared sizes do not fit in the free space of the folder's file system
    Duplicate,   // the archive holds more than one entry answering to member
    NotAFolder,  // folder (a folder of the path below the base) is a link or a file
    Failed,      // the archive cannot be opened, a member is missing or cannot be read or written
  };

  struct Result {
    Outcome outcome = Outcome::Failed;
    std::string member;           // the member refused (OverLimit, Duplicate, and Failed when one is to blame)
    std::string folder;           // the folder in the way (NotAFolder)
    std::uint64_t limit = 0;      // its limit (OverLimit)
    std::uint64_t needed = 0;     // the declared sizes together (NoSpace)
    std::uint64_t available = 0;  // the free space found (NoSpace)
    std::string error;            // what went wrong, for the log
    bool ok() const { return outcome == Outcome::Extracted; }
  };

  // Extracts every one of members from the archive at archivePath into base/below. Nothing is
  // written when the archive cannot be opened, a member is missing, answers to two entries,
  // declares more than its limit, the declared sizes do not fit in the free space, or a folder
  // of below is not a folder. A member that cannot be read or written, or passes its limit
  // while being written, is removed; members written before it stay (the caller knows their
  // names).
  static Result ExtractMembers(const std::string& archivePath, const std::vector<Member>& members,
                               const std::string& base, const std::string& below = "");

  // Takes away what an extraction into base/below left: the files of names there, then the
  // last folderLevels folders of below, from the deepest up, while they are empty. The folders
  // are reached as ExtractMembers reaches them: where one is missing, a link or a file, nothing
  // beyond it is touched. Never fails.
  static void RemoveExtracted(const std::string& base, const std::string& below, const std::vector<std::string>& names,
                              int folderLevels);
};

}  // namespace platform::zip
