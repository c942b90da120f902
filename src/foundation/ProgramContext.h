#pragma once

#include <cstdint>
#include <string>

#include "core/Clock.h"
#include "platform/os/AppIdentity.h"
#include "platform/ui/UiServices.h"

class QALConfiguration;
class QALLoggerTXT;
class QALmsgBoxHandler;
class IconManager;
class NetInfo;
class CommonAINFOnavigator;

namespace platform::db {
class Connection;
}

// The program-wide objects. Start-up creates them once and they live until the
// process ends; the context only points at them. Code reaches them through
// Program(); tests install a context of their own with ProgramScope.
struct ProgramContext {
  platform::os::AppIdentity app;

  QALConfiguration* config = nullptr;      // gConfig
  QALLoggerTXT* logger = nullptr;          // gLogger
  QALmsgBoxHandler* msgBox = nullptr;      // gMsgBox
  IconManager* icons = nullptr;            // gIconManager
  NetInfo* netInfo = nullptr;              // gNetInfo
  CommonAINFOnavigator* aInfo = nullptr;   // gAInfoNavigator

  bool isNTService = false;                // gIsNTService
  std::int16_t dbType = 0;                 // gDbType: 1 Oracle, 2 SQL Server, 0 not yet known
  std::string writeAsUser;                 // gWriteAsUser

  // gVornKrymCnn: the root-schema connection slot. Nothing opens it on its own; a caller that
  // wants the server's clock opens a connection, points this at it and syncs (TimeUtils).
  platform::db::Connection* vornKrymCnn = nullptr;
  std::int32_t serverOffsetSec = 0;        // gServerOffsetSec: server clock minus local clock

  const core::Clock* clock = &core::SystemClock::Instance();
  platform::ui::UiServices ui;
};

// The current program context. There is always one (an empty default before
// start-up has built the real one).
ProgramContext& Program();

// Installs a context for the lifetime of the scope and restores the previous one.
class ProgramScope {
 public:
  explicit ProgramScope(ProgramContext& ctx);
  ~ProgramScope();
  ProgramScope(const ProgramScope&) = delete;
  ProgramScope& operator=(const ProgramScope&) = delete;

 private:
  ProgramContext* previous_;
};
