#include "platform/os/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/os/StopRequest.h"
#include "platform/os/UniqueFd.h"

namespace platform::os {

namespace {

RegularFileRead Failed(RegularFileRead::Step step, int error) {
  RegularFileRead r;
  r.outcome = RegularFileRead::Outcome::Failed;
  r.step = step;
  r.error = error;
  return r;
}

RegularFileRead NotAFile(mode_t mode) {
  RegularFileRead r;
  r.outcome = RegularFileRead::Outcome::NotAFile;
  r.mode = mode;
  return r;
}

RegularFileRead TooLarge(std::uint64_t size) {
  RegularFileRead r;
  r.outcome = RegularFileRead::Outcome::TooLarge;
  r.size = size;
  return r;
}

}  // namespace

RegularFileRead ReadRegularFile(const std::string& path, LinkAtName link, std::uint64_t largest, bool stoppable) {
  using Step = RegularFileRead::Step;
  const bool follow = link == LinkAtName::Follow;
  struct stat st {};
  if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      RegularFileRead r;
      r.outcome = RegularFileRead::Outcome::Missing;
      return r;
    }
    return Failed(Step::LookedAt, errno);
  }
  if (!S_ISREG(st.st_mode)) return NotAFile(st.st_mode);

  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW)));
  if (!fd) {
    if (errno == ELOOP && !follow) return NotAFile(S_IFLNK);
    if (errno == ENOENT) {
      RegularFileRead r;
      r.outcome = RegularFileRead::Outcome::Missing;
      return r;
    }
    return Failed(Step::Opened, errno);
  }
  if (::fstat(fd.get(), &st) != 0) return Failed(Step::LookedAt, errno);
  if (!S_ISREG(st.st_mode)) return NotAFile(st.st_mode);
  const std::uint64_t announced = static_cast<std::uint64_t>(st.st_size);
  if (announced > largest) return TooLarge(announced);

  // Room for what the file holds now; it grows, up to one byte past the limit, when the file does.
  RegularFileRead read;
  std::string& whole = read.content;
  const std::uint64_t room = std::min(announced, largest) + 1;
  whole.resize(static_cast<std::size_t>(room));
  std::size_t size = 0;
  for (;;) {
    if (stoppable && StopRequested()) {
      read.content.clear();
      read.outcome = RegularFileRead::Outcome::Stopped;
      return read;
    }
    if (size == whole.size())
      whole.resize(static_cast<std::size_t>(std::min<std::uint64_t>(whole.size() * 2, largest + 1)));
    const ssize_t n = ::read(fd.get(), whole.data() + size, std::min<std::size_t>(whole.size() - size, 1u << 20));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed(Step::Read, errno);
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
    if (size > largest) return TooLarge(size);
  }
  whole.resize(size);
  return read;
}

}  // namespace platform::os
