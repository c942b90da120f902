#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "core/Date.h"

class QPushButton;
class QALTimer;

// The form of the service mode. Nobody sees it on a server without a screen; its
// one-minute timer decides when to import (daily, hourly or every N minutes) and
// runs a full import through the session driver when the time has come. "Stop"
// stops the timer for good, "end" ends the process. Settings and clock come from
// the program context.
class CommonNTSERVICE : public QWidget {
  Q_OBJECT

 public:
  // importer null: a full, real import session over all variables.
  explicit CommonNTSERVICE(std::function<void()> importer = nullptr, QWidget* parent = nullptr);
  ~CommonNTSERVICE() override;

  // Starts the scheduler: the first tick runs at once, then one every minute.
  void RunNTService();
  void MyMinuteTimer_Timer();

  core::Date NextWakeUp() const { return nextWakeUp_; }
  QALTimer* MyMinuteTimer() const { return timer_.get(); }
  void Command1_Click();  // "Stop"
  void Command2_Click();  // "end"

 private:
  bool IsTimeToRun();
  void ComputeNextWakeUp(bool initial);

  std::function<void()> importer_;
  std::unique_ptr<QALTimer> timer_;
  core::Date nextWakeUp_;
  bool busy_ = false;
  QPushButton* Command1_ = nullptr;
  QPushButton* Command2_ = nullptr;
};
