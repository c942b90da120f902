#include "app/dialogs/QtConnectionProgress.h"

#include "app/dialogs/CommonUIConnectProgress.h"

std::unique_ptr<platform::ui::ConnectionProgressWindow> QtConnectionProgress::CreateWindow() {
  return std::make_unique<CommonUIConnectProgress>(owner_.data());
}
