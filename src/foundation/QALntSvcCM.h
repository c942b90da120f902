#pragma once

#include <memory>
#include <string>

namespace platform::service {
class ServiceManager;
}

// Reports a service's state as a word and asks the service manager to start, stop, pause or
// continue it. Every member reaches the manager afresh and keeps nothing open once it returns.
// Computer "" means this machine. The control members log a refused request and answer whether
// the manager accepted it, with the manager's reason when it did not; whether the service then
// runs shows in ServiceStatus, as the request is only queued.
//
// The manager is shared with whoever gave it; by default it is systemd on the system bus.
class QALntSvcCM {
 public:
  explicit QALntSvcCM(std::shared_ptr<platform::service::ServiceManager> manager = nullptr);

  // The state word ("Running", "Stopped", ...) or one of the texts
  // "ERROR: Unable to connect to service manager!", "ERROR: Service not found!",
  // "ERROR: Unable to get status!".
  std::string ServiceStatus(const std::string& Computer, const std::string& Service);
  // systemd has no paused state: these two reach the service and change nothing.
  bool vbPauseService(const std::string& Computer, const std::string& Service, std::string* reason = nullptr);
  bool vbContinueService(const std::string& Computer, const std::string& Service, std::string* reason = nullptr);
  bool vbStartService(const std::string& Computer, const std::string& Service, std::string* reason = nullptr);
  bool vbStopService(const std::string& Computer, const std::string& Service, std::string* reason = nullptr);

  // The word of a state number 1..7; "" for any other.
  static std::string StateWord(int state);

 private:
  // Logs a refused request; the request's answer, with the reason when it was refused.
  static bool Answer(const std::string& what, const std::string& Service, bool accepted, const std::string& error,
                     std::string* reason);

  std::shared_ptr<platform::service::ServiceManager> manager_;
};
