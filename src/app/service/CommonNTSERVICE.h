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
//
// Each run follows OPTIONS\AUTOMATED_IMPORT\REAL_OPERATION_MODE as the Automated
// Import form shows it: "YES" is Real, every other value is Test, a run that writes
// nothing into Krym (no value, no note, no last id, no late-commit watch), whose
// first and last lines say so. A run every N minutes is due N minutes after the
// last one was due, so the timer's jitter never costs a run; in the last minute
// before a wake-up the timer is set to the wake-up itself.
class CommonNTSERVICE : public QWidget {
  Q_OBJECT

 public:
  // A full import session over all variables, real or (testMode) test.
  using Importer = std::function<void(bool testMode)>;
  // importer null: the session driver's import of all variables.
  explicit CommonNTSERVICE(Importer importer = nullptr, QWidget* parent = nullptr);
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
  // Sets the timer to the next wake-up when that is less than a minute away, else to a minute.
  void ArmTimer();

  Importer importer_;
  std::unique_ptr<QALTimer> timer_;
  core::Date nextWakeUp_;
  bool busy_ = false;
  QPushButton* Command1_ = nullptr;
  QPushButton* Command2_ = nullptr;
};
