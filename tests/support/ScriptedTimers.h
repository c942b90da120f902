#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/ui/TimerService.h"

namespace testsupport {

// Window timers that tick only when the test says so; every timer made is
// remembered with its interval and whether it runs.
class ScriptedTimers : public platform::ui::TimerService {
 public:
  struct Record {
    int intervalMs = 0;
    bool active = false;
    std::function<void()> tick;
  };

  std::unique_ptr<platform::ui::Timer> CreateTimer(std::function<void()> onTick) override {
    auto r = std::make_shared<Record>();
    r->tick = std::move(onTick);
    records.push_back(r);
    return std::make_unique<T>(r);
  }
  // Ticks every timer that runs (a tick may make or stop timers).
  void TickAll() {
    auto snapshot = records;
    for (auto& r : snapshot)
      if (r->active) r->tick();
  }
  bool AnyActive() const {
    for (auto& r : records)
      if (r->active) return true;
    return false;
  }

  std::vector<std::shared_ptr<Record>> records;

 private:
  class T : public platform::ui::Timer {
   public:
    explicit T(std::shared_ptr<Record> r) : r_(std::move(r)) {}
    ~T() override { r_->active = false; }
    void Start(int ms) override {
      r_->intervalMs = ms;
      r_->active = ms >= 1;
    }
    void Stop() override { r_->active = false; }
    bool Active() const override { return r_->active; }

   private:
    std::shared_ptr<Record> r_;
  };
};

}  // namespace testsupport
