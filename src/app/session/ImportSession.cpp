#include "app/session/ImportSession.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "app/session/SessionDialogs.h"
#include "core/Date.h"
#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "features/CommonAINFOnavigator.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ConnectionManager.h"
#include "foundation/HashTable.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "foundation/TimeUtils.h"
#include "import/engine/CommonImport.h"
#include "import/model/CommonLastRun.h"
#include "import/model/CommonVarGatherer.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/os/StopRequest.h"
#include "platform/ui/EventPump.h"
#include "platform/ui/MessagePresenter.h"

namespace CommonGlobals {

namespace {

constexpr const char* kInterfaceIdKey = "VORNKRYM\\G2_SERVER_INTERFACE_ID";
constexpr const char* kIndirectTypeKey = "VORNKRYM\\G2_INDIRECT_TYPE";
constexpr const char* kPasswordProtectKey = "OPTIONS\\PASSWORD_PROTECT_INTERACTIVE_IMPORT";
constexpr const char* kDefaultLastRunKey = "OPTIONS\\AUTOMATED_IMPORT\\DEFAULT_LAST_RUN";
constexpr const char* kHideUiKey = "OPTIONS\\NOIU\\ASKFORDATES\\HIDE_UI";
constexpr const char* kFixStartKey = "OPTIONS\\NOIU\\ASKFORDATES\\FIX_STARTDATE";
constexpr const char* kFixEndKey = "OPTIONS\\NOIU\\ASKFORDATES\\FIX_ENDDATE";

constexpr std::int32_t kExclamation = 48;
constexpr const char* kLineBreak = "\n";
constexpr const char* kVersionHelpTopic = "12230";
constexpr const char* kDateRangeFormat = "mm/dd/yyyy HH:nn:ss";

constexpr const char* kCancelled = "Import cancelled by user.";
constexpr const char* kImportFailed = "Import terminated with error(s).";
constexpr const char* kNothingToImport = "Nothing to import into at this time.";
constexpr const char* kUnableToImport = "Unable to import at this time";

void Status(const std::string& text, std::int16_t level = 0) { ShowStatus(text, level); }
// A run's closing line or failure: also on the journal while the log cannot take it.
void Alert(const std::string& text) { CommonGlobals::ShowAlert(text); }

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* log = Program().logger) log->WriteLog(text, level);
}

void Box(const std::string& prompt, std::int32_t buttons = kExclamation,
         std::optional<std::string> title = std::nullopt, std::optional<std::string> helpFile = std::nullopt,
         std::optional<std::string> context = std::nullopt) {
  if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(prompt, buttons, title, helpFile, context);
}

std::string Setting(const char* key) {
  const QALConfiguration* config = Program().config;
  return config ? config->item(key) : std::string();
}

std::string ErrorText(const core::RuntimeError& e) { return std::to_string(e.Number()) + ": " + e.Description(); }

// Runs one entry point: a run-time error that escapes a step (a stored date or switch that is
// not what its key holds) ends the session with a status line instead of leaving the window
// thread through the event loop.
// onError runs after the line.
template <class F>
bool Guarded(const char* routine, F&& body, const std::function<void()>& onError = nullptr) {
  try {
    return body();
  } catch (const core::RuntimeError& e) {
    Alert(std::string("Error in ") + routine + ": " + ErrorText(e));
  } catch (const std::exception& e) {
    Alert(std::string("Error in ") + routine + ": " + e.what());
  }
  if (onError) onError();
  return false;
}

// A scheduled import that cannot start says why in one line and ends like a failed import, so
// that whoever watches the service's log for the outcome line sees one. Interactive sessions
// have shown their box.
void CannotStart(const std::string& why) {
  if (!Program().isNTService) return;
  Alert("The scheduled import cannot start: " + why + ".");
  Alert(kImportFailed);
}

// The installed dialogs, or null with the log line that says why the session goes on as if
// the operator had cancelled.
SessionDialogs* DialogsFor(const char* dialog) {
  SessionDialogs* dialogs = SessionDialogs::Installed();
  if (!dialogs) Log(std::string("No ") + dialog + " dialog is available: treated as cancelled.", 0);
  return dialogs;
}

// Fills a connection manager from the configuration and opens the root schema on root, with
// the boxes of both failures. A connection setting that is not a number cannot fill the
// manager: the same box, with the reason in the log.
// why, when given, receives the reason of a failure.
bool OpenRootSchema(platform::db::Connection& root, std::string* why = nullptr) {
  ConnectionManager cm;
  bool ready = false;
  try {
    ready = InitVornKrymConnectionManager(cm);
  } catch (const core::RuntimeError& e) {
    Log("The Krym connection settings are not usable: " + ErrorText(e), 0);
  }
  if (!ready) {
    Box("Unable to init Vorn Krym Connection Manager");
    if (why) *why = "the Vorn Krym connection settings cannot be used";
    return false;
  }
  cm.ConfigCnn4QALROOT(root);
  std::string errText;
  if (!ConnectVornKrym(root, errText, false)) {
    Box(std::string("Error :") + kLineBreak + errText, kExclamation, "Failed to connect to Vorn Krym");
    if (why) *why = "the Vorn Krym root database cannot be opened (" + errText + ")";
    return false;
  }
  return true;
}

