#include "foundation/NetInfo.h"

#include <exception>

#include "core/Text.h"

namespace {

std::string CutAtNul(const std::string& s) { return s.substr(0, s.find('\0')); }

std::string PlatformWord(int platformId) {
  switch (platformId) {
    case platform::os::HostFacts::kPlatformWindows9x:
      return "Windows 95/98/Me";
    case platform::os::HostFacts::kPlatformWindowsNT:
      return "Windows NT";
    default:
      return "Unknown";
  }
}

}  // namespace

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
  winVersion_ = PlatformWord(version ? version->platformId : platform::os::HostFacts::kPlatformOther);
  winBuild_ = version ? std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
                            std::to_string(version->build)
                      : "";

  winDirectory_ = CutAtNul(ask([&] { return facts_.SystemFolder(); }).value_or(""));

  auto computer = ask([&] { return facts_.ComputerName(); });
  workStation_ = computer ? CutAtNul(*computer) : "?";

  // The whole name, also beyond 24 characters: it identifies the user in the last-run rows.
  netUser_ = CutAtNul(ask([&] { return facts_.UserName(); }).value_or(""));

  ipAddrs_.clear();
  auto host = ask([&] { return facts_.HostName(); });
  if (host) {
    std::string name = core::Trim(CutAtNul(*host));
    auto addresses = ask([&] { return facts_.IPv4Addresses(name); });
    if (!name.empty() && !addresses.empty()) ipAddrs_ = addresses.front();
  }

  allTextDump_ = winVersion_ + " " + winBuild_ + ", " + "IP Address = " + ipAddrs_ + ", " +
                 "Workstation = " + workStation_ + ", " + "Network User = " + netUser_;
}
