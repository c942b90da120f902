#pragma once

#include <QPointer>
#include <QWidget>

#include "app/session/SessionDialogs.h"

class IconBinding;

// The operator dialogs of an import session as windows: each call makes its dialog anew, shows
// it modal over the owner and hands back what the operator chose. A dialog closed through its
// window frame counts as cancelled. The icon binding is borrowed and must outlive this object;
// the owner is watched, not owned.
class QtSessionDialogs : public SessionDialogs {
 public:
  QtSessionDialogs(const IconBinding* icons, QWidget* owner) : icons_(icons), owner_(owner) {}

  LoginResult SuperUserLogin(platform::db::Connection& loginConnection) override;
  PickResult PickVariables(CommonVarGatherer& preloaded) override;
  DateRangeResult SelectDateRange() override;
  DateRangeResult SelectDateRangeUTC(std::int32_t collectorTimeZoneID, double collectorTimeZoneOffset,
                                     double interfaceTimezoneOffset) override;

 private:
  const IconBinding* icons_;
  QPointer<QWidget> owner_;
};
