#include "platform/service/SdBusConnection.h"

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <cstring>

namespace platform::service {

namespace {

constexpr std::uint64_t kCallTimeoutUsec = 5'000'000;

// sd_bus_error and sd_bus_message as scoped objects.
struct ErrorHolder {
  sd_bus_error e = SD_BUS_ERROR_NULL;
  ~ErrorHolder() { sd_bus_error_free(&e); }
};

struct MessageUnref {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

std::string ErrnoText(int r) { return std::strerror(r < 0 ? -r : r); }

BusReply Failure(int r, const sd_bus_error& e) {
  BusReply reply;
  if (e.name) reply.errorName = e.name;
  reply.errorMessage = e.message ? e.message : ErrnoText(r);
  return reply;
}

BusReply ReadPath(int r, sd_bus_message* raw, const sd_bus_error& e) {
  Message m(raw);
  if (r < 0) return Failure(r, e);
  const char* path = nullptr;
  BusReply reply;
  r = sd_bus_message_read(m.get(), "o", &path);
  if (r < 0) {
    reply.errorMessage = "unexpected reply: " + ErrnoText(r);
    return reply;
  }
  reply.ok = true;
  reply.value = path;
  return reply;
}

}  // namespace

void SdBusConnection::Closer::operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }

SdBusConnection SdBusConnection::Open(const std::string& address, std::string& error) {
  SdBusConnection c;
  sd_bus* raw = nullptr;
  int r = 0;
  if (address.empty()) {
    r = sd_bus_open_system(&raw);
  } else {
    r = sd_bus_new(&raw);
    if (r >= 0) {
      c.bus_.reset(raw);
      raw = nullptr;
      r = sd_bus_set_address(c.bus_.get(), address.c_str());
      if (r >= 0) r = sd_bus_set_bus_client(c.bus_.get(), 1);
      if (r >= 0) r = sd_bus_start(c.bus_.get());
    }
  }
  if (raw) c.bus_.reset(raw);
  if (r < 0) {
    error = "cannot connect to the bus" + (address.empty() ? std::string() : " at " + address) + ": " + ErrnoText(r);
    c.bus_.reset();
    return c;
  }
  sd_bus_set_method_call_timeout(c.bus_.get(), kCallTimeoutUsec);
  return c;
}

BusReply SdBusConnection::CallForPath(const std::string& destination, const std::string& path,
                                      const std::string& interface, const std::string& method, const std::string& arg) {
  if (!bus_) return BusReply{false, "", "", "not connected"};
  ErrorHolder e;
  sd_bus_message* m = nullptr;
  const int r = sd_bus_call_method(bus_.get(), destination.c_str(), path.c_str(), interface.c_str(), method.c_str(),
                                   &e.e, &m, "s", arg.c_str());
  return ReadPath(r, m, e.e);
}

BusReply SdBusConnection::CallForPath(const std::string& destination, const std::string& path,
                                      const std::string& interface, const std::string& method, const std::string& arg1,
                                      const std::string& arg2) {
  if (!bus_) return BusReply{false, "", "", "not connected"};
  ErrorHolder e;
  sd_bus_message* m = nullptr;
  const int r = sd_bus_call_method(bus_.get(), destination.c_str(), path.c_str(), interface.c_str(), method.c_str(),
                                   &e.e, &m, "ss", arg1.c_str(), arg2.c_str());
  return ReadPath(r, m, e.e);
}

BusReply SdBusConnection::GetStringProperty(const std::string& destination, const std::string& path,
                                            const std::string& interface, const std::string& property) {
  if (!bus_) return BusReply{false, "", "", "not connected"};
  ErrorHolder e;
  char* value = nullptr;
  const int r = sd_bus_get_property_string(bus_.get(), destination.c_str(), path.c_str(), interface.c_str(),
                                           property.c_str(), &e.e, &value);
  if (r < 0) return Failure(r, e.e);
  BusReply reply;
  reply.ok = true;
  reply.value = value ? value : "";
  std::free(value);
  return reply;
}

}  // namespace platform::service
