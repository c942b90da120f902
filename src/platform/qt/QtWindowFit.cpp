#include "platform/qt/QtWindowFit.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QObject>
#include <QWidget>

namespace platform::qt {
namespace {

// The window's icon, the minimise, maximise and close buttons and the gaps between them on the
// title bars of the common window managers (openbox, xfwm4, kwin, mutter), with some to spare.
constexpr int kTitleBarFurniture = 140;

// Widens its window on each show, before the window reaches the screen. Owned by the window.
class TitleFitter : public QObject {
 public:
  static constexpr const char* kName = "TitleFitter";
  explicit TitleFitter(QWidget* window) : QObject(window) { setObjectName(kName); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched == parent()) {
      auto* window = static_cast<QWidget*>(watched);
      const int needs = TitleBarWidth(window->windowTitle());
      if (window->width() < needs) window->resize(needs, window->height());
    }
    return false;
  }
};

}  // namespace

int TitleBarWidth(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(title) + kTitleBarFurniture;
}

void FitWidthToTitle(QWidget* window) {
  if (!window || window->findChild<QObject*>(TitleFitter::kName, Qt::FindDirectChildrenOnly)) return;
  window->installEventFilter(new TitleFitter(window));
}

}  // namespace platform::qt
