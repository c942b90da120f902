#pragma once

#include <string>
#include <vector>

#include "platform/os/HostFacts.h"

// A few facts about the machine the program runs on, gathered once by GetNetInfo and offered as
// texts and as the one-line summary that the log banner and the last-run rows use. Every field
// is "" until GetNetInfo runs; no member throws. The facts source is borrowed and must outlive
// the object (the system's lives for the whole process).
class NetInfo {
 public:
  explicit NetInfo(const platform::os::HostFacts& facts = platform::os::HostFacts::System());

  // Fills every field: a question the machine leaves unanswered leaves "?" for the workstation,
  // "" for the address and the others.
  void GetNetInfo();

  std::string WinVersion() const { return winVersion_; }
  std::string WinBuild() const { return winBuild_; }
  std::string WinDirectory() const { return winDirectory_; }
  std::string WorkStation() const { return workStation_; }
  std::string NetUser() const { return netUser_; }
  std::string IPAddrs() const { return ipAddrs_; }
  // "Debian GNU/Linux 12 (bookworm) kernel 6.1.0, IP Address = 10.0.0.5, Workstation = host, Network
  // User = user": on a system that is not Windows its own name stands for the Windows family and
  // its kernel release for the Windows version.
  std::string AllTextDump() const { return allTextDump_; }

  // The address that stands for the host among its interfaces' addresses: the first that is not
  // loopback, IPv4 before IPv6 (link-local IPv6 last of those), loopback only when there is no
  // other; "" when the list holds none.
  static std::string HostAddress(const std::vector<platform::os::HostFacts::InterfaceAddress>& addresses);

 private:
  const platform::os::HostFacts& facts_;
  std::string winVersion_, winBuild_, winDirectory_, workStation_, netUser_, ipAddrs_, allTextDump_;
};