// The configured collector id as a whole number; none when the stored text is not one.
std::optional<std::int32_t> ConfiguredCollectorId(const std::string& text) {
  try {
    return core::Value(text).ToLong();
  } catch (const core::RuntimeError&) {
    return std::nullopt;
  }
}

void StoreRange(CommonVarGatherer& gatherer, core::Date start, core::Date end) {
  if (const std::shared_ptr<CommonLastRun> lastRun = gatherer.LastRunSettings()) {
    lastRun->DefaultStart(start);
    lastRun->DefaultEnd(end);
  }
}

void ShowSelectedRange(core::Date start, core::Date end) {
  Status("Date Range selected : from " + core::Format(start, kDateRangeFormat) + " to " +
         core::Format(end, kDateRangeFormat));
}

core::Date SettingAsDate(const char* key) { return DateSetting(key); }

// Takes the outcome of a date range dialog: the range stored and shown, or false after the
// cancellation line.
bool AskDateRange(const SessionDialogs::DateRangeResult& range, CommonVarGatherer& gatherer) {
  if (range.cancelled) {
    Status(kCancelled);
    return false;
  }
  StoreRange(gatherer, range.start, range.end);
  ShowSelectedRange(range.start, range.end);
  return true;
}

}  // namespace

std::string RunningInterfaceVersion() {
  const platform::os::AppIdentity& app = Program().app;
  return std::to_string(app.Major) + "." + std::to_string(app.Minor) + "." + std::to_string(app.Revision);
}

std::unique_ptr<CommonVarGatherer> PrepareImportSession() {
  ProgramContext& ctx = Program();
  if (ctx.logger) ctx.logger->LSM_Run();

  platform::db::Connection root;
  std::string why;
  if (!OpenRootSchema(root, &why)) {
    CannotStart(why);
    return nullptr;
  }

  if (!ctx.isNTService) {
    if (Setting(kPasswordProtectKey) == "YES") {
      Status("Waiting for user to provide Vorn Krym Super User credentials ...");
      SessionDialogs::LoginResult login;
      if (SessionDialogs* dialogs = DialogsFor("super-user login")) login = dialogs->SuperUserLogin(root);
      if (login.cancelled) {
        Status(kCancelled);
        return nullptr;
      }
      Status("Vorn Krym user '" + core::OutsideText(core::UCase(login.username)) + "' credentials were provided.");
    }
    ValidateInterfaceVersion();
  }

  auto gatherer = std::make_unique<CommonVarGatherer>();
  const std::string configuredId = Setting(kInterfaceIdKey);
  const std::optional<std::int32_t> collectorId = ConfiguredCollectorId(configuredId);
  if (!collectorId || !gatherer->ReadAboutCollector(*collectorId, root)) {
    if (gatherer->CollectorID() != 0) {
      const std::string msg = "Cannot import without valid collector information.";
      Status(msg);
      Box(msg);
    } else {
      const std::string msg = "Collector (id=" + core::OutsideText(configuredId) +
                              ") does not exist or has been deleted. Use 'Configuration \\ Collector Configuration' "
                              "to select a collector.";
      Status(msg);
      Status(kUnableToImport);
      Box(msg);
    }
    CannotStart("the collector (id=" + configuredId + ") cannot be read from Vorn Krym");
    return nullptr;
  }

  if (!gatherer->CollectorEnabled()) {
    const std::string msg = "Collector '" + core::OutsideText(gatherer->CollectorName()) +
                            "' was marked as DISABLED by Vorn Krym user '" +
                            core::OutsideText(gatherer->CollectorChangedAuditUSer()) + "' on '" +
                            gatherer->CollectorChangedTimeStamp().GeneralText() + "'";
    Status(msg);
    Status(kUnableToImport);
    Box(msg);
    CannotStart("the collector is disabled");
    return nullptr;
  }

  Status("Scanning all facilities for variables that are linked to Collector '" +
         core::OutsideText(gatherer->CollectorName()) + "' ...");
  if (!gatherer->ReadVornKrym(*collectorId, root)) {
    Box("Failed to read Vorn Krym for list of variables to import into.");
    CannotStart("the variables to import into cannot be read from Vorn Krym");
    return nullptr;
  }
  // The import holds the last id for these; the line says why the id does not move, and why the
  // facility could not be read.
  for (const std::string& facility : gatherer->UngatheredFacilities()) {
    const std::shared_ptr<HashTable> names = gatherer->FacilityNames();
    const std::string reason = gatherer->UngatheredReason(facility);
    Status("Facility '" + core::OutsideText(names ? names->item(facility).Text() : std::string()) + "' (" +
           core::OutsideText(facility) +
           ") could not be read for its variables: none of its answers are imported, and the last imported id is "
           "held until it can be read." +
           (reason.empty() ? std::string() : " Reason: " + core::OutsideText(reason)));
  }
  const std::shared_ptr<CommonLastRun> lastRun = gatherer->LastRunSettings();
  if (!lastRun || !lastRun->ReadVornKrym(gatherer->CollectorID(), root))
    Status("WARNING : Unable to read Last Run Settings from Vorn Krym");
  root.Close();

  Status("Found " + std::to_string(gatherer->TotalVariable()) + " variable(s) in " +
         std::to_string(gatherer->TotalFacility()) + " facility(s) that are linked to Collector '" +
         core::OutsideText(gatherer->CollectorName()) + "'");

  std::string facilityList;
  gatherer->MoveFirst();
  while (!gatherer->EOF_Facility()) {
    const std::string facility = gatherer->Current_Facility();
    facilityList += (facilityList.empty() ? "" : "~") + facility;
    while (!gatherer->EOF_Variable()) {
      Status("Found Variable Detail : " + facility + "~" + std::to_string(gatherer->Current_Variable()), 1);
      gatherer->MoveNext_Variable();
    }
    gatherer->MoveNext_Facility();
  }

  bool lockDatesRead = false;
  try {
    lockDatesRead = lastRun && lastRun->ReadVornKrymFacilLockDates(facilityList);
  } catch (const core::RuntimeError& e) {
    Log("Reading the lock dates failed: " + ErrorText(e), 0);
  }
  if (!lockDatesRead) {
    Box("Failed to read Lock Dates for Vorn Krym facilites.");
  } else if (platform::ui::EventPump* events = ctx.ui.events) {
    events->ProcessEvents();
  }
  return gatherer;
}

