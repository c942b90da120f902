#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform::os {

// Owns a file descriptor and closes it when it goes, keeping errno as the call before left it
// (the code that matters is the one of the failure being reported, not of the close).
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ < 0) return;
    const int saved = errno;
    ::close(fd_);
    errno = saved;
  }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Hands the descriptor over: it is no longer closed here.
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace platform::os
