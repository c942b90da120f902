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

bool QALntSvcCM::vbPauseService(const std::string& Computer, const std::string& Service, std::string* reason) {
  std::string error;
  const bool accepted = manager_->Pause(Computer, Service, error);
  return Answer("pause", Service, accepted, error, reason);
}

bool QALntSvcCM::vbContinueService(const std::string& Computer, const std::string& Service, std::string* reason) {
  std::string error;
  const bool accepted = manager_->Continue(Computer, Service, error);
  return Answer("continue", Service, accepted, error, reason);
}

bool QALntSvcCM::vbStartService(const std::string& Computer, const std::string& Service, std::string* reason) {
  std::string error;
  const bool accepted = manager_->Start(Computer, Service, error);
  return Answer("start", Service, accepted, error, reason);
}

bool QALntSvcCM::vbStopService(const std::string& Computer, const std::string& Service, std::string* reason) {
  std::string error;
  const bool accepted = manager_->Stop(Computer, Service, error);
  return Answer("stop", Service, accepted, error, reason);
}

bool QALntSvcCM::Answer(const std::string& what, const std::string& Service, bool accepted, const std::string& error,
                        std::string* reason) {
  const std::string why = accepted ? std::string() : "Unable to " + what + " service '" + Service + "': " + error;
  if (reason) *reason = why;
  if (!accepted) {
    if (QALLoggerTXT* log = Program().logger) log->WriteLog(why, 0);
  }
  return accepted;
}
