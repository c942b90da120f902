// The real machine's facts: kernel version, names, the user and the interfaces' addresses.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/os/HostFacts.h"

namespace {

using platform::os::HostFacts;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(HostFacts, VersionIsTheKernelReleaseOnAPlatformThatIsNotWindows) {
  utsname u{};
  ASSERT_EQ(uname(&u), 0);
  auto v = HostFacts::System().Version();
  ASSERT_TRUE(v);
  EXPECT_EQ(v->platformId, HostFacts::kPlatformOther);
  const std::string release = u.release;
  EXPECT_EQ(
      release.rfind(std::to_string(v->major) + "." + std::to_string(v->minor) + "." + std::to_string(v->build), 0), 0u)
      << release;
}

TEST(HostFacts, SystemNameFromAnOsReleaseFile) {
  const std::string dir = testing::TempDir() + "k30418-os-release-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  struct Case {
    const char* what;
    const char* text;
    const char* name;
  } cases[] = {
      {"the pretty name", "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
       "Debian GNU/Linux 12 (bookworm)"},
      {"name and version id without a pretty name", "# comment\nNAME=Fedora\nVERSION_ID=40\nVERSION=\"40 (Server)\"\n",
       "Fedora 40"},
      {"name and version", "NAME='Slackware'\nVERSION=\"15.0\"\n", "Slackware 15.0"},
      {"quotes, escapes and line ends", "PRETTY_NAME=\"Plant \\\"OS\\\" 1\"\r\n", "Plant \"OS\" 1"},
      {"a name without release", "NAME=Alpine\n", "Alpine"},
      {"nothing that names it", "ID=debian\n", ""},
  };
  for (const Case& c : cases) {
    const std::string path = dir + "/os-release";
    std::ofstream(path) << c.text;
    EXPECT_EQ(HostFacts::OsReleaseName(path), c.name) << c.what;
  }
  EXPECT_EQ(HostFacts::OsReleaseName(dir + "/missing"), "");
  std::filesystem::remove_all(dir);
}

TEST(HostFacts, TheRealSystemIsNamed) {
  auto v = HostFacts::System().Version();
  ASSERT_TRUE(v);
  std::string expected = HostFacts::OsReleaseName("/etc/os-release");
  if (expected.empty()) expected = HostFacts::OsReleaseName("/usr/lib/os-release");
  if (expected.empty()) {
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    expected = u.sysname;
  }
  EXPECT_EQ(v->systemName, expected);
}

TEST(HostFacts, ComputerName) {
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(HostFacts::System().ComputerName().value_or("?"), host);
}

TEST(HostFacts, UserFromTheEnvironmentElseTheAccount) {
  {
    ScopedEnv user("USER", "night-shift");
    EXPECT_EQ(HostFacts::System().UserName().value_or(""), "night-shift");
  }
  {
    ScopedEnv user("USER", nullptr);
    ScopedEnv logname("LOGNAME", "day-shift");
    EXPECT_EQ(HostFacts::System().UserName().value_or(""), "day-shift");
  }
  {
    ScopedEnv user("USER", "");
    ScopedEnv logname("LOGNAME", nullptr);
    auto name = HostFacts::System().UserName();
    ASSERT_TRUE(name);
    EXPECT_FALSE(name->empty());
  }
}

TEST(HostFacts, TheInterfacesAddresses) {
  const auto addresses = HostFacts::System().InterfaceAddresses();
  bool loopback = false;
  for (const auto& a : addresses) {
    const bool v4 = a.family == HostFacts::InterfaceAddress::Family::kIPv4;
    unsigned char bytes[sizeof(in6_addr)] = {};
    EXPECT_EQ(inet_pton(v4 ? AF_INET : AF_INET6, a.address.c_str(), bytes), 1) << a.interfaceName << " " << a.address;
    EXPECT_FALSE(a.interfaceName.empty()) << a.address;
    if (a.loopback) loopback = loopback || a.address == "127.0.0.1" || a.address == "::1";
  }
  EXPECT_TRUE(loopback) << "the loopback interface is up wherever the tests run";
}

}  // namespace
