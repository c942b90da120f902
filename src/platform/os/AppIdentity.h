#pragma once

#include <string>

namespace platform::os {

// The program's identity: its folder and names and its version numbers, as the
// version resource of the executable gives them.
struct AppIdentity {
  std::string Path;             // program folder, no trailing separator
  std::string EXEName = "k30418";
  std::string Title = "k30418";
  std::string Comments;
  int Major = 1, Minor = 0, Revision = 8;
  std::string FileDescription = "124";  // the build number
  std::string ProductName = "30418";    // the product number
  std::string HelpFile;

  // The folder of the running executable (from /proc/self/exe).
  static std::string ExecutableFolder();
};

}  // namespace platform::os
