#pragma once

#include <string>

namespace platform::ui {

// The main window's activity list as the status line uses it: a list of text
// lines, the newest last, that can be trimmed from the top.
class ActivityList {
 public:
  virtual ~ActivityList() = default;
  virtual int Count() const = 0;
  virtual void AddItem(const std::string& text) = 0;
  virtual void RemoveItem(int index) = 0;  // 0-based
  virtual void Clear() = 0;
  virtual std::string Item(int index) const = 0;
  virtual void SelectLast() = 0;  // scroll so that the newest line shows
};

}  // namespace platform::ui
