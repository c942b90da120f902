#pragma once

#include <string>

namespace platform::ui {

// Hands a file or a web address to the desktop, which opens it in the program
// registered for it (a browser for help pages and web pages).
class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  // target is a local file path or an address with a scheme ("https://...").
  // False when the desktop refused it.
  virtual bool OpenUrl(const std::string& target) = 0;
};

}  // namespace platform::ui
