#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>

// A private D-Bus daemon, and a stand-in for systemd's service manager serving on it from a
// thread of the test program, for the tests of service control. The stand-in speaks the part of
// org.freedesktop.systemd1 that the program uses: LoadUnit, StartUnit, StopUnit and the unit
// properties LoadState and ActiveState.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace servicetest {

// A dbus-daemon of its own, listening in a temporary folder; stopped and removed with the object.
class PrivateBus {
 public:
  PrivateBus() {
    char tmpl[] = "/tmp/k30418-bus.XXXXXX";
    if (!::mkdtemp(tmpl)) return;
    dir_ = tmpl;
    const std::filesystem::path socket = dir_ / "bus";
    const std::filesystem::path config = dir_ / "bus.conf";
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig>\n  <type>custom</type>\n  <listen>unix:path="
                          << socket.string()
                          << "</listen>\n  <auth>EXTERNAL</auth>\n"
                             "  <policy context=\"default\">\n"
                             "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                             "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n"
                             "  </policy>\n</busconfig>\n";
    const std::string configArg = "--config-file=" + config.string();
    char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>(configArg.c_str()),
                    const_cast<char*>("--nofork"), const_cast<char*>("--nopidfile"), nullptr};
    // The daemon's own complaints (a container may not let it raise its file limit) go to a file.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 2, (dir_ / "daemon.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int spawned = ::posix_spawnp(&pid_, "dbus-daemon", &files, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
      pid_ = -1;
      return;
    }
    // The socket file appears when the daemon binds it, a moment before it listens:
    // the bus is ready once a connection is accepted.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // a busy machine
    while (!Accepts(socket) && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (Accepts(socket)) address_ = "unix:path=" + socket.string();
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // "" when the daemon did not start.
  const std::string& Address() const { return address_; }
  // An address in the same folder where nothing listens.
  std::string DeadAddress() const { return "unix:path=" + (dir_ / "nobody-listens").string(); }

 private:
  static bool Accepts(const std::filesystem::path& socket) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = socket.string();
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
  }

  pid_t pid_ = -1;
  std::filesystem::path dir_;
  std::string address_;
};

// The stand-in manager: units with a load state and an active state. A start or stop passes
// through its pending state for PendingReads() reads of ActiveState, then settles.
class SystemdStandIn {
 public:
  struct Unit {
    std::string loadState = "loaded";
    std::string activeState = "inactive";
    bool refuseControl = false;  // start and stop answer "access denied"
    bool statusFails = false;    // reading ActiveState fails
    // While a start or stop is pending: the reads left and the state it settles in.
    int pendingLeft = 0;
    std::string settlesIn;
  };

