#include "app/service/CommonNTSERVICE.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "app/session/ImportSession.h"
#include "app/startup/ProgramEnd.h"
#include "core/Value.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALTimer.h"
#include "platform/os/StopRequest.h"

namespace {

constexpr const char* kSchedule = "OPTIONS\\AUTOMATED_IMPORT\\SCHEDULE\\";

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

}  // namespace

CommonNTSERVICE::CommonNTSERVICE(std::function<void()> importer, QWidget* parent)
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
  if (!importer_) importer_ = [] { CommonGlobals::ImportAllVariables(false); };
  ComputeNextWakeUp(true);
}

CommonNTSERVICE::~CommonNTSERVICE() = default;

void CommonNTSERVICE::RunNTService() {
  timer_ = std::make_unique<QALTimer>();
  timer_->hWnd(static_cast<std::intptr_t>(winId()));
  timer_->Interval(60000);
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
    if (ctx.config->ReadConfig()) {
      ctx.logger->Verbosity(CommonGlobals::LogVerbositySetting());
      ctx.logger->AssertVerbosity();
      importer_();
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
  busy_ = false;
}

bool CommonNTSERVICE::IsTimeToRun() {
  if (Program().clock->Now() < nextWakeUp_) return false;
  ComputeNextWakeUp(false);
  return true;
}

void CommonNTSERVICE::ComputeNextWakeUp(bool initial) {
  const core::Date now = Program().clock->Now();
  const double today = now.DatePart().Serial();
  const std::string s = kSchedule;
  if (Stored(s + "HOURLY") == "YES") {
    const int minute = StoredNumber(s + "HOURLY_MINUTE", 1);
    nextWakeUp_ = core::Date(today + (now.Hour() * 60 + minute) / 1440.0 + (initial ? 0 : 1 / 24.0));
  } else if (Stored(s + "MINUTELY") == "YES") {
    const int every = StoredNumber(s + "MINUTELY_MINUTE", 10);
    nextWakeUp_ = core::Date(now.Serial() + (initial ? 0 : every / 1440.0));
  } else {
    const int hour = StoredNumber(s + "DAILY_HOUR", 0);
    const int minute = StoredNumber(s + "DAILY_MINUTE", 1);
    nextWakeUp_ = core::Date(today + (hour * 60 + minute) / 1440.0 + (initial ? 0 : 1));
  }
}

void CommonNTSERVICE::Command1_Click() {
  if (timer_) timer_->Enabled(false);
}

void CommonNTSERVICE::Command2_Click() { ProgramEnd::Request(); }
