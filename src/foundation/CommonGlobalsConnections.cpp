#include "foundation/CommonGlobalsConnections.h"

#include <cstdint>
#include <exception>
#include <memory>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsSettings.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "platform/db/Connection.h"
#include "platform/ui/ConnectionProgress.h"
#include "platform/ui/EventPump.h"

namespace CommonGlobals {

namespace {

// Error 51 stands for a failure that carries no number of its own.
constexpr int kInternalError = 51;
constexpr const char* kInternalErrorText = "Internal error";

// Runs f; a failure becomes errText ("number - description") and a False result.
template <class F>
bool Guarded(std::string& errText, F&& f) {
  try {
    return f();
  } catch (const core::RuntimeError& e) {
    // The driver's or server's message, cut: it goes into log lines and message boxes.
    errText = std::to_string(e.Number()) + " - " + core::WindowText(e.Description());
  } catch (const std::exception& e) {
    errText = std::to_string(kInternalError) + " - " + core::WindowText(e.what());
  } catch (...) {
    errText = std::to_string(kInternalError) + " - " + kInternalErrorText;
  }
  return false;
}

void HideQuietly(platform::ui::ConnectionProgressWindow& window) noexcept {
  try {
    window.Hide();
  } catch (...) {
    // A splash that fails to hide changes nothing about the connection.
  }
}

bool ConnectWithStatusLines(platform::db::Connection& cnn, std::string& errText) {
  std::unique_ptr<platform::ui::ConnectionProgressWindow> window;
  bool shown = false;
  const bool ok = Guarded(errText, [&] {
    ShowStatus("Connecting to Vorn Krym server '" + cnn.Property("Data Source") + "' ...", 0);
    // The window is only a splash here: this routine opens the connection itself.
    if (platform::ui::ConnectionProgress* progress = Program().ui.connectionProgress) window = progress->CreateWindow();
    if (window) {
      window->ConnectOnActivate(false);
      window->Show(false, nullptr);
      shown = true;
    }
    // The open blocks the window thread: paint the line and the window first.
    if (platform::ui::EventPump* events = Program().ui.events) events->ProcessEvents();
    cnn.Open();
    return true;
  });
  if (shown) HideQuietly(*window);
  window.reset();
  ShowStatus(ok ? "Connection to Vorn Krym was established." : "Failed to Connect to Vorn Krym.", 0);
  return ok;
}

bool ConnectWithProgressForm(platform::db::Connection& cnn, std::string& errText, void* owner) {
  std::unique_ptr<platform::ui::ConnectionProgressWindow> window;
  if (platform::ui::ConnectionProgress* progress = Program().ui.connectionProgress) window = progress->CreateWindow();
  // Without a user interface that makes the window (tests, or before the main
  // window exists) the operator still sees the progress, as status lines.
  if (!window) return ConnectWithStatusLines(cnn, errText);
  window->ConnectionToOpen(&cnn);
  window->ConnectOnActivate(true);
  window->Show(true, owner);
  errText = window->ErrorText();
  return window->Connected();
}

}  // namespace

bool InitVornKrymConnectionManager(ConnectionManager& cm) {
  ProgramContext& ctx = Program();
  if (!ctx.config) core::Raise(91, "CommonGlobals.InitVornKrymConnectionManager");
  const QALConfiguration& cfg = *ctx.config;
  // Every conversion happens before anything is stored, so a bad key changes nothing.
  const std::int16_t dbType = IntegerSetting("VORNKRYM\\VORNKRYM_CONNECTION_DBTYPE");
  const std::string provider = cfg.item("VORNKRYM\\VORNKRYM_CONNECTION_PROVIDER");
  const std::string dataSource = cfg.item("VORNKRYM\\VORNKRYM_CONNECTION_DATASOURCE");
  const std::string customization = cfg.item("VORNKRYM\\VORNKRYM_CONNECTION_CUSTOMIZATIONS");
  const std::int32_t cnnTimeout = LongSetting("VORNKRYM\\VORNKRYM_CONNECTION_TIMEOUT");
  const std::int32_t cmdTimeout = LongSetting("VORNKRYM\\VORNKRYM_CONNECTION_COMMAND_TIMEOUT");
  const bool ok = cm.Init(dbType, provider, dataSource, customization, false, cnnTimeout, cmdTimeout);
  ctx.dbType = dbType;
  return ok;
}

bool ConnectVornKrym(platform::db::Connection& cnn, std::string& errText, bool withProgressForm, void* owner) {
  if (Program().isNTService) {
    // Nobody watches a service: no status line, no window.
    return Guarded(errText, [&] {
      cnn.Open();
      return true;
    });
  }
  if (withProgressForm) return Guarded(errText, [&] { return ConnectWithProgressForm(cnn, errText, owner); });
  return ConnectWithStatusLines(cnn, errText);
}

std::string GetAuditUserName() {
  const ProgramContext& ctx = Program();
  if (!ctx.writeAsUser.empty()) return ctx.writeAsUser;
  return "VIA_K" + ctx.app.ProductName;
}

std::string TargetDateLiteral(core::Date d) {
  switch (Program().dbType) {
    case 1:
      return "TO_DATE('" + core::Format(d, "dd-mmm-yyyy hh:mm:ss AMPM") + "','dd-Mon-yyyy HH:MI:SS AM')";
    case 2:
      return "'" + core::Format(d, "yyyy-mm-dd hh:mm:ss") + "'";
    default:
      return "";
  }
}

}  // namespace CommonGlobals
