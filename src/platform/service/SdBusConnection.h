#pragma once

#include <memory>
#include <string>

struct sd_bus;

namespace platform::service {

// The outcome of one call over the bus: the value it returned, or the error.
struct BusReply {
  bool ok = false;
  std::string value;         // the returned object path or text
  std::string errorName;     // the D-Bus error name; "" for a local failure (lost connection, time-out)
  std::string errorMessage;  // what went wrong, readable
};

// One client connection to a D-Bus bus (sd-bus), closed when the object dies. Move-only. Calls
// wait at most a few seconds for their reply, so a manager that hangs cannot hang the window.
class SdBusConnection {
 public:
  // address "": the system bus (DBUS_SYSTEM_BUS_ADDRESS when set, as for every D-Bus client).
  // The connection is not open when the bus cannot be reached; error then says why.
  static SdBusConnection Open(const std::string& address, std::string& error);

  SdBusConnection() = default;
  bool IsOpen() const { return bus_ != nullptr; }

  // A method of one string argument (or two) that returns one object path.
  BusReply CallForPath(const std::string& destination, const std::string& path, const std::string& interface,
                       const std::string& method, const std::string& arg);
  BusReply CallForPath(const std::string& destination, const std::string& path, const std::string& interface,
                       const std::string& method, const std::string& arg1, const std::string& arg2);
  // A property of type string.
  BusReply GetStringProperty(const std::string& destination, const std::string& path, const std::string& interface,
                             const std::string& property);

 private:
  struct Closer {
    void operator()(sd_bus* bus) const;
  };
  std::unique_ptr<sd_bus, Closer> bus_;
};

}  // namespace platform::service
