#pragma once

#include <QString>
#include <functional>

#include "foundation/QALntSvcWatcher.h"

class QLabel;

// Lets a service watcher show the service's state on a QLabel: the caption becomes the label's
// text, the colour its background. onChange, when given, hears every new caption (a window that
// copies the state elsewhere). The label is borrowed and must outlive the adapter.
class WatcherLabel : public QALntSvcWatcher::StatusLabel {
 public:
  explicit WatcherLabel(QLabel* label, std::function<void(const QString&)> onChange = nullptr);

  void Caption(const std::string& text) override;
  void BackColor(std::uint32_t rgb) override;

 private:
  QLabel* label_;
  std::function<void(const QString&)> onChange_;
};
