#pragma once

#include <QString>
#include <functional>
#include <initializer_list>
#include <string>

class QToolBar;

// Fills a toolbar from a table of buttons: each action shows its caption and tooltip (none at all
// when the tooltip is empty) and carries its key (QAction::data), by which the icon binding finds
// its image; a click hands the key to onClick. The toolbar owns its actions.
class ToolbarButtons {
 public:
  struct Button {
    const char* caption;
    const char* key;
    const char* toolTip;
  };

  static void Add(QToolBar* toolbar, std::initializer_list<Button> buttons,
                  const std::function<void(const std::string&)>& onClick);
};
