#include "foundation/NetInfo.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <exception>
#include <optional>

#include "core/Text.h"

namespace {

std::string CutAtNul(const std::string& s) { return s.substr(0, s.find('\0')); }

// The Windows families by their words; any other system by its own name, "Unknown" when it
// gives none.
std::string PlatformWord(const std::optional<platform::os::HostFacts::OsVersion>& version) {
  switch (version ? version->platformId : platform::os::HostFacts::kPlatformOther) {
    case platform::os::HostFacts::kPlatformWindows9x:
      return "Windows 95/98/Me";
    case platform::os::HostFacts::kPlatformWindowsNT:
      return "Windows NT";
    default:
      return version && !version->systemName.empty() ? version->systemName : "Unknown";
  }
}

}  // namespace

std::string NetInfo::HostAddress(const std::vector<platform::os::HostFacts::InterfaceAddress>& addresses) {
  using Family = platform::os::HostFacts::InterfaceAddress::Family;
  // Lower ranks first: another machine reaches this one by an address that is not loopback,
  // by IPv4 before IPv6, and by an IPv6 link-local address (fe80::/10) only on its own link.
  auto rank = [](const platform::os::HostFacts::InterfaceAddress& a) {
    in6_addr bytes{};
    const bool linkLocal = a.family == Family::kIPv6 && ::inet_pton(AF_INET6, a.address.c_str(), &bytes) == 1 &&
                           IN6_IS_ADDR_LINKLOCAL(&bytes);
    return (a.loopback ? 4 : 0) + (a.family == Family::kIPv6 ? 2 : 0) + (linkLocal ? 1 : 0);
  };
  const platform::os::HostFacts::InterfaceAddress* best = nullptr;
  for (const auto& a : addresses)
    if (!a.address.empty() && (!best || rank(a) < rank(*best))) best = &a;
  return best ? best->address : "";
}

NetInfo::NetInfo(const platform::os::HostFacts& facts) : facts_(facts) {}

void NetInfo::GetNetInfo() {
  // Each fact on its own: a fact source that fails (or throws) costs that field only.
  auto ask = [](auto&& question) -> decltype(question()) {
    try {
      return question();
    } catch (const std::exception&) {
      return {};
    }
  };

  auto version = ask([&] { return facts_.Version(); });
  winVersion_ = PlatformWord(version);
  winBuild_ = version ? std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
                            std::to_string(version->build)
                      : "";

  winDirectory_ = CutAtNul(ask([&] { return facts_.SystemFolder(); }).value_or(""));

  auto computer = ask([&] { return facts_.ComputerName(); });
  workStation_ = computer ? CutAtNul(*computer) : "?";

  // The whole name, also beyond 24 characters: it identifies the user in the last-run rows.
  netUser_ = CutAtNul(ask([&] { return facts_.UserName(); }).value_or(""));

  ipAddrs_ = HostAddress(ask([&] { return facts_.InterfaceAddresses(); }));

  // A system that names itself gives its kernel release as the version: the line says so.
  const bool kernel = version && version->platformId != platform::os::HostFacts::kPlatformWindows9x &&
                      version->platformId != platform::os::HostFacts::kPlatformWindowsNT &&
                      !version->systemName.empty();
  allTextDump_ = winVersion_ + " " + (kernel ? "kernel " : "") + winBuild_ + ", " + "IP Address = " + ipAddrs_ + ", " +
                 "Workstation = " + workStation_ + ", " + "Network User = " + netUser_;
}
