#include "app/forms/QtConnectionProgress.h"

#include "app/forms/CommonUIConnectProgress.h"

std::unique_ptr<platform::ui::ConnectionProgressWindow> QtConnectionProgress::CreateWindow() {
  return std::make_unique<CommonUIConnectProgress>(owner_.data());
}
