// The service watcher: initialisation order and errors, the label's captions and colours, the
// refresh timers, start and stop, and the log tail named by the handle file.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "foundation/ProgramContext.h"
#include "foundation/QALntSvcWatcher.h"
#include "platform/service/ServiceManager.h"
#include "platform/ui/EventPump.h"
#include "support/ScriptedTimers.h"

namespace fs = std::filesystem;
using platform::service::ServiceState;
using platform::service::ServiceStatus;
using platform::service::StatusResult;

namespace {

// A manager that answers from a script: the next status of the queue, else the last one.
class ScriptedManager : public platform::service::ServiceManager {
 public:
  void Answer(StatusResult result, ServiceState state = ServiceState::Unknown) {
    replies.push_back(ServiceStatus{result, state, result == StatusResult::Ok ? "" : "scripted failure"});
  }
  ServiceStatus QueryStatus(const std::string&, const std::string& service) override {
    queried.push_back(service);
    if (replies.size() > 1) {
      ServiceStatus s = replies.front();
      replies.pop_front();
      return s;
    }
    return replies.empty() ? ServiceStatus{} : replies.front();
  }
  bool Start(const std::string&, const std::string& service, std::string& error) override {
    requests.push_back("start " + service);
    error = refusal;
    return refusal.empty();
  }
  bool Stop(const std::string&, const std::string& service, std::string& error) override {
    requests.push_back("stop " + service);
    error = refusal;
    return refusal.empty();
  }
  bool Pause(const std::string&, const std::string&, std::string&) override { return false; }
  bool Continue(const std::string&, const std::string&, std::string&) override { return false; }

  std::deque<ServiceStatus> replies;
  std::vector<std::string> queried, requests;
  std::string refusal;  // not empty: start and stop are refused with this reason
};

using testsupport::ScriptedTimers;

class CountingPump : public platform::ui::EventPump {
 public:
  void ProcessEvents() override { ++runs; }
  int runs = 0;
};

struct FakeLabel : QALntSvcWatcher::StatusLabel {
  void Caption(const std::string& text) override { caption = text; }
  void BackColor(std::uint32_t rgb) override { colour = rgb; }
  std::string caption = "Stopped";
  std::uint32_t colour = 0xC0C0C0;  // the design colour, neither red nor green
};

struct FakeBox : QALntSvcWatcher::TextBox {
  void Text(const std::string& t) override {
    text = t;
    ++writes;
  }
  std::string text = "design text";
  int writes = 0;
};

class Watcher : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "k30418-watcher-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    folder_ = templ;
    context_.app.Path = folder_.string();
    context_.app.EXEName = "k30418";
    context_.ui.events = &pump_;
    scope_ = std::make_unique<ProgramScope>(context_);
    manager_ = std::make_shared<ScriptedManager>();
    watcher_ = std::make_unique<QALntSvcWatcher>(manager_, &timers_);
  }
  void TearDown() override {
    watcher_.reset();
    scope_.reset();
    fs::remove_all(folder_);
  }

  // A watcher bound to service "k30418" whose first status is the given one.
  void BindService(StatusResult result = StatusResult::Ok, ServiceState state = ServiceState::Stopped) {
    manager_->Answer(result, state);
    ASSERT_TRUE(watcher_->Init(42));
    std::string error = "untouched";
    ASSERT_TRUE(watcher_->InitServiceControl("k30418", &label_, error));
    EXPECT_EQ(error, "");
  }

  void WriteFile(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
  void WriteHandle(const std::string& content) { WriteFile(folder_ / "k30418.log_handle", content); }
  // A log file in the program's log folder, named as the service names it.
  std::string WriteLog(const std::string& name, const std::string& content) {
    fs::create_directories(folder_ / "log");
    WriteFile(folder_ / "log" / name, content);
    return (folder_ / "log" / name).string();
  }

  fs::path folder_;
  ProgramContext context_;
  CountingPump pump_;
  std::unique_ptr<ProgramScope> scope_;
  std::shared_ptr<ScriptedManager> manager_;
  ScriptedTimers timers_;
  std::unique_ptr<QALntSvcWatcher> watcher_;
  FakeLabel label_;
  FakeBox box_;
};

}  // namespace

