#pragma once

#include <QPointer>

#include "platform/ui/ActivityList.h"

class QListWidget;

namespace platform::qt {

// The activity list over a QListWidget of a window. The window owns the widget;
// the adapter only points at it, and once the widget is gone the list reads as
// empty and ignores changes. Indexes outside the list read as "" and remove
// nothing.
class QtActivityList : public platform::ui::ActivityList {
 public:
  explicit QtActivityList(QListWidget* list);

  int Count() const override;
  void AddItem(const std::string& text) override;
  void RemoveItem(int index) override;
  void Clear() override;
  std::string Item(int index) const override;
  void SelectLast() override;

 private:
  QPointer<QListWidget> list_;
};

}  // namespace platform::qt
