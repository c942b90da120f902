#pragma once

#include <string>

#include "platform/ui/MessagePresenter.h"

class QWidget;

namespace platform::qt {

// Shows message boxes as modal QMessageBoxes over the active window: the button
// set, icon, default button and Help button come from the style value, the answer
// is mapped back to its code 1..7. The prompt is shown as plain text; the box is
// wide enough for its whole title. Use on the window thread while a QApplication
// exists; the presenter owns nothing.
class QtMessagePresenter : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string& prompt, int style, const std::string& title) override;
  int ShowWithHelp(const std::string& prompt, int style, const std::string& title,
                   const std::function<void()>& help) override;
};

}  // namespace platform::qt
