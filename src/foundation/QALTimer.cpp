#include "foundation/QALTimer.h"

#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALguid.h"
#include "platform/ui/TimerService.h"

QALTimer::QALTimer(platform::ui::TimerService* service)
    : service_(service ? service : Program().ui.timers), id_(QALguid::GetNewGUID()) {}

QALTimer::~QALTimer() = default;

void QALTimer::Enabled(bool on) {
  if (enabled_) timer_.reset();
  enabled_ = on;
  if (on && interval_ >= 1 && service_) {
    timer_ = service_->CreateTimer([this] { CommonGlobals::TimerProc(*this); });
    timer_->Start(interval_);
  }
}

void QALTimer::Interval(std::int32_t ms) {
  if (ms < 0) return;
  interval_ = ms;
  Enabled(enabled_);
}

void QALTimer::RaiseTimer() {
  if (handler_) handler_();
}

bool QALTimer::Running() const { return timer_ && timer_->Active(); }

namespace CommonGlobals {

void TimerProc(QALTimer& timer) {
  // The id is copied: the handler may rename or even disable the timer.
  const std::string id = timer.id();
  QALLoggerTXT* log = Program().logger;
  if (log) log->WriteLog(id + " callback entered.", 2);
  timer.RaiseTimer();
  if (log) log->WriteLog(id + " callback exited.", 2);
}

}  // namespace CommonGlobals
