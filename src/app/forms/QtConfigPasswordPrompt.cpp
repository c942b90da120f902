#include "app/forms/QtConfigPasswordPrompt.h"

#include "app/forms/CommonAskForConfigPassword.h"

bool QtConfigPasswordPrompt::AskForConfigPassword() {
  CommonAskForConfigPassword dialog(icons_, owner_.data());
  dialog.exec();
  return !dialog.Cancelled();
}
