#pragma once

// A copy of the built program started in a folder of its own, as the service host (or a user)
// starts it, for the tests that run the whole program.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/xml/FileTestKit.h"

namespace testsupport {

// One started program (<folder>/k30418 with args, run in folder); killed (and reaped) when the object goes, unless it
// has ended already.
class Process {
 public:
  // What the program writes on stderr goes to the file errors.
  Process(const std::filesystem::path& folder, const std::vector<std::string>& args, bool offscreen,
          const std::filesystem::path& errors)
      : errors_(errors) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (err < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    // A service chooses off-screen by itself; the desktop program is told to.
    if (offscreen)
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else
      ::unsetenv("QT_QPA_PLATFORM");
    std::vector<char*> argv;
    const std::string exe = (folder / "k30418").string();
    argv.push_back(const_cast<char*>("k30418"));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  ~Process() {
    if (pid_ <= 0 || ended_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Running() {
    Poll();
    return pid_ > 0 && !ended_;
  }
  void Signal(int signalNumber) {
    if (Running()) ::kill(pid_, signalNumber);
  }
  // What the program wrote on stderr so far.
  std::string Errors() const { return ReadFile(errors_); }
  // The wait status once the process has ended within the time; nothing when it still runs.
  std::optional<int> WaitForEnd(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (Running() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Running()) return std::nullopt;
    return status_;
  }

 private:
  void Poll() {
    if (pid_ <= 0 || ended_) return;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
  }

  std::filesystem::path errors_;
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = 0;
};

// "exited with status 0", "killed by signal 15": a wait status as a test message says it.
inline std::string Describe(int status) {
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  return "wait status " + std::to_string(status);
}

}  // namespace testsupport
