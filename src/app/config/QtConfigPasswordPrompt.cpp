#include "app/config/QtConfigPasswordPrompt.h"

#include "app/config/CommonAskForConfigPassword.h"

bool QtConfigPasswordPrompt::AskForConfigPassword() {
  CommonAskForConfigPassword dialog(icons_, owner_.data());
  dialog.exec();
  return !dialog.Cancelled();
}
