#pragma once

#include <string>

#include "platform/service/ServiceManager.h"

namespace platform::service {

class SdBusConnection;

// The service manager of this machine: systemd, reached over its D-Bus API
// (org.freedesktop.systemd1). A service is a unit; a name without a unit suffix is a ".service"
// unit. Each call opens its own bus connection and closes it before returning.
//
// Unit states and the service states they stand for: active Running, reloading
// ContinuePending, inactive and failed Stopped, activating StartPending, deactivating
// StopPending; any other Unknown. A unit that systemd has not loaded (no unit file, or one that
// is masked or broken) is no service.
// systemd cannot pause a service: Pause and Continue reach the unit and then refuse, changing
// nothing. Only this machine's manager is reachable; another computer's is not.
class SystemdServiceManager : public ServiceManager {
 public:
  // busAddress "": the system bus; otherwise a D-Bus address ("unix:path=...").
  explicit SystemdServiceManager(std::string busAddress = "");

  ServiceStatus QueryStatus(const std::string& computer, const std::string& service) override;
  bool Start(const std::string& computer, const std::string& service, std::string& error) override;
  bool Stop(const std::string& computer, const std::string& service, std::string& error) override;
  bool Pause(const std::string& computer, const std::string& service, std::string& error) override;
  bool Continue(const std::string& computer, const std::string& service, std::string& error) override;

  // The unit of a service name: trimmed, ".service" added unless it ends in a unit type.
  static std::string UnitName(const std::string& service);
  static ServiceState StateOf(const std::string& activeState);
  // "", ".", "localhost" and this host's name (any case, with or without leading "\\").
  static bool IsThisComputer(const std::string& computer);

 private:
  // Reaches the manager and loads the unit; Ok with the bus still open and the unit's object
  // path, or the failure.
  StatusResult OpenUnit(const std::string& computer, const std::string& service, SdBusConnection& bus,
                        std::string& unitPath, std::string& error) const;
  bool Request(const std::string& method, const std::string& computer, const std::string& service,
               std::string& error) const;
  // Reaches the unit as a request would, then turns the request down with why.
  bool Refuse(const std::string& computer, const std::string& service, const std::string& why,
              std::string& error) const;

  std::string address_;
};

}  // namespace platform::service