TEST_F(Watcher, StartsDisabledAndNeedsInitFirst) {
  EXPECT_EQ(watcher_->StatusTimer().id(), "SVCCOM_Status_Timer");
  EXPECT_EQ(watcher_->LogTimer().id(), "SVCCOM_Log_Timer");
  EXPECT_FALSE(watcher_->StatusTimer().Enabled());
  EXPECT_FALSE(watcher_->LogTimer().Enabled());
  EXPECT_EQ(watcher_->BufferSize(), 1024);
  EXPECT_EQ(watcher_->NTserviceNAME(), "");

  std::string error;
  EXPECT_FALSE(watcher_->InitServiceControl("k30418", &label_, error));
  EXPECT_EQ(error, "General Init must be performed before calling InitServiceControl()");
  error.clear();
  EXPECT_FALSE(watcher_->InitLogView(&box_, error));
  EXPECT_EQ(error, "General Init must be performed before calling InitServiceControl()");
  EXPECT_TRUE(manager_->queried.empty());
  EXPECT_EQ(box_.writes, 0);

  // Without Init nothing runs at all, and a start request says why.
  watcher_->EnableLogAutoRefresh(2, 4096);
  error.clear();
  EXPECT_FALSE(watcher_->StartNTservice(error));
  EXPECT_EQ(error, "General Init must be performed before calling InitServiceControl()");
  EXPECT_FALSE(watcher_->LogTimer().Enabled());
  EXPECT_EQ(watcher_->BufferSize(), 1024);
  EXPECT_TRUE(manager_->requests.empty());
}

TEST_F(Watcher, InitServiceControlReportsEachFailureAndKeepsTheNameOnlyOnSuccess) {
  const struct {
    const char* name;
    StatusResult result;
    bool ok;
    const char* error;
    const char* caption;  // the label afterwards
    std::uint32_t colour;
  } cases[] = {
      // A service that cannot be watched never keeps the label's design caption "Stopped".
      {"   ", StatusResult::Ok, false, "Empty service name provided", "N/A", QALntSvcWatcher::kRed},
      {"k30418", StatusResult::NoManager, false, "Unable to connect to service manager", "N/A", QALntSvcWatcher::kRed},
      {"  k30418  ", StatusResult::NoService, false, "Service not found (k30418)", "N/A", QALntSvcWatcher::kRed},
      {" k30418 ", StatusResult::NoStatus, true, "", "N/A", QALntSvcWatcher::kRed},
      {"k30418", StatusResult::Ok, true, "", "Running", QALntSvcWatcher::kGreen},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.error);
    auto manager = std::make_shared<ScriptedManager>();
    manager->Answer(c.result, ServiceState::Running);
    QALntSvcWatcher watcher(manager, &timers_);
    FakeLabel label;
    ASSERT_TRUE(watcher.Init(1));
    std::string error = "untouched";
    EXPECT_EQ(watcher.InitServiceControl(c.name, &label, error), c.ok);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(watcher.NTserviceNAME(), c.ok ? "k30418" : "");
    EXPECT_EQ(label.caption, c.caption);
    EXPECT_EQ(label.colour, c.colour);
    if (std::string(c.name).find_first_not_of(' ') != std::string::npos) {
      ASSERT_EQ(manager->queried.size(), 1u);
      EXPECT_EQ(manager->queried[0], "k30418");
    }
    // Start and stop then either reach the bound service or repeat why there is none.
    for (bool start : {true, false}) {
      std::string why = "untouched";
      EXPECT_EQ(start ? watcher.StartNTservice(why) : watcher.StopNTservice(why), c.ok);
      EXPECT_EQ(why, c.error);
    }
    EXPECT_EQ(manager->requests.size(), c.ok ? 2u : 0u);
  }
}

TEST_F(Watcher, LabelCaptionsAndColoursFollowTheStatus) {
  BindService(StatusResult::Ok, ServiceState::Stopped);
  watcher_->EnableStatusAutoRefresh(1);
  // Each tick shows the next status; a word outside the table keeps the colour it had.
  const struct {
    StatusResult result;
    ServiceState state;
    const char* caption;
    std::uint32_t colour;
  } steps[] = {
      {StatusResult::Ok, ServiceState::Running, "Running", QALntSvcWatcher::kGreen},
      {StatusResult::Ok, ServiceState::Unknown, "", QALntSvcWatcher::kGreen},
      {StatusResult::Ok, ServiceState::Paused, "Paused", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::Running, "Running", QALntSvcWatcher::kGreen},
      {StatusResult::Ok, ServiceState::PausePending, "Pause Pending", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::Unknown, "", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::Running, "Running", QALntSvcWatcher::kGreen},
      {StatusResult::Ok, ServiceState::StartPending, "Start Pending", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::StopPending, "Stop Pending", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::ContinuePending, "Continue Pending", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::Running, "Running", QALntSvcWatcher::kGreen},
      {StatusResult::NoManager, ServiceState::Unknown, "N/A", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::Running, "Running", QALntSvcWatcher::kGreen},
      {StatusResult::NoService, ServiceState::Unknown, "N/A", QALntSvcWatcher::kRed},
      {StatusResult::Ok, ServiceState::Stopped, "Stopped", QALntSvcWatcher::kRed},
      {StatusResult::NoStatus, ServiceState::Unknown, "N/A", QALntSvcWatcher::kRed},
  };
  EXPECT_EQ(label_.caption, "Stopped");
  for (const auto& s : steps) {
    manager_->replies.clear();
    manager_->Answer(s.result, s.state);
    const int pumped = pump_.runs;
    timers_.TickAll();
    EXPECT_EQ(label_.caption, s.caption) << s.caption;
    EXPECT_EQ(label_.colour, s.colour) << s.caption;
    EXPECT_GT(pump_.runs, pumped) << "the label repaints at once";
  }
}