  explicit SystemdStandIn(const std::string& address) {
    if (address.empty() || sd_bus_new(&bus_) < 0) return;
    if (sd_bus_set_address(bus_, address.c_str()) < 0 || sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0)
      return;
    if (sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/systemd1", "org.freedesktop.systemd1.Manager",
                                 kManager, this) < 0)
      return;
    if (sd_bus_add_fallback_vtable(bus_, nullptr, "/org/freedesktop/systemd1/unit", "org.freedesktop.systemd1.Unit",
                                   kUnit, &SystemdStandIn::FindUnit, this) < 0)
      return;
    if (sd_bus_request_name(bus_, "org.freedesktop.systemd1", 0) < 0) return;
    serving_ = true;
    thread_ = std::thread([this] { Serve(); });
  }
  ~SystemdStandIn() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (bus_) sd_bus_flush_close_unref(bus_);
  }
  SystemdStandIn(const SystemdStandIn&) = delete;
  SystemdStandIn& operator=(const SystemdStandIn&) = delete;

  bool Serving() const { return serving_; }

  void AddUnit(const std::string& name, const std::string& activeState, bool refuseControl = false) {
    std::lock_guard<std::mutex> lock(mutex_);
    Unit u;
    u.activeState = activeState;
    u.refuseControl = refuseControl;
    units_[name] = u;
  }
  void SetActiveState(const std::string& name, const std::string& activeState) {
    std::lock_guard<std::mutex> lock(mutex_);
    units_[name].activeState = activeState;
    units_[name].pendingLeft = 0;
  }
  // "masked", "error", "bad-setting": a unit file systemd will not run.
  void SetLoadState(const std::string& name, const std::string& loadState) {
    std::lock_guard<std::mutex> lock(mutex_);
    units_[name].loadState = loadState;
  }
  void FailStatusOf(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    units_[name].statusFails = true;
  }
  std::string ActiveState(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = units_.find(name);
    return it == units_.end() ? "" : it->second.activeState;
  }
  void PendingReads(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    pendingReads_ = n;
  }
  // Every method called, as "LoadUnit k30418.service" or "StartUnit k30418.service replace".
  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  void ClearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
  }

 private:
  void Serve() {
    while (!stop_) {
      const int r = sd_bus_process(bus_, nullptr);
      if (r < 0) break;
      if (r == 0) sd_bus_wait(bus_, 20'000);
    }
  }

  static std::string UnitOfPath(const char* path) {
    char* name = nullptr;
    if (sd_bus_path_decode(path, "/org/freedesktop/systemd1/unit", &name) <= 0 || !name) return "";
    std::string n = name;
    std::free(name);
    return n;
  }

  static int ReplyPath(sd_bus_message* m, const char* prefix, const std::string& name) {
    char* path = nullptr;
    if (sd_bus_path_encode(prefix, name.c_str(), &path) < 0) return -ENOMEM;
    const int r = sd_bus_reply_method_return(m, "o", path);
    std::free(path);
    return r;
  }

  static int LoadUnit(sd_bus_message* m, void* self, sd_bus_error* error) {
    auto* s = static_cast<SystemdStandIn*>(self);
    const char* name = nullptr;
    if (sd_bus_message_read(m, "s", &name) < 0) return -EINVAL;
    {
      std::lock_guard<std::mutex> lock(s->mutex_);
      s->calls_.push_back(std::string("LoadUnit ") + name);
      const std::string n = name;
      if (n.find('.') == std::string::npos || n.front() == '.' || n.find(' ') != std::string::npos)
        return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "Unit name %s is not valid.", name);
      // As systemd does: an unknown name is loaded as a unit without a file.
      if (!s->units_.count(n)) s->units_[n].loadState = "not-found";
    }
    return ReplyPath(m, "/org/freedesktop/systemd1/unit", name);
  }

  static int Control(sd_bus_message* m, void* self, sd_bus_error* error, bool start) {
    auto* s = static_cast<SystemdStandIn*>(self);
    const char* name = nullptr;
    const char* mode = nullptr;
    if (sd_bus_message_read(m, "ss", &name, &mode) < 0) return -EINVAL;
    int job = 0;
    {
      std::lock_guard<std::mutex> lock(s->mutex_);
      s->calls_.push_back(std::string(start ? "StartUnit " : "StopUnit ") + name + " " + mode);
      auto it = s->units_.find(name);
      if (it == s->units_.end() || it->second.loadState == "not-found")
        return sd_bus_error_setf(error, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s not found.", name);
      Unit& u = it->second;
      if (u.refuseControl)
        return sd_bus_error_set(error, SD_BUS_ERROR_ACCESS_DENIED, "Interactive authentication required.");
      const bool already =
          start ? u.activeState == "active" : (u.activeState == "inactive" || u.activeState == "failed");
      if (!already) {
        u.settlesIn = start ? "active" : "inactive";
        u.activeState = start ? "activating" : "deactivating";
        u.pendingLeft = s->pendingReads_;
        if (u.pendingLeft == 0) u.activeState = u.settlesIn;
      }
      job = ++s->jobs_;
    }
    return ReplyPath(m, "/org/freedesktop/systemd1/job", std::to_string(job));
  }
  static int StartUnit(sd_bus_message* m, void* self, sd_bus_error* error) { return Control(m, self, error, true); }
  static int StopUnit(sd_bus_message* m, void* self, sd_bus_error* error) { return Control(m, self, error, false); }

  static int FindUnit(sd_bus*, const char* path, const char*, void* self, void** found, sd_bus_error*) {
    if (UnitOfPath(path).empty()) return 0;
    *found = self;
    return 1;
  }

  static int GetProperty(sd_bus*, const char* path, const char*, const char* property, sd_bus_message* reply,
                         void* self, sd_bus_error* error) {
    auto* s = static_cast<SystemdStandIn*>(self);
    std::lock_guard<std::mutex> lock(s->mutex_);
    auto it = s->units_.find(UnitOfPath(path));
    if (it == s->units_.end()) return sd_bus_error_set(error, "org.freedesktop.systemd1.NoSuchUnit", "No such unit.");
    Unit& u = it->second;
    if (std::string(property) == "LoadState") return sd_bus_message_append(reply, "s", u.loadState.c_str());
    if (u.statusFails) return sd_bus_error_set(error, SD_BUS_ERROR_FAILED, "The unit's state cannot be read.");
    const std::string value = u.activeState;
    if (u.pendingLeft > 0 && --u.pendingLeft == 0) u.activeState = u.settlesIn;
    return sd_bus_message_append(reply, "s", value.c_str());
  }

  static inline const sd_bus_vtable kManager[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("LoadUnit", "s", "o", &SystemdStandIn::LoadUnit, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("StartUnit", "ss", "o", &SystemdStandIn::StartUnit, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("StopUnit", "ss", "o", &SystemdStandIn::StopUnit, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_VTABLE_END};
  static inline const sd_bus_vtable kUnit[] = {
      SD_BUS_VTABLE_START(0), SD_BUS_PROPERTY("LoadState", "s", &SystemdStandIn::GetProperty, 0, 0),
      SD_BUS_PROPERTY("ActiveState", "s", &SystemdStandIn::GetProperty, 0, 0), SD_BUS_VTABLE_END};

  sd_bus* bus_ = nullptr;
  bool serving_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::map<std::string, Unit> units_;
  std::vector<std::string> calls_;
  int pendingReads_ = 0;
  int jobs_ = 0;
};

}  // namespace servicetest