bool ImportAllVariables(bool testMode) {
  bool ran = false;  // the import ran and gave its outcome line
  return Guarded(
      "ImportAllVariables",
      [&] {
        const std::unique_ptr<CommonVarGatherer> gatherer = PrepareImportSession();
        if (!gatherer) return false;
        if (gatherer->TotalVariable() < 1) {
          Alert(kNothingToImport);
          return false;
        }
        if (!SelectImportDateRange(*gatherer)) return false;
        ran = true;
        return RunImport(*gatherer, testMode);
      },
      [&] {
        if (!ran && Program().isNTService) Alert(kImportFailed);
      });
}

bool ImportSelectedVariables(bool testMode) {
  if (Program().isNTService) {
    Status("Operation is not supported in NTSERVICE mode.");
    return false;
  }
  return Guarded("ImportSelectedVariables", [&] {
    const std::unique_ptr<CommonVarGatherer> gatherer = PrepareImportSession();
    if (!gatherer) return false;
    if (gatherer->TotalVariable() < 1) {
      Status(kNothingToImport);
      return false;
    }

    SessionDialogs::PickResult pick;
    if (SessionDialogs* dialogs = DialogsFor("variable picker")) pick = dialogs->PickVariables(*gatherer);
    if (pick.cancelled) {
      Status(kCancelled);
      return false;
    }
    CommonVarGatherer* selection = pick.selection.get();
    if (!selection) {
      Status("Nothing returned. Unable to import.");
      return false;
    }
    if (selection->TotalVariable() < 1) {
      Status(kNothingToImport);
      return false;
    }

    Status("User selected " + std::to_string(selection->TotalVariable()) + " variable(s) in " +
           std::to_string(selection->TotalFacility()) + " facility(s) that are linked to Collector " +
           Setting(kInterfaceIdKey));
    selection->MoveFirst();
    while (!selection->EOF_Facility()) {
      const std::string facility = selection->Current_Facility();
      while (!selection->EOF_Variable()) {
        Status("User Selected Variable Detail : " + facility + "~" + std::to_string(selection->Current_Variable()), 1);
        selection->MoveNext_Variable();
      }
      selection->MoveNext_Facility();
    }

    if (!SelectImportDateRange(*selection)) return false;
    return RunImport(*selection, testMode);
  });
}

