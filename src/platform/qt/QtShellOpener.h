#pragma once

#include "platform/ui/ShellOpener.h"

namespace platform::qt {

// Opens files and web addresses through the desktop (QDesktopServices).
class QtShellOpener : public platform::ui::ShellOpener {
 public:
  bool OpenUrl(const std::string& target) override;
};

}  // namespace platform::qt
