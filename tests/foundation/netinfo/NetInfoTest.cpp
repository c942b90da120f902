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
namespace fs = std::filesystem;

struct FakeHostFacts : HostFacts {
  std::optional<OsVersion> version = OsVersion{HostFacts::kPlatformOther, 6, 1, 7601};
  std::optional<std::string> folder = std::string("/");
  std::optional<std::string> computer = std::string("PLANT-PC");
  std::optional<std::string> user = std::string("operator");
  std::optional<std::string> host = std::string("plant-pc");
  std::vector<std::string> addresses = {"10.0.0.5"};
  mutable std::string askedFor;  // the host name the lookup was given
  bool throwOnUser = false;

  std::optional<OsVersion> Version() const override { return version; }
  std::optional<std::string> SystemFolder() const override { return folder; }
  std::optional<std::string> ComputerName() const override { return computer; }
  std::optional<std::string> UserName() const override {
    if (throwOnUser) throw std::runtime_error("no user database");
    return user;
  }
  std::optional<std::string> HostName() const override { return host; }
  std::vector<std::string> IPv4Addresses(const std::string& name) const override {
    askedFor = name;
    return addresses;
  }
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
      {"Windows NT family", [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{2, 10, 0, 19045}; },
       "Windows NT 10.0.19045, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"Windows 9x family", [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{1, 4, 10, 2222}; },
       "Windows 95/98/Me 4.10.2222, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"any other platform", [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{3, 5, 0, 1}; },
       "Unknown 5.0.1, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"a system that names itself",
       [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{0, 6, 1, 0, "Debian GNU/Linux 12 (bookworm)"}; },
       "Debian GNU/Linux 12 (bookworm) 6.1.0, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"a Windows family keeps its word",
       [](FakeHostFacts& f) { f.version = HostFacts::OsVersion{2, 10, 0, 19045, "Windows 10 Pro"}; },
       "Windows NT 10.0.19045, IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"no version at all", [](FakeHostFacts& f) { f.version.reset(); },
       "Unknown , IP Address = 10.0.0.5, Workstation = PLANT-PC, Network User = operator"},
      {"several adapters: the first address listed",
       [](FakeHostFacts& f) { f.addresses = {"192.168.1.20", "10.0.0.5", "172.16.0.1"}; },
       "Unknown 6.1.7601, IP Address = 192.168.1.20, Workstation = PLANT-PC, Network User = operator"},
      {"a host name that does not resolve", [](FakeHostFacts& f) { f.addresses.clear(); },
       "Unknown 6.1.7601, IP Address = , Workstation = PLANT-PC, Network User = operator"},
      {"no host name", [](FakeHostFacts& f) { f.host.reset(); },
       "Unknown 6.1.7601, IP Address = , Workstation = PLANT-PC, Network User = operator"},
      {"a host name of blanks only", [](FakeHostFacts& f) { f.host = "   "; },
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

TEST(NetInfo, LooksUpTheTrimmedHostName) {
  FakeHostFacts facts;
  facts.host = "  plant-pc  ";
  Summary(facts);
  EXPECT_EQ(facts.askedFor, "plant-pc");
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
  EXPECT_EQ(info.AllTextDump().rfind("Debian GNU/Linux 12 (bookworm) " + info.WinBuild() + ", IP Address = ", 0), 0u)
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
  EXPECT_EQ(info.AllTextDump().rfind(info.WinVersion() + " " + info.WinBuild() + ", IP Address = ", 0), 0u);
}

}  // namespace
