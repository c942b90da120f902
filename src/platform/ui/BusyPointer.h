#pragma once

namespace platform::ui {

// The busy (hourglass) pointer. Use BusyScope so that the default pointer comes
// back on every way out.
class BusyPointer {
 public:
  virtual ~BusyPointer() = default;
  virtual void SetBusy(bool busy) = 0;
};

class BusyScope {
 public:
  explicit BusyScope(BusyPointer* p) : p_(p) {
    if (p_) p_->SetBusy(true);
  }
  ~BusyScope() {
    if (p_) p_->SetBusy(false);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  BusyPointer* p_;
};

}  // namespace platform::ui
