#include "foundation/NetInfo.h"

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
