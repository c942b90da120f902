#include "platform/qt/QtTimerService.h"

#include <QTimer>

namespace platform::qt {

namespace {

// What a tick needs, shared with the connection so that it survives the timer
// being destroyed while its callback runs.
struct TickState {
  std::function<void()> onTick;
  int running = 0;  // callbacks in progress (nested when the callback pumps events)
};

class QtTimer : public platform::ui::Timer {
 public:
  explicit QtTimer(std::function<void()> onTick)
      : state_(std::make_shared<TickState>(TickState{std::move(onTick)})), timer_(new QTimer) {
    timer_->setTimerType(Qt::CoarseTimer);
    QObject::connect(timer_, &QTimer::timeout, [state = state_] {
      const std::shared_ptr<TickState> keep = state;
      ++keep->running;
      if (keep->onTick) keep->onTick();
      --keep->running;
    });
  }

  ~QtTimer() override {
    timer_->stop();
    // Deleting a QTimer inside its own timeout signal is not allowed; leave that
    // to the event loop. Otherwise it goes now.
    if (state_->running > 0) {
      QObject::disconnect(timer_, &QTimer::timeout, nullptr, nullptr);
      timer_->deleteLater();
    } else {
      delete timer_;
    }
  }

  QtTimer(const QtTimer&) = delete;
  QtTimer& operator=(const QtTimer&) = delete;

  void Start(int intervalMs) override {
    // A period below 1 ms never ticks (a zero QTimer would fire on every loop pass).
    if (intervalMs < 1) {
      timer_->stop();
      return;
    }
    timer_->start(intervalMs);
  }
  void Stop() override { timer_->stop(); }
  bool Active() const override { return timer_->isActive(); }

 private:
  std::shared_ptr<TickState> state_;
  QTimer* timer_;  // owned; see the destructor
};

}  // namespace

std::unique_ptr<platform::ui::Timer> QtTimerService::CreateTimer(std::function<void()> onTick) {
  return std::make_unique<QtTimer>(std::move(onTick));
}

}  // namespace platform::qt
