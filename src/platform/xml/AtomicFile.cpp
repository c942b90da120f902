#include "platform/xml/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
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

bool AtomicFile::Write(const std::string& path, std::string_view content, std::string& error) {
  if (path.empty()) {
    error = "No file name was given";
    return false;
  }
  const std::string target = Target(path);

  std::string pattern = target + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error = "Unable to create a temporary file beside " + target + ": " + ErrnoText(errno);
    return false;
  }
  TempFile temp(fd, name.data());

  // mkstemp makes the file private; give it the old file's rights (and owner,
  // where allowed), or those of any new file.
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only a privileged process may hand a file to another owner.
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }

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
  if (!temp.Close()) {
    error = "Unable to close " + temp.path() + ": " + ErrnoText(errno);
    return false;
  }
  if (::rename(temp.path().c_str(), target.c_str()) != 0) {
    error = "Unable to replace " + target + ": " + ErrnoText(errno);
    return false;
  }
  temp.Keep();

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

}  // namespace platform::xml
