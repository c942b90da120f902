#pragma once

#include <QString>

class QWidget;

namespace platform::qt {

// Window managers cut a title that is wider than its window's title bar. These give a window
// the width its title needs: the title in a bold application font, the common title bar face,
// plus room for the window's icon and the frame's three buttons.
int TitleBarWidth(const QString& title);
// From now on, each time the window is shown it is first widened to TitleBarWidth of its title
// as it is then, when it is narrower. Its minimum size stays its layout's.
void FitWidthToTitle(QWidget* window);

}  // namespace platform::qt
