#include "foundation/QALntSvcCM.h"

#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/service/SystemdServiceManager.h"

using platform::service::StatusResult;

QALntSvcCM::QALntSvcCM(std::shared_ptr<platform::service::ServiceManager> manager)
    : manager_(manager ? std::move(manager) : std::make_shared<platform::service::SystemdServiceManager>()) {}

std::string QALntSvcCM::StateWord(int state) {
  switch (state) {
    case 1:
      return "Stopped";
    case 2:
      return "Start Pending";
    case 3:
      return "Stop Pending";
    case 4:
      return "Running";
    case 5:
      return "Continue Pending";
    case 6:
      return "Pause Pending";
    case 7:
      return "Paused";
    default:
      return "";
  }
}

std::string QALntSvcCM::ServiceStatus(const std::string& Computer, const std::string& Service) {
  const platform::service::ServiceStatus status = manager_->QueryStatus(Computer, Service);
  // The watcher asks every second or so: the reason of a failure is a trace, not an error line.
  if (status.result != StatusResult::Ok) {
    if (QALLoggerTXT* log = Program().logger) log->WriteLog("Status of service '" + Service + "': " + status.error, 3);
  }
  switch (status.result) {
    case StatusResult::NoManager:
      return "ERROR: Unable to connect to service manager!";
    case StatusResult::NoService:
      return "ERROR: Service not found!";
    case StatusResult::NoStatus:
      return "ERROR: Unable to get status!";
    case StatusResult::Ok:
      break;
  }
  return StateWord(static_cast<int>(status.state));
}

void QALntSvcCM::vbPauseService(const std::string& Computer, const std::string& Service) {
  std::string error;
  const bool accepted = manager_->Pause(Computer, Service, error);
  LogRefusal("pause", Service, accepted, error);
}

void QALntSvcCM::vbContinueService(const std::string& Computer, const std::string& Service) {
  std::string error;
  const bool accepted = manager_->Continue(Computer, Service, error);
  LogRefusal("continue", Service, accepted, error);
}

void QALntSvcCM::vbStartService(const std::string& Computer, const std::string& Service) {
  std::string error;
  const bool accepted = manager_->Start(Computer, Service, error);
  LogRefusal("start", Service, accepted, error);
}

void QALntSvcCM::vbStopService(const std::string& Computer, const std::string& Service) {
  std::string error;
  const bool accepted = manager_->Stop(Computer, Service, error);
  LogRefusal("stop", Service, accepted, error);
}

void QALntSvcCM::LogRefusal(const std::string& what, const std::string& Service, bool accepted,
                            const std::string& error) {
  if (accepted) return;
  if (QALLoggerTXT* log = Program().logger)
    log->WriteLog("Unable to " + what + " service '" + Service + "': " + error, 0);
}
