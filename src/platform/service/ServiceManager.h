#pragma once

#include <string>

namespace platform::service {

// The states a service passes through, numbered as the program's status words count them.
enum class ServiceState : int {
  Unknown = 0,
  Stopped = 1,
  StartPending = 2,
  StopPending = 3,
  Running = 4,
  ContinuePending = 5,
  PausePending = 6,
  Paused = 7,
};

// How far a status query got: the manager, the service, its status.
enum class StatusResult { Ok, NoManager, NoService, NoStatus };

struct ServiceStatus {
  StatusResult result = StatusResult::NoManager;
  ServiceState state = ServiceState::Unknown;  // meaningful when result is Ok
  std::string error;                           // why, when result is not Ok
};

// The service manager of a machine: the state of one service, and requests to change it. Every
// call reaches the manager afresh and keeps nothing open once it returns. A request returns as
// soon as the manager has accepted it; the service then passes through the pending states.
// computer "" means this machine.
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;

  virtual ServiceStatus QueryStatus(const std::string& computer, const std::string& service) = 0;
  // False with the reason in error when the manager or the service could not be reached or the
  // manager refused the request.
  virtual bool Start(const std::string& computer, const std::string& service, std::string& error) = 0;
  virtual bool Stop(const std::string& computer, const std::string& service, std::string& error) = 0;
  virtual bool Pause(const std::string& computer, const std::string& service, std::string& error) = 0;
  virtual bool Continue(const std::string& computer, const std::string& service, std::string& error) = 0;
};

}  // namespace platform::service
