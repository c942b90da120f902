#pragma once

// Operator dialogs that answer from a script, so that a test drives a whole interactive session
// without windows. Each answer left unset cancels its dialog; every call is counted, with what
// the dialog was given.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/session/SessionDialogs.h"
#include "core/Date.h"
#include "import/model/CommonVarGatherer.h"
#include "platform/db/Connection.h"

namespace sessiontest {

class ScriptedDialogs : public SessionDialogs {
 public:
  using Rows = std::vector<std::pair<std::string, std::int32_t>>;

  // The login answers with this user name; none cancels.
  std::optional<std::string> loginUser;
  // The picker answers with these rows; none cancels. nullSelection answers OK with no set.
  std::optional<Rows> pickRows;
  bool nullSelection = false;
  // Both date range dialogs answer with this range; none cancels.
  std::optional<std::pair<core::Date, core::Date>> range;

  int loginCalls = 0;
  bool loginConnectionOpen = false;
  int pickCalls = 0;
  std::vector<std::string> offered;  // "FACILITY~varid" of every row the picker was given
  int rangeCalls = 0;
  int utcCalls = 0;
  std::int32_t utcZoneId = 0;
  double utcCollectorOffset = 0;
  double utcInterfaceOffset = 0;

  LoginResult SuperUserLogin(platform::db::Connection& loginConnection) override {
    ++loginCalls;
    loginConnectionOpen = loginConnection.IsOpen();
    if (!loginUser) return {};
    return {false, *loginUser};
  }

  PickResult PickVariables(CommonVarGatherer& preloaded) override {
    ++pickCalls;
    preloaded.MoveFirst();
    while (!preloaded.EOF_Facility()) {
      while (!preloaded.EOF_Variable()) {
        offered.push_back(preloaded.Current_Facility() + "~" + std::to_string(preloaded.Current_Variable()));
        preloaded.MoveNext_Variable();
      }
      preloaded.MoveNext_Facility();
    }
    if (!pickRows) return {};
    PickResult result;
    result.cancelled = false;
    if (!nullSelection) result.selection = SelectedVariables(preloaded, *pickRows);
    return result;
  }

  DateRangeResult SelectDateRange() override {
    ++rangeCalls;
    return Answer();
  }

  DateRangeResult SelectDateRangeUTC(std::int32_t zoneId, double collectorOffset, double interfaceOffset) override {
    ++utcCalls;
    utcZoneId = zoneId;
    utcCollectorOffset = collectorOffset;
    utcInterfaceOffset = interfaceOffset;
    return Answer();
  }

 private:
  DateRangeResult Answer() const {
    if (!range) return {};
    return {false, range->first, range->second};
  }
};

}  // namespace sessiontest
