#pragma once

#include <functional>
#include <string>

namespace platform::ui {

// Shows a message box and returns the button pressed.
// style is the usual sum of a button set (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore,
// 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel), an icon (16 critical, 32 question,
// 48 exclamation, 64 information), a default button (0 first, 256 second,
// 512 third) and 16384 for a Help button. The answer is 1 OK, 2 Cancel, 3 Abort,
// 4 Retry, 5 Ignore, 6 Yes, 7 No.
class MessagePresenter {
 public:
  static constexpr int kHelpButton = 16384;

  virtual ~MessagePresenter() = default;
  virtual int Show(const std::string& prompt, int style, const std::string& title) = 0;
  // A box whose Help button (style 16384) calls help each time it is pressed and leaves the
  // box open; the Help button is never the answer. A presenter that shows no Help button
  // shows the box as Show does.
  virtual int ShowWithHelp(const std::string& prompt, int style, const std::string& title,
                           const std::function<void()>& help) {
    (void)help;
    return Show(prompt, style, title);
  }
};

}  // namespace platform::ui
