// The systemd unit as an installation gets it: the folder filled in, the program run as its own
// unprivileged account inside systemd's sandbox, no restart on a configuration it cannot use,
// and accepted by systemd-analyze verify.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "app/startup/ExitStatus.h"
#include "platform/xml/FileTestKit.h"

namespace fs = std::filesystem;

namespace {

// Runs a shell command with its output in a file; its exit status and that output.
std::pair<int, std::string> RunCommand(const std::string& command, const fs::path& output) {
  const int status = std::system((command + " >'" + output.string() + "' 2>&1").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(output)};
}

// The unit's settings, name to value (a name met twice keeps its last value).
std::map<std::string, std::string> Settings(const std::string& unit) {
  std::map<std::string, std::string> settings;
  std::istringstream in(unit);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (line.empty() || line[0] == '#' || line[0] == '[' || eq == std::string::npos) continue;
    settings[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return settings;
}

class ServiceUnit : public ::testing::Test {
 protected:
  TestFolder dir_{"k30418-install"};
  const fs::path& prefix_ = dir_.Path();
};

}  // namespace

TEST_F(ServiceUnit, TheInstalledUnitRunsTheProgramSandboxedAndPassesVerify) {
  const auto [installed, installLog] = RunCommand(
      "cmake --install '" K30418_BINARY_DIR "' --prefix '" + prefix_.string() + "'", prefix_ / "install.log");
  ASSERT_EQ(installed, 0) << installLog;
  ASSERT_TRUE(fs::exists(prefix_ / "k30418"));
  const std::string unit = ReadFile(prefix_ / "k30418.service");
  ASSERT_FALSE(unit.empty()) << installLog;
  EXPECT_EQ(unit.find('@'), std::string::npos) << unit;  // every placeholder filled in

  const auto s = Settings(unit);
  const std::string folder = prefix_.string();
  const std::map<std::string, std::string> expected = {
      {"ExecStart", folder + "/k30418 NTSERVICE"},
      {"WorkingDirectory", folder},
      {"User", "k30418"},
      {"Group", "k30418"},
      {"Restart", "on-failure"},
      {"RestartPreventExitStatus", std::to_string(ExitStatus::kUnusableConfiguration)},
      {"ProtectSystem", "strict"},
      {"ReadWritePaths", folder},
      {"ProtectHome", "yes"},
      {"PrivateTmp", "yes"},
      {"NoNewPrivileges", "yes"},
      {"UMask", "0077"},
      {"CapabilityBoundingSet", ""},
  };
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(s.contains(name)) << name;
    EXPECT_EQ(s.at(name), value) << name;
  }

  const auto [verified, verifyLog] =
      RunCommand("systemd-analyze verify '" + (prefix_ / "k30418.service").string() + "'", prefix_ / "verify.log");
  EXPECT_EQ(verified, 0) << verifyLog;
  EXPECT_EQ(verifyLog.find("k30418.service"), std::string::npos) << verifyLog;
}
