#pragma once

#include <memory>
#include <string>

namespace platform::service {
class ServiceManager;
}

// Reports a service's state as a word and asks the service manager to start, stop, pause or
// continue it. Every member reaches the manager afresh and keeps nothing open once it returns.
// Computer "" means this machine. The control members report nothing to their caller: they log
// a refused request, and the caller learns the outcome by asking ServiceStatus again.
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
  void vbPauseService(const std::string& Computer, const std::string& Service);
  void vbContinueService(const std::string& Computer, const std::string& Service);
  void vbStartService(const std::string& Computer, const std::string& Service);
  void vbStopService(const std::string& Computer, const std::string& Service);

  // The word of a state number 1..7; "" for any other.
  static std::string StateWord(int state);

 private:
  void LogRefusal(const std::string& what, const std::string& Service, bool accepted, const std::string& error);

  std::shared_ptr<platform::service::ServiceManager> manager_;
};
