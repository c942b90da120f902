#pragma once

namespace platform::ui {

// Asks the operator for the configuration password before a protected
// configuration is saved. The dialog behind it checks the typed text against the
// stored password itself and keeps asking until it matches or is cancelled.
class ConfigPasswordPrompt {
 public:
  virtual ~ConfigPasswordPrompt() = default;
  // True when the right password was given, False when the operator cancelled.
  virtual bool AskForConfigPassword() = 0;
};

}  // namespace platform::ui
