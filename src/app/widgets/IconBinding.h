#pragma once

#include <string>

class IconManager;
class QToolBar;
class QWidget;
class QAbstractButton;
namespace platform::qt {
class QtIconImages;
}

// Puts the icon manager's images on Qt widgets: toolbar actions by the key they
// carry (QAction::data), buttons and window icons by a given key. The image
// store is borrowed.
class IconBinding {
 public:
  IconBinding(const IconManager& icons, const platform::qt::QtIconImages& images) : icons_(icons), images_(images) {}

  void initToolbar(QToolBar* toolbar) const;
  void initButton(QAbstractButton* button, const std::string& iconName) const;
  void InitForm(QWidget* form, const std::string& iconName) const;

 private:
  const IconManager& icons_;
  const platform::qt::QtIconImages& images_;
};
