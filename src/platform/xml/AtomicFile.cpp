#include "platform/xml/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace platform::xml {

namespace {

std::string ErrnoText(int e) { return std::strerror(e); }

// Closes the descriptor and removes the temporary file unless it was renamed.
class TempFile {
 public:
  TempFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~TempFile() {
    // Removed while still locked, then closed.
    if (!kept_) ::unlink(path_.c_str());
    if (fd_ >= 0) ::close(fd_);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  void Close() {
    ::close(fd_);
    fd_ = -1;
  }
  void Keep() { kept_ = true; }

 private:
  int fd_;
  std::string path_;
  bool kept_ = false;
};

// The file that is really replaced: a link is followed, so that the link stays.
std::string Target(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    auto resolved = std::filesystem::canonical(path, ec);
    if (!ec) return resolved.string();
  }
  return path;
}

}  // namespace

bool AtomicFile::Write(const std::string& path, std::string_view content, std::string& error, mode_t mode, Link link) {
  if (path.empty()) {
    error = "No file name was given";
    return false;
  }
  const bool follow = link == Link::Follow;
  const std::string target = follow ? Target(path) : path;

  std::string pattern = target + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    error = "Unable to create a temporary file beside " + target + ": " + ErrnoText(errno);
    return false;
  }
  TempFile temp(fd, name.data());

  // A file of secrets (passwords) stays readable by its owner only, as mkstemp
  // made it, whatever the mode of the file it replaces. The owner stays the old
  // file's where that is allowed (a privileged process saving a file of the
  // service's account).
  ::fchmod(fd, mode);
  struct stat old {};
  const int found = follow ? ::stat(target.c_str(), &old) : ::lstat(target.c_str(), &old);
  if (found == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Only a privileged process may hand a file to another owner.
  }
  // Held while the temporary is written, so that a clean-up at start-up can tell
  // a save in progress from the leftover of a crashed one.
  (void)::flock(fd, LOCK_EX);

  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "Unable to write " + temp.path() + ": " + ErrnoText(errno);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    error = "Unable to write " + temp.path() + " to disk: " + ErrnoText(errno);
    return false;
  }
  // Renamed while still open and locked: there is no moment in which the
  // finished temporary looks abandoned.
  if (::rename(temp.path().c_str(), target.c_str()) != 0) {
    error = "Unable to replace " + target + ": " + ErrnoText(errno);
    return false;
  }
  temp.Keep();
  temp.Close();  // the content reached the disk with the fsync above

  // Make the rename itself durable; the new file is in place either way.
  std::string folder = std::filesystem::path(target).parent_path().string();
  if (folder.empty()) folder = ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool AtomicFile::IsTemporaryOf(std::string_view fileName, std::string_view targetFileName) {
  // target + "." + the six letters or digits mkstemp put in place of "XXXXXX".
  constexpr std::size_t kSuffix = 6;
  if (targetFileName.empty() || fileName.size() != targetFileName.size() + 1 + kSuffix) return false;
  if (fileName.substr(0, targetFileName.size()) != targetFileName || fileName[targetFileName.size()] != '.')
    return false;
  const std::string_view suffix = fileName.substr(targetFileName.size() + 1);
  return std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

bool AtomicFile::InUse(const std::string& temporaryPath) {
  const int fd = ::open(temporaryPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // also lets go of the lock taken for the test
  return held;
}

}  // namespace platform::xml
