// The source test window on a small screen: at 1024 x 768, with a title bar above it and a
// taskbar below, its Close button is on the screen and drawn, and the frames it cannot show at
// once scroll, every box and button still there in its order.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "app/tools/CommonTestSource.h"
#include "support/QtTestApp.h"

namespace {

// A 1024 x 768 screen less a 40-pixel taskbar, less a 30-pixel title bar and 4-pixel borders
// around the window: the room left for the window itself.
constexpr QSize kScreen(1024, 768);
constexpr int kTaskbar = 40, kTitleBar = 30, kBorder = 4;
const QRect kRoom(kBorder, kTitleBar, kScreen.width() - 2 * kBorder, kScreen.height() - kTaskbar - kTitleBar - kBorder);

TEST(SourceTestScreen, CloseLiesInsideA1024By768Screen) {
  qttest::App();
  CommonTestSource w;
  w.move(kRoom.topLeft());
  w.resize(kRoom.size());
  w.show();
  ASSERT_TRUE(qttest::RunUntil([&] { return w.isVisible(); }));
  // The window takes the room: it is not held larger by a minimum size.
  EXPECT_LE(w.width(), kRoom.width());
  EXPECT_LE(w.height(), kRoom.height());

  const QImage shot = w.grab().toImage();
  ASSERT_EQ(shot.size(), w.size());
  QPushButton* close = w.Button("Command3");
  ASSERT_NE(close, nullptr);
  ASSERT_TRUE(close->isVisible());
  const QRect inWindow(close->mapTo(&w, QPoint(0, 0)), close->size());
  EXPECT_TRUE(shot.rect().contains(inWindow)) << inWindow.x() << "," << inWindow.y();
  const QRect onScreen = inWindow.translated(kRoom.topLeft());
  EXPECT_TRUE(QRect(QPoint(0, 0), kScreen).adjusted(0, 0, 0, -kTaskbar).contains(onScreen))
      << onScreen.bottom() << " is under the taskbar";
  // What the screenshot shows there is the button, not something drawn over it.
  const QImage button = close->grab().toImage().convertToFormat(shot.format());
  EXPECT_EQ(shot.copy(inWindow), button);

  // The frames that do not fit scroll; nothing is squeezed out of them.
  auto* scroll = w.findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  QWidget* frames = scroll->widget();
  EXPECT_GE(frames->height(), frames->minimumSizeHint().height());
  EXPECT_GE(frames->width(), frames->minimumSizeHint().width());
  EXPECT_TRUE(frames->isAncestorOf(w.Frame1()));
  EXPECT_TRUE(frames->isAncestorOf(w.txtStartTransId()));
  if (frames->height() > scroll->viewport()->height()) {
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
  }
  // The last control of the result frame comes into sight by scrolling.
  QPushButton* next = w.Button("btnNextRec");
  ASSERT_NE(next, nullptr);
  scroll->ensureWidgetVisible(next);
  const QRect nextInViewport(next->mapTo(scroll->viewport(), QPoint(0, 0)), next->size());
  EXPECT_TRUE(scroll->viewport()->rect().contains(nextInViewport));

  // The boxes keep the order in which they are filled: each one below or right of the one before.
  const char* order[] = {"txtTransId", "txtRouteId", "txtPointId", "txtExternalId", "txtExternalIdLogbook", "txtSeqNo",
                         "txtRoutePointQuestionID", "txtRoutePointRouteID", "txtTransDate", "txtTransTime",
                         "txtPointDesc", "txtGuard", "txtNotes", "txtInc", "txtInc1", "txtInc2", "txtInc3",
                         "txtMissedPoint"};
  int lastY = -1;
  for (const char* name : order) {
    QLineEdit* box = w.Box(name);
    ASSERT_NE(box, nullptr) << name;
    const int y = box->mapTo(frames, QPoint(0, 0)).y();
    EXPECT_GT(y, lastY) << name;
    lastY = y;
  }
}

TEST(SourceTestScreen, OpensInsideTheScreenItOpensOn) {
  qttest::App();
  CommonTestSource w;
  w.show();
  ASSERT_TRUE(qttest::RunUntil([&] { return w.isVisible(); }));
  const QSize room = w.screen()->availableGeometry().size();
  EXPECT_LE(w.width(), room.width());
  EXPECT_LE(w.height(), room.height());
  EXPECT_TRUE(w.Button("Command3")->isVisible());
}

}  // namespace
