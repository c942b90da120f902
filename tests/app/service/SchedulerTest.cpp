// The service scheduler: when it imports and when it next wakes up, on a set clock.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/service/CommonNTSERVICE.h"
#include "app/startup/ProgramEnd.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALTimer.h"
#include "import/DefaultKeyTree.h"
#include "platform/os/StopRequest.h"
#include "support/QtTestApp.h"
#include "support/ScriptedTimers.h"

namespace fs = std::filesystem;
using core::Date;

namespace {

class Scheduler : public ::testing::Test {
 protected:
  void SetUp() override {
    qttest::App();
    dir_ = fs::temp_directory_path() / ("k30418-sched-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    logger_ = std::make_unique<QALLoggerTXT>(dir_.string(), "k30418", clock_);
    logger_->LogPath((dir_ / "log").string());
    logger_->Enabled(true);
    config_.LogHandler(logger_.get());
    config_.path((dir_ / "k30418.xml").string());
    DefaultKeyTree::DefineStartupKeys(config_, "k30418", clock_.Now());
    ctx_.config = &config_;
    ctx_.logger = logger_.get();
    ctx_.clock = &clock_;
    ctx_.ui.timers = &timers_;
    ctx_.isNTService = true;
    scope_ = std::make_unique<ProgramScope>(ctx_);
  }
  void TearDown() override {
    scope_.reset();
    fs::remove_all(dir_);
  }

  // Stores the schedule in the file, as the schedule form would, and starts the clock.
  void Schedule(std::initializer_list<std::pair<const char*, const char*>> settings, Date start) {
    for (auto& [k, v] : settings) config_.item(std::string("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\") + k, v);
    ASSERT_TRUE(config_.SaveConfig());
    clock_.Set(start);
  }

  std::unique_ptr<CommonNTSERVICE> Form() {
    return std::make_unique<CommonNTSERVICE>([this](bool testMode) {
      ++imports_;
      testRuns_.push_back(testMode);
      starts_.push_back(clock_.Now());
      if (duringImport_) duringImport_();
    });
  }

  // Every log file of the run (a run across midnight has two).
  std::string Log() {
    logger_->closeLog();
    std::stringstream ss;
    for (auto& e : fs::directory_iterator(dir_ / "log")) ss << std::ifstream(e.path()).rdbuf();
    return ss.str();
  }

  static Date At(int y, int mo, int d, int h, int mi, int s = 0) { return Date::FromParts(y, mo, d, h, mi, s); }
  // Wake-ups are compared to the second, as the sleep line shows them.
  static std::string T(Date d) { return core::Format(d, "mm/dd/yyyy HH:nn:ss"); }

  fs::path dir_;
  core::ManualClock clock_{At(2026, 12, 8, 8, 0)};
  std::unique_ptr<QALLoggerTXT> logger_;
  QALConfiguration config_;
  testsupport::ScriptedTimers timers_;  // never tick by themselves: the test calls the tick
  ProgramContext ctx_;
  std::unique_ptr<ProgramScope> scope_;
  int imports_ = 0;
  std::vector<bool> testRuns_;  // per import: whether it was a test run
  std::vector<Date> starts_;    // per import: the clock when it started
  std::function<void()> duringImport_;
};

}  // namespace

TEST_F(Scheduler, DailyDefaultsImportAtOnceAndSleepUntilTomorrow) {
  Schedule({}, At(2026, 12, 8, 8, 0));
  auto form = Form();
  form->RunNTService();
  EXPECT_EQ(imports_, 1);
  EXPECT_EQ(T(form->NextWakeUp()), T(At(2026, 12, 9, 0, 1)));
  EXPECT_TRUE(form->MyMinuteTimer()->Enabled());
  EXPECT_EQ(form->MyMinuteTimer()->Interval(), 60000);
  EXPECT_EQ(form->MyMinuteTimer()->id(), "NTService_Scheduler");

  clock_.Set(At(2026, 12, 8, 23, 59));
  form->MyMinuteTimer_Timer();
  EXPECT_EQ(imports_, 1);
  clock_.Set(At(2026, 12, 9, 0, 1, 20));
  form->MyMinuteTimer_Timer();
  EXPECT_EQ(imports_, 2);
  EXPECT_EQ(T(form->NextWakeUp()), T(At(2026, 12, 10, 0, 1)));
  const std::string log = Log();
  EXPECT_NE(log.find("Going to Sleep mode. Will next wake up at : 12/09/2026 00:01:00"), std::string::npos) << log;
  EXPECT_NE(log.find("Going to Sleep mode. Will next wake up at : 12/10/2026 00:01:00"), std::string::npos) << log;
}

TEST_F(Scheduler, HourlyWakesAtTheMinutePastEachHour) {
  struct Case {
    Date start;
    int importsAtStart;
    Date next;
  } cases[] = {
      {At(2026, 12, 8, 10, 30), 1, At(2026, 12, 8, 11, 1)},
      {At(2026, 12, 8, 10, 0, 30), 0, At(2026, 12, 8, 10, 1)},
  };
  for (const auto& c : cases) {
    imports_ = 0;
    Schedule({{"HOURLY", "YES"}, {"HOURLY_MINUTE", "1"}}, c.start);
    auto form = Form();
    form->RunNTService();
    EXPECT_EQ(imports_, c.importsAtStart) << core::Format(c.start, "hh:nn:ss");
    EXPECT_EQ(T(form->NextWakeUp()), T(c.next)) << core::Format(c.start, "hh:nn:ss");
  }
}

TEST_F(Scheduler, EveryTenMinutesCountsFromEachDueTick) {
  Schedule({{"MINUTELY", "YES"}, {"MINUTELY_MINUTE", "10"}}, At(2026, 12, 8, 8, 0, 15));
  auto form = Form();
  form->RunNTService();
  EXPECT_EQ(imports_, 1);
  EXPECT_EQ(T(form->NextWakeUp()), T(At(2026, 12, 8, 8, 10, 15)));
  for (int minute = 1; minute <= 10; ++minute) {
    clock_.Set(At(2026, 12, 8, 8, minute, 40));
    form->MyMinuteTimer_Timer();
  }
  EXPECT_EQ(imports_, 2);
  EXPECT_EQ(T(form->NextWakeUp()), T(At(2026, 12, 8, 8, 20, 40)));
}

// The timer ticks a little early or late. A tick just before the next run's time must not leave
// the run to the tick a minute later: every start comes one minute after the last.
TEST_F(Scheduler, EveryMinuteRunsEveryMinuteWhateverTheTimersJitter) {
  Schedule({{"MINUTELY", "YES"}, {"MINUTELY_MINUTE", "1"}}, At(2026, 12, 8, 9, 5, 16));
  auto form = Form();
  form->RunNTService();
  // Each tick comes its interval after the last one, early or late by up to half a second (never
  // before the last tick).
  const double jitter[] = {-0.4, +0.5, -0.5, -0.05, +0.3, -0.2, +0.45, -0.35, +0.02, -0.1, +0.1, -0.3};
  int n = 0;
  for (int ticks = 0; ticks < 200 && imports_ < 11; ++ticks, ++n) {
    const int interval = form->MyMinuteTimer()->Interval();
    ASSERT_GE(interval, 1);
    ASSERT_LE(interval, 60000);
    clock_.AdvanceSeconds(std::max(0.001, interval / 1000.0 + jitter[n % std::size(jitter)]));
    form->MyMinuteTimer_Timer();
  }
  ASSERT_EQ(imports_, 11);
  for (std::size_t i = 1; i < starts_.size(); ++i) {
    const double apart = (starts_[i].Serial() - starts_[i - 1].Serial()) * 86400.0;
    EXPECT_NEAR(apart, 60.0, 1.0) << "run " << i << " at " << T(starts_[i]);
  }
}

// A run that comes late (the machine slept, or an import outlasted its interval) is made up once,
// and the next one follows its interval after it, not at once.
TEST_F(Scheduler, ALateRunIsMadeUpOnceAndTheIntervalCountsFromIt) {
  Schedule({{"MINUTELY", "YES"}, {"MINUTELY_MINUTE", "5"}}, At(2026, 12, 8, 9, 0));
  auto form = Form();
  form->RunNTService();
  clock_.Set(At(2026, 12, 8, 11, 0, 30));
  form->MyMinuteTimer_Timer();
  form->MyMinuteTimer_Timer();
  EXPECT_EQ(imports_, 2);
  EXPECT_EQ(T(form->NextWakeUp()), T(At(2026, 12, 8, 11, 5, 30)));
}

// The next wake-up is set from the file as each run reads it: a schedule saved by the form since
// the last run takes effect from the run that comes next, and a run that came late never skips
// the time that follows it.
TEST_F(Scheduler, EachRunSetsTheNextWakeUpFromTheScheduleItHasJustRead) {
  using Settings = std::vector<std::pair<const char*, const char*>>;
  struct Case {
    const char* name;
    Settings schedule;  // stored before the start
    Date start;
    Settings saved;  // saved into the file by the form after the start
    Date tick;
    Date next;
  } cases[] = {
      {"daily, then every 10 minutes",
       {},
       At(2026, 12, 8, 8, 0),
       {{"MINUTELY", "YES"}, {"MINUTELY_MINUTE", "10"}},
       At(2026, 12, 9, 0, 1, 5),
       At(2026, 12, 9, 0, 11)},
      {"every 10 minutes, then daily at 14:00",
       {{"MINUTELY", "YES"}, {"MINUTELY_MINUTE", "10"}},
       At(2026, 12, 8, 8, 0),
       {{"MINUTELY", "NO"}, {"DAILY_HOUR", "14"}, {"DAILY_MINUTE", "0"}},
       At(2026, 12, 8, 8, 10),
       At(2026, 12, 8, 14, 0)},
      {"daily, then hourly at minute 30",
       {},
       At(2026, 12, 8, 8, 0),
       {{"HOURLY", "YES"}, {"HOURLY_MINUTE", "30"}},
       At(2026, 12, 9, 0, 1, 5),
       At(2026, 12, 9, 0, 30)},
      {"hourly, a run late by an hour",
       {{"HOURLY", "YES"}, {"HOURLY_MINUTE", "1"}},
       At(2026, 12, 8, 10, 30),
       {},
       At(2026, 12, 8, 12, 0, 30),
       At(2026, 12, 8, 12, 1)},
      {"daily, a run late by a day", {}, At(2026, 12, 8, 8, 0), {}, At(2026, 12, 10, 0, 0, 30), At(2026, 12, 10, 0, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    imports_ = 0;
    fs::remove_all(dir_ / "log");
    Settings schedule = {{"HOURLY", "NO"}, {"MINUTELY", "NO"}, {"DAILY_HOUR", "0"}, {"DAILY_MINUTE", "1"}};
    schedule.insert(schedule.end(), c.schedule.begin(), c.schedule.end());
    for (auto& [k, v] : schedule) config_.item(std::string("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\") + k, v);
    ASSERT_TRUE(config_.SaveConfig());
    clock_.Set(c.start);
    auto form = Form();
    form->RunNTService();
    ASSERT_EQ(imports_, 1);

    // The form of the desktop program writes the file; the service holds what it read last.
    std::vector<std::pair<std::string, std::string>> held;
    for (auto& [k, v] : c.saved) {
      const std::string key = std::string("OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\") + k;
      held.emplace_back(key, config_.item(key));
      config_.item(key, v);
    }
    ASSERT_TRUE(config_.SaveConfig());
    for (auto& [k, v] : held) config_.item(k, v);

    clock_.Set(c.tick);
    form->MyMinuteTimer_Timer();
    EXPECT_EQ(imports_, 2);
    EXPECT_EQ(T(form->NextWakeUp()), T(c.next));
    const std::string log = Log();
    EXPECT_NE(log.find("Going to Sleep mode. Will next wake up at : " + T(c.next)), std::string::npos) << log;
  }
}

// Each run follows the Import Operation Mode: only "YES" is Real; any other value is Test, a run
// that writes nothing into Krym, and the log's lines around it say so.
TEST_F(Scheduler, ImportOperationModeMakesTheRunATestRun) {
  struct Case {
    const char* mode;
    bool test;
  } cases[] = {{"YES", false}, {"NO", true}, {"no", true}, {"", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    imports_ = 0;
    testRuns_.clear();
    fs::remove_all(dir_ / "log");
    config_.item("OPTIONS\\AUTOMATED_IMPORT\\REAL_OPERATION_MODE", c.mode);
    Schedule({}, At(2026, 12, 8, 8, 0));
    auto form = Form();
    form->RunNTService();
    ASSERT_EQ(testRuns_.size(), 1u);
    EXPECT_EQ(testRuns_[0], c.test);
    const std::string log = Log();
    EXPECT_EQ(log.find("Test run: OPTIONS\\AUTOMATED_IMPORT\\REAL_OPERATION_MODE is \"" + std::string(c.mode) + "\"") !=
                  std::string::npos,
              c.test)
        << log;
    EXPECT_EQ(log.find("Test run over: nothing was written into Vorn Krym.") != std::string::npos, c.test) << log;
  }
}

TEST_F(Scheduler, SwitchesCompareExactlyAndHourlyWinsOverMinutely) {
  struct Case {
    const char* hourly;
    const char* minutely;
    Date next;
  } cases[] = {
      {"YES", "YES", At(2026, 12, 8, 8, 1)},  // hourly: not yet due
      {"yes", "NO", At(2026, 12, 9, 0, 1)},   // not hourly: daily
      {"NO", "Yes", At(2026, 12, 9, 0, 1)},   // not minutely: daily
      {"NO", "YES", At(2026, 12, 8, 8, 10)},  // minutely
  };
  for (const auto& c : cases) {
    Schedule({{"HOURLY", c.hourly}, {"MINUTELY", c.minutely}}, At(2026, 12, 8, 8, 0));
    auto form = Form();
    form->RunNTService();
    EXPECT_EQ(T(form->NextWakeUp()), T(c.next)) << c.hourly << "/" << c.minutely;
  }
}

TEST_F(Scheduler, TickDuringARunningImportReturnsAtOnce) {
  Schedule({{"MINUTELY", "YES"}, {"MINUTELY_MINUTE", "10"}}, At(2026, 12, 8, 8, 0));
  auto form = Form();
  CommonNTSERVICE* f = form.get();
  int nested = 0;
  duringImport_ = [&] {
    // 25 minutes of import, with the ticks that arrive meanwhile.
    for (int m = 1; m <= 25; ++m) {
      clock_.Set(At(2026, 12, 8, 8, m));
      f->MyMinuteTimer_Timer();
      ++nested;
    }
    duringImport_ = nullptr;
  };
  form->RunNTService();
  EXPECT_EQ(nested, 25);
  EXPECT_EQ(imports_, 1);
  clock_.Set(At(2026, 12, 8, 8, 26));
  form->MyMinuteTimer_Timer();  // the wake-up has passed: imports again
  EXPECT_EQ(imports_, 2);
}

TEST_F(Scheduler, UnreadableConfigurationSkipsTheRunButMovesTheWakeUpOn) {
  Schedule({{"MINUTELY", "YES"}}, At(2026, 12, 8, 8, 0));
  auto form = Form();
  std::ofstream(dir_ / "k30418.xml") << "not xml";
  form->RunNTService();
  EXPECT_EQ(imports_, 0);
  EXPECT_EQ(T(form->NextWakeUp()), T(At(2026, 12, 8, 8, 10)));
  // The lost run says so, with the outcome line a watcher of the log looks for.
  std::string log = Log();
  EXPECT_NE(log.find("The scheduled import cannot start: the configuration file cannot be read."), std::string::npos)
      << log;
  EXPECT_NE(log.find("Import terminated with error(s)."), std::string::npos) << log;
  // It is not tried again every minute: the next tick before the wake-up does nothing.
  clock_.Set(At(2026, 12, 8, 8, 1));
  form->MyMinuteTimer_Timer();
  log = Log();
  EXPECT_EQ(log.find("Import terminated with error(s)."), log.rfind("Import terminated with error(s)."));
}

TEST_F(Scheduler, HandEditedNumbersCountAsTheirDefaults) {
  Schedule({{"DAILY_HOUR", "abc"}, {"DAILY_MINUTE", "x"}}, At(2026, 12, 8, 8, 0));
  config_.item("OPTIONS\\LOG_VERBOSITY", "loud");
  ASSERT_TRUE(config_.SaveConfig());
  auto form = Form();
  form->RunNTService();
  EXPECT_EQ(imports_, 1);
  EXPECT_EQ(T(form->NextWakeUp()), T(At(2026, 12, 9, 0, 1)));
  EXPECT_EQ(logger_->Verbosity(), 0);
}

TEST_F(Scheduler, VerbosityOutOfRangeIsClampedSoTheImportIsStillLogged) {
  for (const auto& [stored, applied] : {std::pair{"-1", 0}, std::pair{"12", 9}}) {
    Schedule({}, At(2026, 12, 8, 8, 0));
    config_.item("OPTIONS\\LOG_VERBOSITY", stored);
    ASSERT_TRUE(config_.SaveConfig());
    duringImport_ = [this] { logger_->WriteLog("Import started.", 0); };
    auto form = Form();
    form->RunNTService();
    EXPECT_EQ(logger_->Verbosity(), applied) << stored;
    EXPECT_EQ(config_.item("OPTIONS\\LOG_VERBOSITY"), std::to_string(applied)) << stored;
    const std::string log = Log();
    EXPECT_NE(log.find("[Log Verbosity is set to " + std::to_string(applied)), std::string::npos) << log;
    EXPECT_NE(log.find(" : Import started."), std::string::npos) << stored << "\n" << log;
  }
}

TEST_F(Scheduler, StopEndsTheTicks) {
  Schedule({}, At(2026, 12, 8, 8, 0));
  auto form = Form();
  form->RunNTService();
  QPushButton* stop = form->findChild<QPushButton*>("Command1");
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(stop->text().toStdString(), "Stop");
  EXPECT_TRUE(form->MyMinuteTimer()->Enabled());
  stop->click();
  EXPECT_FALSE(form->MyMinuteTimer()->Enabled());
}

// "end" clicked while the first import runs (before the event loop has started): the import is
// asked to stop, nothing more is scheduled, and the loop is not started at all, since a loop
// started after the request would never hear it and the process would run on.
TEST_F(Scheduler, EndClickedDuringTheFirstImportEndsTheProgram) {
  Schedule({}, At(2026, 12, 8, 8, 0));
  auto form = Form();
  bool stopSeenByImport = false;
  duringImport_ = [&] {
    form->findChild<QPushButton*>("Command2")->click();
    stopSeenByImport = platform::os::StopRequested();
  };
  form->RunNTService();
  EXPECT_TRUE(stopSeenByImport);
  EXPECT_EQ(imports_, 1);

  QTimer guard;  // a loop that does start is ended here, so the fault fails instead of hanging
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(7); });
  guard.start(3000);
  EXPECT_EQ(ProgramEnd::RunEventLoop(), 0);

  clock_.Set(At(2026, 12, 9, 0, 2));
  form->MyMinuteTimer_Timer();
  EXPECT_EQ(imports_, 1) << "an ending program starts no import";
  EXPECT_EQ(Log().find("Going to Sleep mode"), std::string::npos) << Log();
  platform::os::ResetStopRequest();
}
