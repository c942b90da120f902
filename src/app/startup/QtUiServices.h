#pragma once

#include <memory>

#include "platform/qt/QtActivityList.h"
#include "platform/qt/QtBusyPointer.h"
#include "platform/qt/QtEventPump.h"
#include "platform/qt/QtMessagePresenter.h"
#include "platform/qt/QtShellOpener.h"
#include "platform/qt/QtTimerService.h"
#include "platform/ui/UiServices.h"

// The Qt implementations of the user-interface services, owned together. The
// activity list is attached once the main window exists.
class QtUiServices {
 public:
  QtUiServices();

  // The services as the context hands them out.
  platform::ui::UiServices Services() const;
  void AttachActivityList(QListWidget* list);

 private:
  platform::qt::QtMessagePresenter messages_;
  platform::qt::QtEventPump events_;
  platform::qt::QtBusyPointer busy_;
  platform::qt::QtTimerService timers_;
  platform::qt::QtShellOpener shell_;
  std::unique_ptr<platform::qt::QtActivityList> activityList_;
};
