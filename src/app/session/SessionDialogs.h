#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Date.h"
#include "import/model/CommonVarGatherer.h"

namespace platform::db {
class Connection;
}

// The operator dialogs that an interactive import session asks: the Krym super-user login, the
// variable picker and the two date range dialogs. The session reaches them through this
// interface so that it runs the same with windows or with a scripted stand-in.
//
// Each method shows its dialog modal, made anew for that use, and returns once the dialog is
// hidden. cancelled is true after Cancel, and also when the operator closes the dialog through
// its window frame: a frame close must never count as OK (it would, for one, let an import get
// past a required super-user login). The results are meaningful only when cancelled is false.
//
// The program installs the dialogs once (Install); tests install theirs for a scope. With none
// installed, a session that needs a dialog logs that none is available and goes on as if the
// operator had cancelled it. The installed object is borrowed: it must outlive its installation.
class SessionDialogs {
 public:
  struct LoginResult {
    bool cancelled = true;
    std::string username;  // the text of the user name box as typed
  };
  struct PickResult {
    bool cancelled = true;
    // The picked variables as a new set sharing the preloaded set's facility names and last-run
    // settings and carrying a copy of its collector record (SelectedVariables); null when the
    // selection could not be built. An empty selection is an empty set, not null.
    std::unique_ptr<CommonVarGatherer> selection;
  };
  struct DateRangeResult {
    bool cancelled = true;
    core::Date start;
    core::Date end;
  };

  virtual ~SessionDialogs() = default;

  // Asks for the name and password of a Krym user of type "Super", checked on loginConnection
  // (an open root-schema connection, the caller's). The dialog itself refuses wrong credentials
  // and stays open; it returns only with a valid login or cancelled.
  virtual LoginResult SuperUserLogin(platform::db::Connection& loginConnection) = 0;

  // Lists the variables of preloaded (the session's set, walked from its first facility) and
  // returns the rows the operator picked.
  virtual PickResult PickVariables(CommonVarGatherer& preloaded) = 0;

  // The local date range dialog: start and end in local time.
  virtual DateRangeResult SelectDateRange() = 0;

  // The date range dialog of a collector with indirect time handling: the range shown in a zone
  // the operator chooses and returned in UTC. The offsets are minutes east of UTC.
  virtual DateRangeResult SelectDateRangeUTC(std::int32_t collectorTimeZoneID, double collectorTimeZoneOffset,
                                             double interfaceTimezoneOffset) = 0;

  // The picker's result for the given rows (facility id, variable id), in row order: a new set
  // built with ADHOCAddVariable that shares the facility names and last-run settings of
  // preloaded and copies its collector record. Null when it cannot be built.
  static std::unique_ptr<CommonVarGatherer> SelectedVariables(
      const CommonVarGatherer& preloaded, const std::vector<std::pair<std::string, std::int32_t>>& rows);

  // The dialogs sessions use; null when none are installed.
  static SessionDialogs* Installed();
  static void Install(SessionDialogs* dialogs);

  // Installs dialogs for the lifetime of the scope and restores the ones before.
  class Scope {
   public:
    explicit Scope(SessionDialogs& dialogs);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    SessionDialogs* previous_;
  };
};
