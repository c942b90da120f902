#include "platform/os/AppIdentity.h"

#include <filesystem>

namespace platform::os {

std::string AppIdentity::ExecutableFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path().string();
  return exe.parent_path().string();
}

}  // namespace platform::os
