// The real machine's facts: kernel version, names, the user and the resolver's addresses.
#include <gtest/gtest.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
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

TEST(HostFacts, ComputerAndHostName) {
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(HostFacts::System().HostName().value_or("?"), host);
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

TEST(HostFacts, AddressesInTheResolversOrder) {
  const HostFacts& facts = HostFacts::System();
  struct Case {
    const char* host;
    std::vector<std::string> addresses;
  } cases[] = {
      {"10.1.2.3", {"10.1.2.3"}},
      {"", {}},
      {"no-such-host.invalid", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(facts.IPv4Addresses(c.host), c.addresses) << c.host;
  auto local = facts.IPv4Addresses("localhost");
  ASSERT_FALSE(local.empty());
  EXPECT_EQ(local.front().rfind("127.", 0), 0u);
  for (const std::string& a : facts.IPv4Addresses(facts.HostName().value_or("")))
    EXPECT_EQ(std::count(a.begin(), a.end(), '.'), 3) << a;
}

}  // namespace
