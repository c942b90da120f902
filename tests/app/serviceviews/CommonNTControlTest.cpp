// The service status and control view: the coloured state, start and stop, the refresh period
// and the toolbar keys.
#include <QAction>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "app/serviceviews/CommonNTControl.h"
#include "app/serviceviews/ServiceViewsFixture.h"

using serviceviews::ServiceViews;
namespace fs = std::filesystem;

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

std::string Caption(const CommonNTControl& w) { return w.UIsvcLabel()->text().toStdString(); }

}  // namespace

TEST_F(ServiceViews, ControlViewStartsAndStopsTheServiceAndColoursItsState) {
  standIn_->SetActiveState("k30418.service", "inactive");
  CommonNTControl w(Icons());
  w.show();
  EXPECT_EQ(w.windowTitle().toStdString(), "NT Service Status and Control");
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(w.NamePanel()->text().toStdString(), "k30418");
  EXPECT_EQ(Caption(w), "Stopped");
  EXPECT_EQ(Background(w.UIsvcLabel()), kRed);
  EXPECT_TRUE(w.Watcher().StatusTimer().Running());
  EXPECT_EQ(w.Watcher().StatusTimer().Interval(), 1000);

  // The state passes through its pending word; the label shows it at once.
  standIn_->PendingReads(1);
  windowchecks::Press(*w.myToolBar(), "add");
  EXPECT_EQ(Caption(w), "Start Pending");
  EXPECT_EQ(Background(w.UIsvcLabel()), kRed);
  EXPECT_TRUE(qttest::RunUntil([&] { return Caption(w) == "Running"; }));
  EXPECT_EQ(Background(w.UIsvcLabel()), kGreen);
  // The label is painted in that colour, not only given it.
  const QImage shown = w.UIsvcLabel()->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(1, 1)), kGreen);

  windowchecks::Press(*w.myToolBar(), "stop");
  EXPECT_EQ(Caption(w), "Stop Pending");
  EXPECT_TRUE(qttest::RunUntil([&] { return Caption(w) == "Stopped"; }));
  EXPECT_TRUE(boxes_.boxes.empty()) << "accepted requests need no word";
  const auto calls = standIn_->Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "StopUnit k30418.service replace"), calls.end());

  windowchecks::ExpectToolbar(*w.myToolBar(), {{"Start Service", "add", "Attempts to start service"},
                                               {"Stop Service", "stop", "Attempts to stop service"},
                                               {"Help", "help", "Displays Help Article"},
                                               {"Close", "Close", "Closes this form"}});
}

TEST_F(ServiceViews, ControlViewFollowsChangesMadeElsewhereAndSaysWhyARequestWasRefused) {
  standIn_->AddUnit("guarded.service", "inactive", /*refuseControl=*/true);
  Set("OPTIONS\\INSTANCE_SERVICE_NAME", "guarded");
  CommonNTControl w(Icons());
  EXPECT_EQ(Caption(w), "Stopped");
  windowchecks::Press(*w.myToolBar(), "add");
  EXPECT_EQ(Caption(w), "Stopped");
  ASSERT_EQ(boxes_.boxes.size(), 1u) << "a refused start does not pass in silence";
  EXPECT_EQ(boxes_.boxes[0].prompt,
            "Failed to start the service for the following reason : \r\nUnable to start service 'guarded': "
            "org.freedesktop.DBus.Error.AccessDenied: Interactive authentication required.");

  standIn_->SetActiveState("guarded.service", "active");  // someone else started it
  EXPECT_TRUE(qttest::RunUntil([&] { return Caption(w) == "Running"; }));
  EXPECT_EQ(Background(w.UIsvcLabel()), kGreen);
}

