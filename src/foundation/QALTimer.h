#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform::ui {
class Timer;
class TimerService;
}  // namespace platform::ui

// A window timer object: while enabled with an interval of 1 ms or more it
// raises its Timer event every interval, on the window thread. Each tick goes
// through TimerProc, which writes the callback lines at level 2 around the
// handler. The timer service is borrowed and must outlive the timer; the
// handler is owned.
class QALTimer {
 public:
  // service null: the program's timer service.
  explicit QALTimer(platform::ui::TimerService* service = nullptr);
  ~QALTimer();
  QALTimer(const QALTimer&) = delete;
  QALTimer& operator=(const QALTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void Enabled(bool on);
  const std::string& id() const { return id_; }
  void id(const std::string& name) { id_ = name; }
  // The owning window; kept for the log's sake only (Qt timers need no owner).
  void hWnd(std::intptr_t window) { hWnd_ = window; }
  std::int32_t Interval() const { return interval_; }
  void Interval(std::int32_t ms);  // negative values are ignored

  // The Timer event.
  void OnTimer(std::function<void()> handler) { handler_ = std::move(handler); }
  void RaiseTimer();

  // True while a platform timer is set.
  bool Running() const;

 private:
  platform::ui::TimerService* service_;
  std::unique_ptr<platform::ui::Timer> timer_;
  std::function<void()> handler_;
  std::intptr_t hWnd_ = 0;
  bool enabled_ = false;
  std::int32_t interval_ = 0;
  std::string id_;
};

namespace CommonGlobals {
// The window-timer callback: the callback lines around the timer's event.
void TimerProc(QALTimer& timer);
}  // namespace CommonGlobals
