#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/ui/ConnectionProgress.h"

// Makes the program's connection progress windows, each shown over the owner given here unless
// the caller names another. The owner is watched, not owned: once it is gone the windows have
// none.
class QtConnectionProgress : public platform::ui::ConnectionProgress {
 public:
  explicit QtConnectionProgress(QWidget* owner = nullptr) : owner_(owner) {}
  std::unique_ptr<platform::ui::ConnectionProgressWindow> CreateWindow() override;

 private:
  QPointer<QWidget> owner_;
};
