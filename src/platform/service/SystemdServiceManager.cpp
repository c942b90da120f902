#include "platform/service/SystemdServiceManager.h"

#include <unistd.h>

#include <array>
#include <climits>

#include "core/Text.h"
#include "platform/service/SdBusConnection.h"

namespace platform::service {

namespace {

const std::string kDestination = "org.freedesktop.systemd1";
const std::string kManagerPath = "/org/freedesktop/systemd1";
const std::string kManagerInterface = "org.freedesktop.systemd1.Manager";
const std::string kUnitInterface = "org.freedesktop.systemd1.Unit";

constexpr std::array<const char*, 11> kUnitTypes = {".service", ".socket", ".target", ".device", ".mount", ".automount",
                                                    ".swap",    ".timer",  ".path",   ".slice",  ".scope"};

// Errors of LoadUnit that say the name is no unit at all; any other error means the manager
// itself could not be used (absent from the bus, access refused, no reply).
bool IsNoSuchUnit(const std::string& errorName) {
  return errorName == "org.freedesktop.systemd1.NoSuchUnit" || errorName == "org.freedesktop.DBus.Error.InvalidArgs";
}

std::string Describe(const BusReply& r) {
  return r.errorName.empty() ? r.errorMessage : r.errorName + ": " + r.errorMessage;
}

}  // namespace

SystemdServiceManager::SystemdServiceManager(std::string busAddress) : address_(std::move(busAddress)) {}

std::string SystemdServiceManager::UnitName(const std::string& service) {
  const std::string name = core::Trim(service);
  for (const char* type : kUnitTypes) {
    const std::string t = type;
    if (name.size() > t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0) return name;
  }
  return name + ".service";
}

ServiceState SystemdServiceManager::StateOf(const std::string& activeState) {
  if (activeState == "active") return ServiceState::Running;
  if (activeState == "reloading") return ServiceState::ContinuePending;
  // A unit that failed is not running: to the operator it is stopped and may be started again.
  if (activeState == "inactive" || activeState == "failed") return ServiceState::Stopped;
  if (activeState == "activating") return ServiceState::StartPending;
  if (activeState == "deactivating") return ServiceState::StopPending;
  return ServiceState::Unknown;
}

bool SystemdServiceManager::IsThisComputer(const std::string& computer) {
  std::string name = core::Trim(computer);
  while (!name.empty() && name.front() == '\\') name.erase(0, 1);
  if (name.empty() || name == "." || core::EqualsIgnoreCase(name, "localhost")) return true;
  char host[HOST_NAME_MAX + 1] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return false;
  const std::string full = host;
  const std::string shortName = full.substr(0, full.find('.'));
  return core::EqualsIgnoreCase(name, full) || core::EqualsIgnoreCase(name, shortName);
}

StatusResult SystemdServiceManager::OpenUnit(const std::string& computer, const std::string& service,
                                             SdBusConnection& bus, std::string& unitPath, std::string& error) const {
  if (!IsThisComputer(computer)) {
    error = "the service manager of computer '" + computer + "' cannot be reached from here";
    return StatusResult::NoManager;
  }
  bus = SdBusConnection::Open(address_, error);
  if (!bus.IsOpen()) return StatusResult::NoManager;

  // LoadUnit rather than GetUnit: systemd forgets stopped units that nothing refers to, and
  // such a unit is still an installed service.
  const std::string unit = UnitName(service);
  const BusReply loaded = bus.CallForPath(kDestination, kManagerPath, kManagerInterface, "LoadUnit", unit);
  if (!loaded.ok) {
    error = Describe(loaded);
    return IsNoSuchUnit(loaded.errorName) ? StatusResult::NoService : StatusResult::NoManager;
  }
  const BusReply loadState = bus.GetStringProperty(kDestination, loaded.value, kUnitInterface, "LoadState");
  if (!loadState.ok) {
    error = Describe(loadState);
    return StatusResult::NoStatus;
  }
  // Only a loaded unit is a service that can be run: "not-found" has no unit file, "masked",
  // "error" and "bad-setting" have one that systemd will not run.
  if (loadState.value != "loaded") {
    error = loadState.value == "not-found" ? "unit " + unit + " not found"
                                           : "unit " + unit + " is not loaded (" + loadState.value + ")";
    return StatusResult::NoService;
  }
  unitPath = loaded.value;
  return StatusResult::Ok;
}

ServiceStatus SystemdServiceManager::QueryStatus(const std::string& computer, const std::string& service) {
  ServiceStatus status;
  SdBusConnection bus;
  std::string path;
  status.result = OpenUnit(computer, service, bus, path, status.error);
  if (status.result != StatusResult::Ok) return status;
  const BusReply active = bus.GetStringProperty(kDestination, path, kUnitInterface, "ActiveState");
  if (!active.ok) {
    status.result = StatusResult::NoStatus;
    status.error = Describe(active);
    return status;
  }
  status.state = StateOf(active.value);
  return status;
}

bool SystemdServiceManager::Request(const std::string& method, const std::string& computer, const std::string& service,
                                    std::string& error) const {
  SdBusConnection bus;
  std::string path;
  if (OpenUnit(computer, service, bus, path, error) != StatusResult::Ok) return false;
  // "replace": a start cancels a pending stop and the other way round, as an operator means it.
  const BusReply job =
      bus.CallForPath(kDestination, kManagerPath, kManagerInterface, method, UnitName(service), "replace");
  if (!job.ok) {
    error = Describe(job);
    return false;
  }
  return true;
}

bool SystemdServiceManager::Start(const std::string& computer, const std::string& service, std::string& error) {
  return Request("StartUnit", computer, service, error);
}

bool SystemdServiceManager::Stop(const std::string& computer, const std::string& service, std::string& error) {
  return Request("StopUnit", computer, service, error);
}

bool SystemdServiceManager::Pause(const std::string& computer, const std::string& service, std::string& error) {
  return Refuse(computer, service, "systemd cannot pause a service", error);
}

bool SystemdServiceManager::Continue(const std::string& computer, const std::string& service, std::string& error) {
  return Refuse(computer, service, "systemd cannot pause a service, so there is none to continue", error);
}

bool SystemdServiceManager::Refuse(const std::string& computer, const std::string& service, const std::string& why,
                                   std::string& error) const {
  SdBusConnection bus;
  std::string path;
  if (OpenUnit(computer, service, bus, path, error) == StatusResult::Ok) error = why;
  return false;
}

}  // namespace platform::service
