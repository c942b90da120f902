#include "platform/os/HostFacts.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string_view>

namespace platform::os {
namespace {

// "6.1.0-18-amd64" -> 6, 1, 0: the leading numbers of the kernel release.
HostFacts::OsVersion ParseRelease(const std::string& release) {
  HostFacts::OsVersion v;
  int* parts[] = {&v.major, &v.minor, &v.build};
  std::size_t pos = 0;
  for (int* part : parts) {
    std::size_t end = pos;
    while (end < release.size() && release[end] >= '0' && release[end] <= '9') ++end;
    if (end == pos || end - pos > 9) break;
    *part = std::atoi(release.substr(pos, end - pos).c_str());
    if (end >= release.size() || release[end] != '.') break;
    pos = end + 1;
  }
  return v;
}

// A value of an os-release line, its quotes taken off and its escapes read ("\"" -> ").
std::string OsReleaseValue(std::string_view text) {
  if (text.empty() || (text.front() != '"' && text.front() != '\'')) return std::string(text);
  const char quote = text.front();
  std::string out;
  for (std::size_t i = 1; i < text.size() && text[i] != quote; ++i) {
    if (quote == '"' && text[i] == '\\' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

class SystemHostFacts : public HostFacts {
 public:
  explicit SystemHostFacts(std::vector<std::string> osReleaseFiles) : osReleaseFiles_(std::move(osReleaseFiles)) {}

  std::optional<OsVersion> Version() const override {
    utsname u{};
    if (uname(&u) != 0) return std::nullopt;
    OsVersion v = ParseRelease(u.release);  // neither Windows family
    for (const std::string& file : osReleaseFiles_) {
      v.systemName = OsReleaseName(file);
      if (!v.systemName.empty()) break;
    }
    if (v.systemName.empty()) v.systemName = u.sysname;  // "Linux"
    return v;
  }

  // There is no Windows folder; the root of the installed system stands in for it.
  std::optional<std::string> SystemFolder() const override { return std::string("/"); }

  std::optional<std::string> ComputerName() const override {
    utsname u{};
    if (uname(&u) != 0 || u.nodename[0] == '\0') return std::nullopt;
    return std::string(u.nodename);
  }

  std::optional<std::string> UserName() const override {
    for (const char* var : {"USER", "LOGNAME"}) {
      const char* v = std::getenv(var);
      if (v && *v) return std::string(v);
    }
    // A service started by systemd has no USER; the password database still knows the account.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buf(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name)
      return std::string(found->pw_name);
    return std::nullopt;
  }

  std::vector<InterfaceAddress> InterfaceAddresses() const override {
    std::vector<InterfaceAddress> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
      if (!a->ifa_addr || !(a->ifa_flags & IFF_UP)) continue;
      InterfaceAddress entry;
      entry.interfaceName = a->ifa_name ? a->ifa_name : "";
      entry.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
      char text[INET6_ADDRSTRLEN] = {};
      if (a->ifa_addr->sa_family == AF_INET) {
        entry.family = InterfaceAddress::Family::kIPv4;
        const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (!inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) continue;
      } else if (a->ifa_addr->sa_family == AF_INET6) {
        entry.family = InterfaceAddress::Family::kIPv6;
        const auto* sin6 = reinterpret_cast<const sockaddr_in6*>(a->ifa_addr);
        if (!inet_ntop(AF_INET6, &sin6->sin6_addr, text, sizeof text)) continue;
      } else {
        continue;  // link-layer and other families
      }
      entry.address = text;
      out.push_back(std::move(entry));
    }
    freeifaddrs(list);
    return out;
  }

 private:
  std::vector<std::string> osReleaseFiles_;
};

}  // namespace

const HostFacts& HostFacts::System() {
  static const SystemHostFacts facts({"/etc/os-release", "/usr/lib/os-release"});
  return facts;
}

std::unique_ptr<HostFacts> HostFacts::WithOsRelease(std::vector<std::string> osReleaseFiles) {
  return std::make_unique<SystemHostFacts>(std::move(osReleaseFiles));
}

std::string HostFacts::OsReleaseName(const std::string& path) {
  std::ifstream in(path);
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (line.empty() || line.front() == '#' || eq == std::string::npos) continue;
    std::string_view value(line);
    value.remove_prefix(eq + 1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
      value.remove_suffix(1);
    values[line.substr(0, eq)] = OsReleaseValue(value);
  }
  if (!values["PRETTY_NAME"].empty()) return values["PRETTY_NAME"];
  std::string name = values["NAME"];
  const std::string release = !values["VERSION_ID"].empty() ? values["VERSION_ID"] : values["VERSION"];
  if (!name.empty() && !release.empty()) name += " " + release;
  return name;
}

}  // namespace platform::os
