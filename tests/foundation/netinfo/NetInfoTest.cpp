// The host texts and the summary line, from facts the test chooses.
#include <gtest/gtest.h>

#include <sys/utsname.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "foundation/NetInfo.h"

namespace {

using platform::os::HostFacts;
using Address = HostFacts::InterfaceAddress;
using Family = HostFacts::InterfaceAddress::Family;
namespace fs = std::filesystem;

Address V4(const char* name, const char* text, bool loopback = false) {
  return {name, Family::kIPv4, text, loopback};
}
Address V6(const char* name, const char* text, bool loopback = false) {
  return {name, Family::kIPv6, text, loopback};
}

struct FakeHostFacts : HostFacts {
  std::optional<OsVersion> version = OsVersion{HostFacts::kPlatformOther, 6, 1, 7601, ""};
  std::optional<std::string> folder = std::string("/");
  std::optional<std::string> computer = std::string("PLANT-PC");
  std::optional<std::string> user = std::string("operator");
  std::vector<Address> addresses = {V4("lo", "127.0.0.1", true), V4("eth0", "10.0.0.5")};
  bool throwOnUser = false;

  std::optional<OsVersion> Version() const override { return version; }
  std::optional<std::string> SystemFolder() const override { return folder; }
  std::optional<std::string> ComputerName() const override { return computer; }
  std::optional<std::string> UserName() const override {
    if (throwOnUser) throw std::runtime_error("no user database");
    return user;
  }
  std::vector<Address> InterfaceAddresses() const override { return addresses; }
};

std::string Summary(const FakeHostFacts& facts) {
  NetInfo info(facts);
  info.GetNetInfo();
  return info.AllTextDump();
}

TEST(NetInfo, FieldsAreEmptyUntilGathered) {
  FakeHostFacts facts;
  NetInfo info(facts);
  EXPECT_EQ(info.WinVersion() + info.WinBuild() + info.WinDirectory() + info.WorkStation() + info.NetUser() +
                info.IPAddrs() + info.AllTextDump(),
            "");
  info.GetNetInfo();
  EXPECT_EQ(info.WinVersion(), "Unknown");
  EXPECT_EQ(info.WinBuild(), "6.1.7601");
  EXPECT_EQ(info.WinDirectory(), "/");
  EXPECT_EQ(info.WorkStation(), "PLANT-PC");
  EXPECT_EQ(info.NetUser(), "operator");
  EXPECT_EQ(info.IPAddrs(), "10.0.0.5");
  EXPECT_EQ(info.AllTextDump(),
            "Unknown 6.1.7601, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator");
}

TEST(NetInfo, SummaryLineFromEachKindOfFacts) {
  struct Case {
    const char* what;
    void (*change)(FakeHostFacts&);
    const char* summary;
  } cases[] = {
      // clang-format off
      {"Windows NT family", [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{2, 10, 0, 19045, ""}; },
       "Windows NT 10.0.19045, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"Windows 9x family", [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{1, 4, 10, 2222, ""}; },
       "Windows 95/98/Me 4.10.2222, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"any other platform", [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{3, 5, 0, 1, ""}; },
       "Unknown 5.0.1, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"a system that names itself",
       [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{0, 6, 1, 0, "Debian GNU/Linux 12 (bookworm)"}; },
       "Debian GNU/Linux 12 (bookworm) kernel 6.1.0, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"a Windows family keeps its word",
       [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{2, 10, 0, 19045, "Windows 10 Pro"}; },
       "Windows NT 10.0.19045, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"no version at all", [](FakeHostFacts& f) { f.version.reset(); },
       "Unknown , IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"no interface address at all", [](FakeHostFacts& f) { f.addresses.clear(); },
       "Unknown 6.1.7601, IP Address = , Workstation = PLANT-PC, Network User = operator"},
      {"no computer name", [](FakeHostFacts& f) { f.computer.reset(); },
       "Unknown 6.1.7601, IP Address = 10.0.0.5, Workstation = ?, Network User = operator"},
      {"texts cut at a NUL", [](FakeHostFacts& f) { f.computer = std::string("PC\0junk", 7); },
       "Unknown 6.1.7601, IP Address = 10.0.0.5, Workstation = PC, Network User = operator"},
      {"no user", [](FakeHostFacts& f) { f.user.reset(); },
       "Unknown 6.1.7601, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = "},
      {"a failing fact costs only its field", [](FakeHostFacts& f) { f.throwOnUser = true; },
       "Unknown 6.1.7601, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = "},
      {"a long user name is kept whole", [](FakeHostFacts& f) { f.user = "a.very.long.operator.name.of.30"; },
       "Unknown 6.1.7601, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = a.very.long.operator.name.of.30"},
      // clang-format on
  };
  for (const Case& c : cases) {
    FakeHostFacts facts;
    c.change(facts);
    EXPECT_EQ(Summary(facts), c.summary) << c.what;
  }
}

TEST(NetInfo, TheHostAddressAmongTheInterfaces) {
  struct Case {
    const char* what;
    std::vector<Address> addresses;
    const char* chosen;
  } cases[] = {
      {"none", {}, ""},
      {"loopback only", {V4("lo", "127.0.0.1", true), V6("lo", "::1", true)}, "127.0.0.1"},
      {"IPv6 loopback only", {V6("lo", "::1", true)}, "::1"},
      {"one address besides loopback", {V4("lo", "127.0.0.1", true), V4("eth0", "192.0.2.2")}, "192.0.2.2"},
      {"several: the first that is not loopback",
       {V4("lo", "127.0.0.1", true), V4("eth0", "192.168.1.20"), V4("eth1", "10.0.0.5")},
       "192.168.1.20"},
      {"IPv4 before IPv6, whatever the order",
       {V6("eth0", "fd00::2"), V4("lo", "127.0.0.1", true), V4("eth1", "10.0.0.5")},
       "10.0.0.5"},
      {"IPv6 only", {V6("lo", "::1", true), V6("eth0", "fd00::2")}, "fd00::2"},
      {"IPv6 only: link-local after the others",
       {V6("lo", "::1", true), V6("eth0", "fe80::fc:ff:fe00:1"), V6("eth0", "2001:db8::7")},
       "2001:db8::7"},
      {"IPv6 link-local before loopback", {V4("lo", "127.0.0.1", true), V6("eth0", "FE80::1")}, "FE80::1"},
      {"a group that merely starts like link-local", {V6("eth0", "fe8::1"), V6("eth1", "fec0::1")}, "fe8::1"},
      {"an entry without text is passed over", {V4("eth0", ""), V4("lo", "127.0.0.1", true)}, "127.0.0.1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NetInfo::HostAddress(c.addresses), c.chosen) << c.what;
    FakeHostFacts facts;
    facts.addresses = c.addresses;
    NetInfo info(facts);
    info.GetNetInfo();
    EXPECT_EQ(info.IPAddrs(), c.chosen) << c.what;
  }
}

TEST(NetInfo, TheHostLineNamesTheSystemOfItsOsRelease) {
  const fs::path dir = fs::temp_directory_path() / ("k30418-netinfo-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "os-release") << "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
                                       "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n";
  // The first file that names a system counts; one that is missing is passed over.
  const auto facts = HostFacts::WithOsRelease({(dir / "missing").string(), (dir / "os-release").string()});
  NetInfo info(*facts);
  info.GetNetInfo();
  fs::remove_all(dir);

  utsname u{};
  ASSERT_EQ(uname(&u), 0);
  EXPECT_EQ(info.WinVersion(), "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(std::string(u.release).rfind(info.WinBuild(), 0), 0u) << u.release;
  EXPECT_EQ(
      info.AllTextDump().rfind("Debian GNU/Linux 12 (bookworm) kernel " + info.WinBuild() + ", IP Address = ", 0), 0u)
      << info.AllTextDump();

  // Without any os-release the kernel's own system name stands in.
  const auto bare = HostFacts::WithOsRelease({(dir / "missing").string()});
  NetInfo plain(*bare);
  plain.GetNetInfo();
  EXPECT_EQ(plain.WinVersion(), u.sysname);
}

TEST(NetInfo, TheRealMachineFillsEveryField) {
  NetInfo info;
  info.GetNetInfo();
  EXPECT_NE(info.WinVersion(), "Unknown");
  EXPECT_NE(info.WinVersion(), "");
  EXPECT_NE(info.WinBuild(), "");
  EXPECT_NE(info.WorkStation(), "");
  EXPECT_NE(info.NetUser(), "");
  EXPECT_EQ(info.AllTextDump().rfind(info.WinVersion() + " kernel " + info.WinBuild() + ", IP Address = ", 0), 0u)
      << info.AllTextDump();
  // The machine's own interfaces give the address; at least loopback is up.
  EXPECT_NE(info.IPAddrs(), "");
  EXPECT_EQ(info.IPAddrs(), NetInfo::HostAddress(HostFacts::System().InterfaceAddresses()));
}

}  // namespace