TEST_F(ServiceViews, ControlViewRefreshPeriodIsHeldToOneToNinetyNineSeconds) {
  const struct {
    const char* setting;
    int seconds;
  } cases[] = {{"1", 1},   {"0", 1},   {"250", 99}, {"abc", 99}, {"", 99},
               {"2.5", 2}, {"3.5", 4}, {" 7 ", 7},  {"-4", 1},   {"1e9", 99}};
  for (const auto& c : cases) EXPECT_EQ(CommonNTControl::RefreshSeconds(c.setting), c.seconds) << c.setting;

  Set("OPTIONS\\REFRESH_STATUS_SECONDS", "250");
  CommonNTControl w(Icons());
  EXPECT_EQ(w.Watcher().StatusTimer().Interval(), 99000);
}

TEST_F(ServiceViews, ControlViewWithoutAServiceShowsTheReasonAndRefreshesNothing) {
  const struct {
    const char* name;
    bool reachable;
    const char* reason;
  } cases[] = {{"", true, "Empty service name provided"},
               {"nosuch", true, "Service not found (nosuch)"},
               {"k30418", false, "Unable to connect to service manager"}};
  for (const auto& c : cases) {
    boxes_.boxes.clear();
    Set("OPTIONS\\INSTANCE_SERVICE_NAME", c.name);
    UseBus(c.reachable ? bus_.Address() : bus_.DeadAddress());
    CommonNTControl w(Icons());
    ASSERT_EQ(boxes_.boxes.size(), 1u) << c.name;
    EXPECT_EQ(boxes_.boxes[0].prompt,
              std::string("Failed to Initialize Service Control for the following reason : \r\n") + c.reason);
    EXPECT_EQ(Caption(w), "N/A") << "a service that cannot be watched is not shown as stopped";
    EXPECT_EQ(Background(w.UIsvcLabel()), kRed);
    EXPECT_EQ(w.NamePanel()->text().toStdString(), "");
    EXPECT_FALSE(w.Watcher().StatusTimer().Enabled());
    // Nothing to start or stop, and the buttons say why.
    windowchecks::Press(*w.myToolBar(), "add");
    windowchecks::Press(*w.myToolBar(), "stop");
    ASSERT_EQ(boxes_.boxes.size(), 3u) << c.name;
    EXPECT_EQ(boxes_.boxes[1].prompt,
              std::string("Failed to start the service for the following reason : \r\n") + c.reason);
    EXPECT_EQ(boxes_.boxes[2].prompt,
              std::string("Failed to stop the service for the following reason : \r\n") + c.reason);
    EXPECT_EQ(Caption(w), "N/A");
  }
  for (const auto& call : standIn_->Calls()) EXPECT_EQ(call.rfind("StartUnit", 0), std::string::npos) << call;
}

TEST_F(ServiceViews, ControlViewCloseHidesItAndEndsTheModalShow) {
  fs::create_directories(folder_ / "help");
  std::ofstream(folder_ / "help" / "12047.html") << "<html></html>";
  bool shownUntilClose = false;
  bool acted = false;
  // Polled: the view may run events while it loads, before its modal show has begun.
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* view = qobject_cast<CommonNTControl*>(QApplication::activeModalWidget());
    if (!view || acted) return;
    acted = true;
    poll.stop();
    windowchecks::Press(*view->myToolBar(), "help");
    view->ToolbarButtonClick("exit");  // no button carries this key: nothing
    view->ToolbarButtonClick("STOP");  // keys are compared lower-cased: the stop request
    shownUntilClose = view->isVisible();
    windowchecks::Press(*view->myToolBar(), "Close");
  });
  poll.start();
  // A second timer ends a show that "Close" did not end, so that a fault fails instead of hanging.
  QTimer::singleShot(60000, [] {
    if (auto* view = QApplication::activeModalWidget()) view->hide();
  });
  CommonNTControl::ShowModal(Icons(), nullptr);
  poll.stop();
  EXPECT_TRUE(shownUntilClose);
  ASSERT_EQ(shell_.opened.size(), 1u);
  EXPECT_EQ(shell_.opened[0], (folder_ / "help" / "12047.html").string());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  const auto calls = standIn_->Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "StopUnit k30418.service replace"), calls.end());
}