TEST_F(Watcher, StatusTimerNeedsAServiceAndIgnoresOverflowingIntervals) {
  ASSERT_TRUE(watcher_->Init(42));
  watcher_->EnableStatusAutoRefresh(1);
  EXPECT_FALSE(watcher_->StatusTimer().Enabled()) << "no service name yet";

  BindService();
  watcher_->EnableStatusAutoRefresh(1);
  EXPECT_TRUE(watcher_->StatusTimer().Running());
  EXPECT_EQ(watcher_->StatusTimer().Interval(), 1000);
  watcher_->EnableStatusAutoRefresh(99);
  EXPECT_EQ(watcher_->StatusTimer().Interval(), 99000);
  watcher_->EnableStatusAutoRefresh(3'000'000);  // 3e9 ms do not fit 32 bits
  EXPECT_EQ(watcher_->StatusTimer().Interval(), 99000);
  EXPECT_TRUE(watcher_->StatusTimer().Running());

  watcher_.reset();
  EXPECT_FALSE(timers_.AnyActive()) << "releasing the watcher stops its timers";
}

TEST_F(Watcher, StartAndStopAskTheManagerAndRefreshTheLabelAtOnce) {
  BindService(StatusResult::Ok, ServiceState::Stopped);
  manager_->replies.clear();
  manager_->Answer(StatusResult::Ok, ServiceState::StartPending);
  std::string error = "untouched";
  EXPECT_TRUE(watcher_->StartNTservice(error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(manager_->requests, std::vector<std::string>{"start k30418"});
  EXPECT_EQ(label_.caption, "Start Pending");

  manager_->replies.clear();
  manager_->Answer(StatusResult::Ok, ServiceState::StopPending);
  EXPECT_TRUE(watcher_->StopNTservice(error));
  EXPECT_EQ(manager_->requests.back(), "stop k30418");
  EXPECT_EQ(label_.caption, "Stop Pending");

  // A refused request says why, and the label still shows the state it left.
  manager_->replies.clear();
  manager_->Answer(StatusResult::Ok, ServiceState::Stopped);
  manager_->refusal = "access denied";
  EXPECT_FALSE(watcher_->StartNTservice(error));
  EXPECT_EQ(error, "Unable to start service 'k30418': access denied");
  EXPECT_EQ(label_.caption, "Stopped");

  // A watcher initialised without a service sends nothing and says so.
  auto other = std::make_shared<ScriptedManager>();
  QALntSvcWatcher unbound(other, &timers_);
  ASSERT_TRUE(unbound.Init(1));
  EXPECT_FALSE(unbound.StartNTservice(error));
  EXPECT_FALSE(unbound.StopNTservice(error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(other->requests.empty());
}

TEST_F(Watcher, LogViewShowsTheTailNewestLineFirst) {
  const std::string log =
      WriteLog("12_08_2026__14_05_09_ntservice.log", "14:05:09 : first\r\n14:05:10 : second\r\n14:05:11 : third\r\n");
  WriteHandle(log + "\r\n");
  ASSERT_TRUE(watcher_->Init(42));
  std::string error = "untouched";
  ASSERT_TRUE(watcher_->InitLogView(&box_, error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(box_.text, "\r\n14:05:11 : third\r\n14:05:10 : second\r\n14:05:09 : first\r\n");
  EXPECT_EQ(watcher_->LastLogFilePath(), log);
  EXPECT_FALSE(watcher_->LogTimer().Enabled()) << "InitLogView leaves the timer to EnableLogAutoRefresh";
}

TEST_F(Watcher, TailOfALongLogIsTheBufferSizeFromTheEnd) {
  // 200 lines of 25 bytes: 5000 bytes. The last 1024 are lines 160..199 and the last 24 bytes
  // of line 159, which loses its first character.
  auto line = [](int i) {
    char text[32];
    std::snprintf(text, sizeof text, "10:00:00 : line %07d", i);
    return std::string(text);
  };
  std::string content;
  for (int i = 0; i < 200; ++i) content += line(i) + "\r\n";
  ASSERT_EQ(content.size(), 5000u);
  WriteHandle(WriteLog("long.log", content) + "\r\n");
  ASSERT_TRUE(watcher_->Init(42));
  watcher_->EnableLogAutoRefresh(2, 1024);
  std::string error;
  ASSERT_TRUE(watcher_->InitLogView(&box_, error));

  std::string expected = "\r\n";
  for (int i = 199; i >= 160; --i) expected += line(i) + "\r\n";
  expected += line(159).substr(1) + "\r\n";
  EXPECT_EQ(box_.text, expected);
}

TEST_F(Watcher, HandleFileVariantsAndMissingFilesEmptyTheView) {
  const std::string plain = WriteLog("a.log", "10:00:00 : a\r\n");
  fs::create_directories(folder_ / "log, old");
  WriteFile(folder_ / "log, old" / "b.log", "10:00:00 : b\r\n");
  const std::string withComma = (folder_ / "log, old" / "b.log").string();
  const struct {
    const char* what;
    std::string handle;
    std::string view;
  } cases[] = {
      {"plain line", plain + "\r\n", "\r\n10:00:00 : a\r\n"},
      {"blanks around", "   " + plain + "  \r\n", "\r\n10:00:00 : a\r\n"},
      {"quoted", "\"" + plain + "\"\r\n", "\r\n10:00:00 : a\r\n"},
      {"no line end", plain, "\r\n10:00:00 : a\r\n"},
      {"comma in the folder name", withComma + "\r\n", "\r\n10:00:00 : b\r\n"},
      {"log file gone", (folder_ / "log" / "gone.log").string() + "\r\n", ""},
      {"empty handle file", "", ""},
  };
  ASSERT_TRUE(watcher_->Init(42));
  std::string error;
  ASSERT_TRUE(watcher_->InitLogView(&box_, error));
  for (const auto& c : cases) {
    WriteHandle(c.handle);
    box_.text = "stale";
    watcher_->RefreshLog();
    EXPECT_EQ(box_.text, c.view) << c.what;
  }
  fs::remove(folder_ / "k30418.log_handle");
  box_.text = "stale";
  watcher_->RefreshLog();
  EXPECT_EQ(box_.text, "");
  EXPECT_EQ(watcher_->LastLogFilePath(), "");
}

TEST_F(Watcher, LogTimerRefreshesWithoutAServiceAndReadsTheNewestContent) {
  const std::string log = WriteLog("c.log", "10:00:00 : one\r\n");
  WriteHandle(log + "\r\n");
  ASSERT_TRUE(watcher_->Init(42));
  std::string error;
  ASSERT_TRUE(watcher_->InitLogView(&box_, error));
  watcher_->EnableLogAutoRefresh(2, 4096);
  EXPECT_TRUE(watcher_->LogTimer().Running());
  EXPECT_EQ(watcher_->LogTimer().Interval(), 2000);
  EXPECT_EQ(watcher_->BufferSize(), 4096);
  EXPECT_FALSE(watcher_->StatusTimer().Enabled());

  // The service appends; the next tick shows it.
  std::ofstream(log, std::ios::binary | std::ios::app) << "10:00:02 : two\r\n";
  timers_.TickAll();
  EXPECT_EQ(box_.text, "\r\n10:00:02 : two\r\n10:00:00 : one\r\n");

  // An overflowing interval changes the buffer but not the timer.
  watcher_->EnableLogAutoRefresh(3'000'000, 10);
  EXPECT_EQ(watcher_->LogTimer().Interval(), 2000);
  EXPECT_EQ(watcher_->BufferSize(), 10);
  // A buffer of nothing shows nothing.
  watcher_->EnableLogAutoRefresh(2, 0);
  timers_.TickAll();
  EXPECT_EQ(box_.text, "");
}

TEST_F(Watcher, TailCutInsideACharacterDropsTheBrokenRest) {
  // "é" is two bytes; a 5-byte buffer starts in the middle of it.
  WriteHandle(WriteLog("d.log", "x\r\né:1\r\n") + "\r\n");
  ASSERT_TRUE(watcher_->Init(42));
  watcher_->EnableLogAutoRefresh(2, 5);
  std::string error;
  ASSERT_TRUE(watcher_->InitLogView(&box_, error));
  EXPECT_EQ(box_.text, "\r\n:1\r\n");

  // An empty log shows an empty view.
  WriteHandle(WriteLog("e.log", "") + "\r\n");
  watcher_->RefreshLog();
  EXPECT_EQ(box_.text, "");
}