bool SelectImportDateRange(CommonVarGatherer& gatherer) {
  if (core::Value(Setting(kIndirectTypeKey)).ToBool()) return SelectImportDateRangeUTC(gatherer);

  if (Program().isNTService) {
    StoreRange(gatherer, SettingAsDate(kDefaultLastRunKey), Program().clock->Now());
    return true;
  }
  if (Setting(kHideUiKey) != "TRUE") {
    Status("Waiting for user to select import date range ...");
    SessionDialogs::DateRangeResult range;
    if (SessionDialogs* dialogs = DialogsFor("date range")) range = dialogs->SelectDateRange();
    return AskDateRange(range, gatherer);
  }
  StoreRange(gatherer, SettingAsDate(kFixStartKey), SettingAsDate(kFixEndKey));
  return true;
}

bool SelectImportDateRangeUTC(CommonVarGatherer& gatherer) {
  if (Program().isNTService) {
    const core::Date start = core::DateAdd("n", -gatherer.CollectorTimeZoneOffset(), SettingAsDate(kDefaultLastRunKey));
    // The whole hour as the text form gives it, so that a time a hair before the hour that
    // the text rounds up lands on the hour it shows.
    const core::Date hour = core::Value(core::Format(TimeUtils::GetServerNow(), "yyyy/mm/dd hh:00:00")).ToDate();
    const core::Date end = core::DateAdd("n", -gatherer.InterfaceTimezoneOffset(), hour);
    Log("NT Service UTC Dates from: " + start.GeneralText() + " to " + end.GeneralText(), 5);
    StoreRange(gatherer, start, end);
    return true;
  }
  if (Setting(kHideUiKey) != "TRUE") {
    Status("Waiting for user to select import date range ...");
    SessionDialogs::DateRangeResult range;
    if (SessionDialogs* dialogs = DialogsFor("date range"))
      range = dialogs->SelectDateRangeUTC(gatherer.CollectorTimeZoneID(), gatherer.CollectorTimeZoneOffset(),
                                          gatherer.InterfaceTimezoneOffset());
    return AskDateRange(range, gatherer);
  }
  StoreRange(gatherer, SettingAsDate(kFixStartKey), SettingAsDate(kFixEndKey));
  return true;
}

bool RunImport(CommonVarGatherer& gatherer, bool testMode) {
  // A program that is ending starts no import (a dialog of the session may have been open).
  if (platform::os::StopRequested()) return false;
  Status("Import started.");
  if (CommonAINFOnavigator* map = Program().aInfo) map->LoadMap();
  bool ok = false;
  try {
    CommonImport engine;
    // The service's test runs follow the Automated Import's Test mode, under which Krym is never
    // modified: unlike the Test menu's runs they write no note either.
    engine.WriteNotes(!(testMode && Program().isNTService));
    // Successful only when nothing in the run failed, was rejected or was held.
    ok = engine.StartImport(gatherer, testMode) && !engine.RunFailed();
  } catch (const core::RuntimeError& e) {
    // The engine reports its own errors; one that still escapes must not hide the outcome line.
    Log("The import engine stopped: " + ErrorText(e), 0);
  } catch (const std::exception& e) {
    Log(std::string("The import engine stopped: ") + e.what(), 0);
  }
  Alert(ok ? "Import was successful." : kImportFailed);
  return ok;
}

void ValidateInterfaceVersion() {
  try {
    platform::db::Connection root;
    if (!OpenRootSchema(root)) return;
    // The stored text goes into the statement only as the whole number it reads as, so no
    // text of the configuration file can change the statement.
    const std::int32_t id = LongSetting(kInterfaceIdKey);
    if (id != 0) {
      platform::db::Recordset rs;
      rs.Open("select lu_version from g2_server where interface_id=" + std::to_string(id), root);
      if (!rs.Eof()) CheckInterfaceVersion(rs.Fields("lu_version").Value().Text());
      rs.Close();
    }
    root.Close();
  } catch (const core::RuntimeError& e) {
    // The check never stops a session; its own failure is only worth a trace.
    Log("ValidateInterfaceVersion: " + ErrorText(e), 9);
  } catch (const std::exception& e) {
    Log(std::string("ValidateInterfaceVersion: ") + e.what(), 9);
  }
}

void CheckInterfaceVersion(const std::string& luVersion) {
  const std::string running = RunningInterfaceVersion();
  if (luVersion.empty() || luVersion == running) return;
  const std::string msg = "The collector that you selected links to a different version (" + luVersion +
                          ")  of the interface than the inteface that is current running (" + running + ")";
  Status("Warning : " + msg);
  Box(std::string("Warning :") + kLineBreak + msg + kLineBreak +
          "You need to update your g2_server_lu file or link the collector to the correct version in Vorn Krym "
          "client.",
      kExclamation + platform::ui::MessagePresenter::kHelpButton, "Version Validation Failed", Program().app.HelpFile,
      kVersionHelpTopic);
}

}  // namespace CommonGlobals
