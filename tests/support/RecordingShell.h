#pragma once

#include <string>
#include <vector>

#include "platform/ui/ShellOpener.h"

namespace testsupport {

// A shell that opens nothing: it notes every file or web page it is asked to open, and says
// it opened it.
class RecordingShell : public platform::ui::ShellOpener {
 public:
  bool OpenUrl(const std::string& target) override {
    opened.push_back(target);
    return true;
  }
  std::vector<std::string> opened;
};

}  // namespace testsupport
