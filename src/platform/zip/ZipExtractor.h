#pragma once

#include <string>
#include <vector>

namespace platform::zip {

// Takes named members out of a zip archive. A member is found by its file name, ignoring
// letter case and any folder it sits in within the archive, and is written into the target
// folder under the name the caller asked for, replacing a file of that name; the folder is
// made when it is missing. The extractor holds nothing between calls.
class ZipExtractor {
 public:
  // Extracts every one of names from the archive at archivePath into folder. False, with the
  // reason in error, when the archive cannot be opened, a member is missing (nothing is
  // written then), or a member cannot be read or written (members written before it stay).
  static bool ExtractMembers(const std::string& archivePath, const std::vector<std::string>& names,
                             const std::string& folder, std::string& error);
};

}  // namespace platform::zip
