#include "app/startup/QtUiServices.h"

QtUiServices::QtUiServices() = default;

platform::ui::UiServices QtUiServices::Services() const {
  platform::ui::UiServices s;
  // The services are stateless towards their callers; the context only needs
  // non-const pointers because the interfaces are not const.
  auto* self = const_cast<QtUiServices*>(this);
  s.messages = &self->messages_;
  s.events = &self->events_;
  s.busy = &self->busy_;
  s.timers = &self->timers_;
  s.shell = &self->shell_;
  s.activityList = activityList_.get();
  return s;
}

void QtUiServices::AttachActivityList(QListWidget* list) {
  activityList_ = std::make_unique<platform::qt::QtActivityList>(list);
}
