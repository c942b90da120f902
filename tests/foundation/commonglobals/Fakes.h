#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui/ActivityList.h"
#include "platform/ui/ConfigPasswordPrompt.h"
#include "platform/ui/MessagePresenter.h"
#include "platform/ui/ShellOpener.h"

// An activity list that keeps its lines in memory.
class FakeActivityList : public platform::ui::ActivityList {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  void AddItem(const std::string& text) override { lines.push_back(text); }
  void RemoveItem(int index) override { lines.erase(lines.begin() + index); }
  void Clear() override {
    lines.clear();
    ++clears;
  }
  std::string Item(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
  void SelectLast() override { selected = Count() - 1; }

  std::vector<std::string> lines;
  int clears = 0;
  int selected = -1;
};

// A desktop that records what it was asked to open.
class FakeShellOpener : public platform::ui::ShellOpener {
 public:
  bool OpenUrl(const std::string& target) override {
    opened.push_back(target);
    if (fail) throw std::runtime_error("no desktop");
    return !refuse;
  }
  std::vector<std::string> opened;
  bool fail = false;
  bool refuse = false;  // the desktop has no program for it
};

// Records each message box and answers OK.
class FakePresenter : public platform::ui::MessagePresenter {
 public:
  struct Shown {
    std::string prompt;
    int style;
    std::string title;
  };
  int Show(const std::string& prompt, int style, const std::string& title) override {
    shown.push_back({prompt, style, title});
    return 1;
  }
  std::vector<Shown> shown;
};

// A password dialog with a scripted outcome.
class FakePasswordPrompt : public platform::ui::ConfigPasswordPrompt {
 public:
  explicit FakePasswordPrompt(bool answer) : answer(answer) {}
  bool AskForConfigPassword() override {
    ++asked;
    return answer;
  }
  bool answer;
  int asked = 0;
};
