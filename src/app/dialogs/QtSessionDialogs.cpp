#include "app/dialogs/QtSessionDialogs.h"

#include <QLineEdit>

#include "app/dialogs/CommonPickVariable.h"
#include "app/dialogs/CommonUIDatePicker.h"
#include "app/dialogs/CommonUIDatePickerUTC.h"
#include "app/dialogs/CommonUISuperUserLogin.h"

SessionDialogs::LoginResult QtSessionDialogs::SuperUserLogin(platform::db::Connection& loginConnection) {
  CommonUISuperUserLogin dialog(icons_, owner_.data());
  dialog.LoginConnection(&loginConnection);
  dialog.exec();
  return {dialog.Cancelled(), dialog.username()->text().toStdString()};
}

SessionDialogs::PickResult QtSessionDialogs::PickVariables(CommonVarGatherer& preloaded) {
  CommonPickVariable dialog(icons_, owner_.data());
  dialog.PreLoadVariables(preloaded);
  dialog.exec();
  PickResult result;
  result.cancelled = dialog.Cancelled();
  if (!result.cancelled) result.selection = dialog.ResultVarGatherer();
  return result;
}

SessionDialogs::DateRangeResult QtSessionDialogs::SelectDateRange() {
  CommonUIDatePicker dialog(icons_, owner_.data());
  dialog.exec();
  return {dialog.Cancelled(), dialog.dtStartValue(), dialog.dtEndValue()};
}

SessionDialogs::DateRangeResult QtSessionDialogs::SelectDateRangeUTC(std::int32_t collectorTimeZoneID,
                                                                     double collectorTimeZoneOffset,
                                                                     double interfaceTimezoneOffset) {
  CommonUIDatePickerUTC dialog(icons_, owner_.data());
  dialog.Init(collectorTimeZoneID, collectorTimeZoneOffset, interfaceTimezoneOffset);
  dialog.exec();
  return {dialog.Cancelled(), dialog.SelectedStartUTC(), dialog.SelectedEndUTC()};
}
