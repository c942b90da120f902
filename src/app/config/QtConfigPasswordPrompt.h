#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/ui/ConfigPasswordPrompt.h"

class IconBinding;

// The configuration password question of a protected save, asked with a new
// CommonAskForConfigPassword shown modal over the owner. The icon binding is borrowed and must
// outlive the prompt; the owner is watched, not owned.
class QtConfigPasswordPrompt : public platform::ui::ConfigPasswordPrompt {
 public:
  QtConfigPasswordPrompt(const IconBinding* icons, QWidget* owner) : icons_(icons), owner_(owner) {}
  bool AskForConfigPassword() override;

 private:
  const IconBinding* icons_;
  QPointer<QWidget> owner_;
};
