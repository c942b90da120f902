// The service activity view: caption, status bar, log tail and its refresh, toolbar keys.
#include <QAction>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolBar>

#include "app/serviceviews/CommonNTActivity.h"
#include "app/serviceviews/ServiceViewsFixture.h"
#include "foundation/QALLoggerTXT.h"

using serviceviews::ServiceViews;
namespace fs = std::filesystem;

namespace {

std::string ViewText(const CommonNTActivity& w) { return w.UI_logview()->toPlainText().toStdString(); }

}  // namespace

TEST_F(ServiceViews, ActivityViewShowsTheServiceAndItsLogNewestFirst) {
  WriteServiceLog(
      "14:05:09 : Import started\r\n14:05:10 : Facility PLANT1: 12 values\r\n"
      "14:05:11 : Import finished\r\n");
  CommonNTActivity w(Icons());
  w.show();
  EXPECT_EQ(w.windowTitle().toStdString(), "NT Service Activity View for 'k30418'");
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(w.NamePanel()->text().toStdString(), "k30418");
  EXPECT_EQ(w.StatusPanel()->text().toStdString(), "Running");
  EXPECT_FALSE(w.HiddenStatus()->isVisible());
  EXPECT_EQ(ViewText(w),
            "\n14:05:11 : Import finished\n14:05:10 : Facility PLANT1: 12 values\n14:05:09 : Import started\n");
  EXPECT_TRUE(w.UI_logview()->isReadOnly());
  EXPECT_EQ(w.UI_logview()->font().family().toStdString(), "Lucida Console");

  ASSERT_NE(w.Watcher(), nullptr);
  EXPECT_EQ(w.Watcher()->LogTimer().Interval(), 2000);
  EXPECT_TRUE(w.Watcher()->LogTimer().Running());
  EXPECT_EQ(w.Watcher()->BufferSize(), 4096);
  EXPECT_FALSE(w.Watcher()->StatusTimer().Enabled()) << "the state is the one found while loading";

  windowchecks::ExpectToolbar(*w.myToolBar(), {{"Refresh", "refresh", "Manually refreshes log file view"},
                                               {"View Full Log", "order", "Opens full Log File"},
                                               {"Help", "help", "Displays Help Article"},
                                               {"Close", "close", "Closes this form"}});
  EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(ServiceViews, ActivityViewWithoutAServiceShowsTheReasonAndNoLog) {
  WriteServiceLog("14:05:09 : a line that must not show\r\n");
  const struct {
    const char* name;
    const char* reason;
  } cases[] = {{"   ", "Empty service name provided"}, {"nosuch", "Service not found (nosuch)"}};
  for (const auto& c : cases) {
    boxes_.boxes.clear();
    Set("OPTIONS\\INSTANCE_SERVICE_NAME", c.name);
    CommonNTActivity w(Icons());
    ASSERT_EQ(boxes_.boxes.size(), 1u) << c.name;
    EXPECT_EQ(boxes_.boxes[0].prompt,
              std::string("Failed to Initialize Service Control for the following reason : \r\n") + c.reason);
    EXPECT_EQ(boxes_.boxes[0].style, 0) << "OK only, no icon";
    EXPECT_EQ(ViewText(w), "");
    EXPECT_EQ(w.NamePanel()->text().toStdString(), "");
    EXPECT_EQ(w.StatusPanel()->text().toStdString(), "N/A") << "a service that cannot be watched has no state";
    EXPECT_FALSE(w.Watcher()->LogTimer().Enabled()) << "the box never fills";
    windowchecks::Press(*w.myToolBar(), "refresh");
    EXPECT_EQ(ViewText(w), "");
  }

  // No service manager at all.
  boxes_.boxes.clear();
  Set("OPTIONS\\INSTANCE_SERVICE_NAME", "k30418");
  UseBus(bus_.DeadAddress());
  CommonNTActivity w(Icons());
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].prompt,
            "Failed to Initialize Service Control for the following reason : \r\nUnable to connect to service manager");
  EXPECT_EQ(w.StatusPanel()->text().toStdString(), "N/A");
}

