#include "app/service/CommonNTSERVICE.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "app/session/ImportSession.h"
#include "app/startup/ProgramEnd.h"
#include "core/OutsideText.h"
#include "core/Value.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALTimer.h"
#include "platform/os/StopRequest.h"

namespace {

constexpr const char* kSchedule = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\";
constexpr const char* kRealModeKey = "OPTIONS\\AUTOMATED_IMPORT\\REAL_OPERATION_MODE";

constexpr double kSecond = 1.0 / 86400;
constexpr double kMinute = 1.0 / 1440;
// How late a tick may come and still count as on time for a run every N minutes.
constexpr double kOnTime = 10 * kSecond;
// The longest the timer sleeps: a wake-up further off is looked at again every minute.
constexpr std::int32_t kTickMs = 60000;

// A schedule number as stored. The forms only ever store
// numbers; a hand-edited text that is no 16-bit whole number counts as the
// key's default.
int StoredNumber(const std::string& key, int fallback) {
  try {
    return core::Value(Program().config->item(key)).ToInteger();
  } catch (...) {
    return fallback;
  }
}

std::string Stored(const std::string& key) { return Program().config->item(key); }

// The first line of a run in Test mode: that nothing is written, and the setting that says so.
// The form shows Real only for "YES", so every other value is Test, as the form shows it.
std::string TestRunLine(const std::string& mode) {
  std::string line = std::string("Test run: ") + kRealModeKey + " is \"" + core::OutsideText(mode, 40) + "\"";
  if (mode == "NO")
    line += " (Import Operation Mode: Test (Vorn Krym is NEVER modified)).";
  else
    line += ", which is not \"YES\" (Real), so the Import Operation Mode is Test (Vorn Krym is NEVER modified).";
  return line +
         " The run reads DeraRed and Vorn Krym as a test import does, and writes no value and no note into Vorn "
         "Krym, saves no last imported id and keeps no late-commit watch.";
}

}  // namespace

CommonNTSERVICE::CommonNTSERVICE(Importer importer, QWidget* parent)
    : QWidget(parent), importer_(std::move(importer)) {
  setWindowTitle("NTSERVICE MODE");
  auto* layout = new QHBoxLayout(this);
  Command1_ = new QPushButton("Stop", this);
  Command2_ = new QPushButton("end", this);
  Command1_->setObjectName("Command1");
  Command2_->setObjectName("Command2");
  layout->addWidget(Command1_);
  layout->addWidget(Command2_);
  connect(Command1_, &QPushButton::clicked, this, &CommonNTSERVICE::Command1_Click);
  connect(Command2_, &QPushButton::clicked, this, &CommonNTSERVICE::Command2_Click);
  if (!importer_) importer_ = [](bool testMode) { CommonGlobals::ImportAllVariables(testMode); };
  ComputeNextWakeUp(true);
}

CommonNTSERVICE::~CommonNTSERVICE() = default;

void CommonNTSERVICE::RunNTService() {
  timer_ = std::make_unique<QALTimer>();
  timer_->hWnd(static_cast<std::intptr_t>(winId()));
  timer_->Interval(kTickMs);
  timer_->id("NTService_Scheduler");
  timer_->OnTimer([this] { MyMinuteTimer_Timer(); });
  MyMinuteTimer_Timer();
  timer_->Enabled(true);
}

void CommonNTSERVICE::MyMinuteTimer_Timer() {
  // An import lets window events run while it waits; a tick that arrives then
  // must not start a second import. Nor does anything start once the program is ending.
  if (busy_ || platform::os::StopRequested()) return;
  busy_ = true;
  ProgramContext& ctx = Program();
  if (IsTimeToRun()) {
    // The file is read before the following wake-up is set, so that a schedule saved since the
    // last run sets the next one. An unreadable file leaves the schedule held as it was.
    const bool read = ctx.config->ReadConfig();
    ComputeNextWakeUp(false);
    if (read) {
      const std::string mode = Stored(kRealModeKey);
      const bool testMode = mode != "YES";
      if (testMode) ctx.logger->WriteLog(TestRunLine(mode), 0);
      ctx.logger->Verbosity(CommonGlobals::LogVerbositySetting());
      ctx.logger->AssertVerbosity();
      importer_(testMode);
      if (testMode) ctx.logger->WriteLog("Test run over: nothing was written into Vorn Krym.", 0);
      // An import cut short by the end of the program sleeps no more.
      if (!platform::os::StopRequested())
        ctx.logger->WriteLog(
            "Going to Sleep mode. Will next wake up at : " + core::Format(nextWakeUp_, "mm/dd/yyyy HH:nn:ss"), 0);
    } else {
      // The store has logged why; the run is lost, not tried again before the next wake-up.
      ctx.logger->WriteAlert("The scheduled import cannot start: the configuration file cannot be read.");
      ctx.logger->WriteAlert("Import terminated with error(s).");
    }
  }
  ArmTimer();
  busy_ = false;
}

void CommonNTSERVICE::ArmTimer() {
  // A timer of a minute ticks a little early or late; one that came just before the wake-up
  // would leave the run to the tick a minute later. So in the last minute before a wake-up the
  // timer is set to the wake-up itself, and a tick that still comes early sets it to what is left.
  if (!timer_) return;
  const double left = (nextWakeUp_.Serial() - Program().clock->Now().Serial()) * 86400000.0;
  timer_->Interval(left >= kTickMs ? kTickMs : std::max<std::int32_t>(1, static_cast<std::int32_t>(std::ceil(left))));
}

bool CommonNTSERVICE::IsTimeToRun() { return Program().clock->Now() >= nextWakeUp_; }

void CommonNTSERVICE::ComputeNextWakeUp(bool initial) {
  const core::Date now = Program().clock->Now();
  const double today = now.DatePart().Serial();
  const std::string s = kSchedule;
  if (Stored(s + "HOURLY") == "YES") {
    const int minute = StoredNumber(s + "HOURLY_MINUTE", 1);
    const double thisHour = today + (now.Hour() * 60 + minute) / 1440.0;
    // After a run, the first such minute still to come (a second's margin keeps the run's own
    // minute from counting again): a run that came late, or a schedule changed since, never
    // skips the next one.
    nextWakeUp_ = core::Date(initial || thisHour > now.Serial() + kSecond ? thisHour : thisHour + 1 / 24.0);
  } else if (Stored(s + "MINUTELY") == "YES") {
    // Fewer than one minute runs every minute, as the minute tick always made it.
    const int every = std::max(1, StoredNumber(s + "MINUTELY_MINUTE", 10));
    const double due = nextWakeUp_.Serial();
    if (initial)
      nextWakeUp_ = now;
    else if (now.Serial() - due <= kOnTime)
      // On time: the next run is due whole intervals after this one was, however the ticks fall.
      nextWakeUp_ = core::Date(due + every * kMinute);
    else
      // Late (the machine slept, or an import outlasted the interval): counted from this run,
      // so a missed run is made up once and the next one does not follow at once.
      nextWakeUp_ = core::Date(now.Serial() + every * kMinute);
  } else {
    const int hour = StoredNumber(s + "DAILY_HOUR", 0);
    const int minute = StoredNumber(s + "DAILY_MINUTE", 1);
    const double todays = today + (hour * 60 + minute) / 1440.0;
    nextWakeUp_ = core::Date(initial || todays > now.Serial() + kSecond ? todays : todays + 1);
  }
}

void CommonNTSERVICE::Command1_Click() {
  if (timer_) timer_->Enabled(false);
}

void CommonNTSERVICE::Command2_Click() { ProgramEnd::Request(); }
