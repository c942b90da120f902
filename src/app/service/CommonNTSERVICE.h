#pragma once

#include <QWidget>

class QPushButton;

// The form of the service mode. It is never seen on a server without a screen;
// its one-minute timer drives the scheduled imports. "Stop" stops the timer,
// "end" ends the process.
class CommonNTSERVICE : public QWidget {
  Q_OBJECT

 public:
  explicit CommonNTSERVICE(QWidget* parent = nullptr);

  // Starts the scheduler: the first check runs at once.
  void RunNTService();

 private:
  QPushButton* btnStop_ = nullptr;
  QPushButton* btnEnd_ = nullptr;
};
