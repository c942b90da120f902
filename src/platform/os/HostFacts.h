#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::os {

// What the machine says about itself: operating system and version, system folder, computer
// name, the user running the program and the addresses of its network interfaces.
// Each question may go unanswered (an empty optional); none throws. System() is the real
// machine, read anew on every call; tests give their own facts.
class HostFacts {
 public:
  // Platform ids as the version query numbers them; anything not Windows is kPlatformOther.
  static constexpr int kPlatformOther = 0;
  static constexpr int kPlatformWindows9x = 1;
  static constexpr int kPlatformWindowsNT = 2;

  struct OsVersion {
    int platformId = kPlatformOther;
    int major = 0, minor = 0, build = 0;
    // On a system that is not Windows: its own name and release ("Debian GNU/Linux 12
    // (bookworm)"), "" when it names none.
    std::string systemName;
  };

  // One address of a network interface that is up.
  struct InterfaceAddress {
    enum class Family { kIPv4, kIPv6 };
    std::string interfaceName;  // "eth0"
    Family family = Family::kIPv4;
    std::string address;  // "10.0.0.5", "fd00::2"
    bool loopback = false;
  };

  virtual ~HostFacts() = default;

  virtual std::optional<OsVersion> Version() const = 0;
  virtual std::optional<std::string> SystemFolder() const = 0;
  virtual std::optional<std::string> ComputerName() const = 0;
  virtual std::optional<std::string> UserName() const = 0;
  // The IPv4 and IPv6 addresses of the interfaces that are up, in the order the system lists
  // them; empty when it lists none.
  virtual std::vector<InterfaceAddress> InterfaceAddresses() const = 0;

  // The machine the program runs on: uname (the kernel release as the version), the system's
  // name from os-release (/etc/os-release, else /usr/lib/os-release), getifaddrs and the user from the environment (USER, LOGNAME) or else the password database.
  static const HostFacts& System();
  // The same machine with its system named by the first of these os-release files that names
  // one.
  static std::unique_ptr<HostFacts> WithOsRelease(std::vector<std::string> osReleaseFiles);
  // The name an os-release file gives its system: PRETTY_NAME, else NAME and VERSION_ID (or
  // VERSION); "" when the file cannot be read or names nothing.
  static std::string OsReleaseName(const std::string& path);
};

}  // namespace platform::os