TEST_F(ServiceViews, TwoActivityViewsEachRefreshTheirOwnLogView) {
  const std::string log = WriteServiceLog("10:00:00 : one\r\n");
  Set("OPTIONS\\REFRESH_LOG_SECONDS", "1");
  QPointer<CommonNTActivity> first = CommonNTActivity::Open(Icons(), nullptr);
  QPointer<CommonNTActivity> second = CommonNTActivity::Open(Icons(), nullptr);
  AppendToLog(log, "10:00:01 : two\r\n");
  const std::string expected = "\n10:00:01 : two\n10:00:00 : one\n";
  EXPECT_TRUE(qttest::RunUntil([&] { return ViewText(*first) == expected && ViewText(*second) == expected; }));

  // Closing the first unloads it; the second goes on refreshing.
  windowchecks::Press(*first->myToolBar(), "close");
  EXPECT_TRUE(qttest::RunUntil([&] { return first.isNull(); }));
  AppendToLog(log, "10:00:02 : three\r\n");
  EXPECT_TRUE(qttest::RunUntil([&] { return ViewText(*second).rfind("\n10:00:02 : three\n", 0) == 0; }));
  delete second.data();
}

TEST_F(ServiceViews, ActivityToolbarKeysAreComparedExactly) {
  const std::string log = WriteServiceLog("10:00:00 : one\r\n");
  fs::create_directories(folder_ / "help");
  std::ofstream(folder_ / "help" / "12049.html") << "<html></html>";
  QPointer<CommonNTActivity> w = CommonNTActivity::Open(Icons(), nullptr);

  AppendToLog(log, "10:00:01 : two\r\n");
  windowchecks::Press(*w->myToolBar(), "refresh");
  EXPECT_EQ(ViewText(*w), "\n10:00:01 : two\n10:00:00 : one\n");

  windowchecks::Press(*w->myToolBar(), "order");
  windowchecks::Press(*w->myToolBar(), "help");
  ASSERT_EQ(shell_.opened.size(), 2u);
  EXPECT_EQ(shell_.opened[0], log);
  EXPECT_EQ(shell_.opened[1], (folder_ / "help" / "12049.html").string());

  // Without a handle file there is no log to open.
  fs::remove(folder_ / "k30418.log_handle");
  windowchecks::Press(*w->myToolBar(), "order");
  EXPECT_EQ(shell_.opened.size(), 2u);

  // Keys in another case are no keys of this toolbar: no button carries them, so the handler
  // itself is given them, and nothing happens.
  for (const char* other : {"Close", "CLOSE", "Refresh", "exit"}) w->ToolbarButtonClick(other);
  QApplication::processEvents();
  ASSERT_FALSE(w.isNull());
  EXPECT_TRUE(w->isVisible());
  w->close();  // the frame's close box unloads it too
  EXPECT_TRUE(qttest::RunUntil([&] { return w.isNull(); }));
}

TEST_F(ServiceViews, HandEditedRefreshSettingsThatAreNoNumbersFallBackToTheDefaults) {
  WriteServiceLog("10:00:00 : one\r\n");
  Set("OPTIONS\\REFRESH_LOG_SECONDS", "abc");
  Set("OPTIONS\\REFRESH_LOGSIZE", "99999999999");
  CommonNTActivity w(Icons());
  EXPECT_EQ(w.Watcher()->LogTimer().Interval(), 2000);
  EXPECT_EQ(w.Watcher()->BufferSize(), 4096);
  objects_->logger->closeLog();
  std::string all;
  for (const auto& f : fs::directory_iterator(folder_ / "log")) {
    std::ifstream in(f.path(), std::ios::binary);
    all.append(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_NE(all.find("Invalid value 'abc' for 'OPTIONS\\REFRESH_LOG_SECONDS'. Will use 2."), std::string::npos);
  EXPECT_NE(all.find("Invalid value '99999999999' for 'OPTIONS\\REFRESH_LOGSIZE'. Will use 4096."), std::string::npos);

  // Whole numbers pass unclamped; halves round to even.
  Set("OPTIONS\\REFRESH_LOG_SECONDS", "2.5");
  Set("OPTIONS\\REFRESH_LOGSIZE", "100");
  CommonNTActivity v(Icons());
  EXPECT_EQ(v.Watcher()->LogTimer().Interval(), 2000);
  EXPECT_EQ(v.Watcher()->BufferSize(), 100);
}
