#include "app/startup/ProgramEntryPoint.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>

#include "app/mainwindow/CommonUI.h"
#include "app/widgets/IconBinding.h"
#include "app/dialogs/InteractiveDialogs.h"
#include "app/service/CommonNTSERVICE.h"
#include "app/startup/ConfigurationStart.h"
#include "app/startup/ProgramObjects.h"
#include "app/startup/QtUiServices.h"
#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "features/CommonAINFOnavigator.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ExclusiveSemaphore.h"
#include "foundation/IconManager.h"
#include "foundation/NetInfo.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/CommonTypeGlobals.h"
#include "import/DefaultKeyTree.h"
#include "import/source/CustomConfiguration.h"
#include "platform/qt/QtIconImages.h"

ProgramObjects::ProgramObjects() = default;
ProgramObjects::~ProgramObjects() = default;

namespace ProgramEntryPoint {

namespace {

std::string Bool(bool b) { return b ? "True" : "False"; }

// Two service instances in one folder would import the same answers side by side and share the
// last-id file, so a service-mode start first takes the folder's lock (the lock file lies in
// the folder itself, which the service may always write, so an instance started by hand meets
// the one the service manager started). A refused start writes its one line to standard error
// and touches nothing in the folder: no log file, and the handle file still names the running
// instance's log. A folder where the lock file cannot be made (read-only, not the service's to
// write) is locked as a folder, which refuses a second instance just the same; the log says why.
// A lock that cannot be made at all does not stop the service; the log says why.
bool HoldServiceLock(ProgramObjects& o) {
  const ProgramContext& ctx = o.context;
  o.serviceLock = std::make_unique<ExclusiveSemaphore>(ctx.app.EXEName + "_ntservice", ctx.app.Path,
                                                       ExclusiveSemaphore::Anchor::Folder);
  try {
    if (o.serviceLock->GetExclusiveLock()) {
      if (!o.serviceLock->FileProblem().empty())
        o.logger->WriteAlert("The service instance lock holds on the folder " + ctx.app.Path + " alone: " +
                             o.serviceLock->FileProblem() + ".");
      return true;
    }
  } catch (const core::RuntimeError& e) {
    o.serviceLock.reset();  // no lock: this start was not refused
    o.logger->WriteLog(
        "Unable to make sure that no other service instance runs in " + ctx.app.Path + ": " + e.Description(), 0);
    return true;
  }
  // The service manager retries a refused start every few seconds: a log file for each would
  // fill the folder. The one line goes to standard error, which the journal keeps.
  const std::string line =
      "Service not started: another " + ctx.app.Title + " service instance is already running in " + ctx.app.Path + ".";
  std::fprintf(stderr, "%s: %s\n", ctx.app.EXEName.c_str(), core::SafeLine(line).c_str());
  return false;
}

}  // namespace

bool RefusedAsSecondService(const ProgramObjects& objects) {
  return objects.serviceLock && !objects.serviceLock->IsHolder();
}

bool IsServiceCommandLine(const std::string& commandLine) { return core::UCase(commandLine) == "NTSERVICE"; }

bool Main(ProgramObjects& o, const std::string& commandLine) {
  ProgramContext& ctx = o.context;
  auto& app = ctx.app;
  if (app.Path.empty()) app.Path = platform::os::AppIdentity::ExecutableFolder();
  app.Comments = "Vorn Krym Direct Server-Side Interface to FlexSystems DeraRED";

  // 1. The program-wide objects, in their fixed order.
  o.iconManager = std::make_unique<IconManager>();
  o.iconImages = std::make_unique<platform::qt::QtIconImages>();
  o.icons = std::make_unique<IconBinding>(*o.iconManager, *o.iconImages);
  o.netInfo = std::make_unique<NetInfo>();
  o.logger = std::make_unique<QALLoggerTXT>(app.Path, app.EXEName, *ctx.clock);
  o.msgBox = std::make_unique<QALmsgBoxHandler>();
  o.config = std::make_unique<QALConfiguration>();
  ctx.icons = o.iconManager.get();
  ctx.netInfo = o.netInfo.get();
  ctx.logger = o.logger.get();
  ctx.msgBox = o.msgBox.get();
  ctx.config = o.config.get();
  if (!o.ui) o.ui = std::make_unique<QtUiServices>();
  ctx.ui = o.ui->Services();

  // 2. The run mode.
  ctx.isNTService = IsServiceCommandLine(commandLine);

  // 3. The log; its file opens with the first line.
  QALLoggerTXT& log = *o.logger;
  log.LogPath(app.Path + "/log");
  log.Enabled(true);
  log.BufferLength(1);
  log.Postfix(ctx.isNTService ? "_ntservice" : "_interactive");
  log.LogHandleAssertion(ctx.isNTService);
  if (ctx.isNTService && !HoldServiceLock(o)) return false;

  // 4. Host facts, 5. the banner.
  o.netInfo->GetNetInfo();
  const std::string version =
      std::to_string(app.Major) + "." + std::to_string(app.Minor) + "." + std::to_string(app.Revision);
  log.WriteLog(app.Comments, 0);
  log.WriteLog(app.Title + " version " + version + " (Build " + app.FileDescription + ")", 0);
  log.WriteLog("Build Numbers : " + app.FileDescription + " (Application)  " + "7" + " (Type) " + "149" + " (Platform)",
               0);
  log.WriteLog("ID: " + app.ProductName, 0);
  log.WriteLog("Running on " + o.netInfo->AllTextDump(), 0);

  // 6. Message boxes: silent in service mode.
  o.msgBox->LogHandler(o.logger.get());
  o.msgBox->SilentOperation(ctx.isNTService);
  o.msgBox->Presenter(ctx.ui.messages);

  // 7.-10. The configuration store and every key it may hold.
  QALConfiguration& config = *o.config;
  config.LogHandler(o.logger.get());
  config.path(app.Path + "/" + app.EXEName + ".xml");
  DefaultKeyTree::DefineStartupKeys(config, app.Title, ctx.clock->Now());
  o.aInfoNavigator = std::make_unique<CommonAINFOnavigator>();
  ctx.aInfo = o.aInfoNavigator.get();
  CommonTypeGlobals::DefineTypeDefaults(config);
  CustomConfiguration::DefineSourceDefaults(config);

  // 11. The file, after what an interrupted save left beside it; without the file
  // the program cannot run.
  ConfigurationStart::RemoveSaveLeftovers(app.Path, app.EXEName, log);
  if (!ConfigurationStart::Read(config, *o.msgBox, app.Title)) return false;

  // 12. Verbosity and 13. retention, clamped and written back.
  ConfigurationStart::ApplyLogSettings(log);

  // 14. Encryption of the data part on the next save.
  config.EncryptData(core::UCase(config.item("OPTIONS\\ENCRYPT_PROTECT_CONFIG")) == "YES");

  // 15. Process facts, 16. the help folder, 17. the settings.
  log.WriteLog("PATH=" + app.Path, 2);
  log.WriteLog("EXENAME=" + app.EXEName, 2);
  log.WriteLog("COMMAND=" + commandLine, 2);
  log.WriteLog("THREAD_ID=" + std::to_string(static_cast<long>(syscall(SYS_gettid))), 2);
  log.WriteLog("TASK_VISIBLE=" + Bool(true), 2);
  log.WriteLog("TASK_UNATTENTED_APP=" + Bool(ctx.isNTService), 2);
  log.WriteLog("HINSTANCE=" + std::to_string(static_cast<long>(getpid())), 2);
  CommonGlobals::SetHelpFilePath();
  log.WriteLog("HELPFILE=" + app.HelpFile, 2);
  config.dumpConfiguration();
  return true;
}

void StartInteractiveMode(ProgramObjects& o) {
  const auto& app = o.context.app;
  o.mainWindow = std::make_unique<CommonUI>(o);
  // The operator's dialogs: super-user login, variable picker, date ranges, the
  // connection progress window and the configuration password.
  InstallInteractiveDialogs(o);
  o.mainWindow->setWindowTitle(QString::fromStdString("K" + app.ProductName + " " + app.Comments + " v" +
                                                      std::to_string(app.Major) + "." + std::to_string(app.Minor) +
                                                      "." + std::to_string(app.Revision) + " - Interactive Mode"));
  o.mainWindow->show();
}

void StartNTServiceMode(ProgramObjects& o) {
  o.schedulerForm = std::make_unique<CommonNTSERVICE>();
  o.schedulerForm->setWindowTitle(QString::fromStdString(o.context.app.ProductName));
  o.schedulerForm->show();
  o.schedulerForm->RunNTService();
}

}  // namespace ProgramEntryPoint
