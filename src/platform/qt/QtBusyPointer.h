#pragma once

#include "platform/ui/BusyPointer.h"

namespace platform::qt {

// The busy pointer as Qt's application-wide override cursor. Calls nest: each
// SetBusy(true) is undone by one SetBusy(false), and a SetBusy(false) without a
// matching SetBusy(true) leaves cursors set by others alone. Use on the window
// thread; the destructor restores whatever this object still holds.
class QtBusyPointer : public platform::ui::BusyPointer {
 public:
  QtBusyPointer() = default;
  ~QtBusyPointer() override;
  QtBusyPointer(const QtBusyPointer&) = delete;
  QtBusyPointer& operator=(const QtBusyPointer&) = delete;

  void SetBusy(bool busy) override;
  int Depth() const { return depth_; }

 private:
  int depth_ = 0;
};

}  // namespace platform::qt
