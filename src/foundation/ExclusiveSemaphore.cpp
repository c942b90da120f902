#include "foundation/ExclusiveSemaphore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "core/RuntimeError.h"
#include "foundation/ProgramContext.h"
#include "platform/os/UniqueFd.h"

namespace {

// A title may hold characters that cannot stand in a file name.
std::string FileNameOf(const std::string& name) {
  std::string out = name;
  for (char& c : out)
    if (c == '/' || c == '\0') c = '_';
  return out;
}

// A descriptor of the lock file, made when missing; -1 with errno set when it cannot be had.
// The lock file is a file of its folder: a symbolic link in its place is never followed (ELOOP),
// so that nothing is opened, or made, where it points.
int OpenLockFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  // Another user's file in a shared folder, or one on a read-only disk, can still be locked
  // through a read-only descriptor. When there is none to open, the reason is the first
  // refusal, not the missing file.
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    const int refused = errno;
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) errno = refused;
  }
  return fd;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int Flock(int fd, int operation) {
  int rc;
  do {
    rc = ::flock(fd, operation);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

}  // namespace

ExclusiveSemaphore::ExclusiveSemaphore() : ExclusiveSemaphore(Program().app.Title, RuntimeFolder()) {}

ExclusiveSemaphore::ExclusiveSemaphore(std::string name, std::string folder, Anchor anchor)
    : path_((std::filesystem::path(folder) / (FileNameOf(name) + ".lock")).string()),
      folder_(std::move(folder)),
      anchor_(anchor) {}

ExclusiveSemaphore::~ExclusiveSemaphore() {
  if (fd_ >= 0) ::close(fd_);
  if (anchorFd_ >= 0) ::close(anchorFd_);
}

ExclusiveSemaphore::ExclusiveSemaphore(ExclusiveSemaphore&& other) noexcept
    : path_(std::move(other.path_)),
      folder_(std::move(other.folder_)),
      anchor_(other.anchor_),
      fd_(std::exchange(other.fd_, -1)),
      anchorFd_(std::exchange(other.anchorFd_, -1)),
      owner_(std::exchange(other.owner_, false)),
      fileProblem_(std::move(other.fileProblem_)) {}

ExclusiveSemaphore& ExclusiveSemaphore::operator=(ExclusiveSemaphore&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    if (anchorFd_ >= 0) ::close(anchorFd_);
    path_ = std::move(other.path_);
    folder_ = std::move(other.folder_);
    anchor_ = other.anchor_;
    fd_ = std::exchange(other.fd_, -1);
    anchorFd_ = std::exchange(other.anchorFd_, -1);
    owner_ = std::exchange(other.owner_, false);
    fileProblem_ = std::move(other.fileProblem_);
  }
  return *this;
}

bool ExclusiveSemaphore::GetExclusiveLock() {
  static constexpr const char* kSource = "ExclSem.GetExclusiveLock";
  if (fd_ >= 0) return owner_;

  // Askers take turns on the guard for the moment of the test, so the exclusive try and the
  // change to shared cannot interleave with another asker's.
  const int guardFd = OpenLockFile(path_ + ".guard");
  if (guardFd < 0) return LockFolderAlone(errno, path_ + ".guard", kSource);
  platform::os::UniqueFd guard(guardFd);  // closing it ends the turn
  if (Flock(guardFd, LOCK_EX) != 0) RaiseSystemError(errno, kSource);

  const int fd = OpenLockFile(path_);
  if (fd < 0) return LockFolderAlone(errno, path_, kSource);
  platform::os::UniqueFd lockOpen(fd);

  bool owner = false;
  if (Flock(fd, LOCK_EX | LOCK_NB) == 0) {
    owner = HoldAnchor(kSource);  // nobody else has the name open, unless its files are new
  } else if (errno != EWOULDBLOCK) {
    RaiseSystemError(errno, kSource);
  }
  // Everyone who has the name open, holder or not, keeps a shared lock on it.
  if (Flock(fd, LOCK_SH | LOCK_NB) != 0) RaiseSystemError(errno, kSource);

  fd_ = lockOpen.Release();
  owner_ = owner;
  return owner_;
}

bool ExclusiveSemaphore::HoldAnchor(const char* source) {
  if (anchor_ != Anchor::Folder) return true;
  const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) RaiseSystemError(errno, source);
  platform::os::UniqueFd folderOpen(fd);
  if (Flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return false;  // a holder whose files were deleted
    RaiseSystemError(errno, source);
  }
  anchorFd_ = folderOpen.Release();
  return true;
}

bool ExclusiveSemaphore::LockFolderAlone(int code, const std::string& file, const char* source) {
  if (anchor_ != Anchor::Folder) RaiseSystemError(code, source);
  // The folder's lock is the one every anchored asker takes, with or without the files: on
  // its own it still keeps a second holder out. Taking it is one step, so no guard is needed.
  const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) RaiseSystemError(errno, source);
  platform::os::UniqueFd folderOpen(fd);
  bool owner = true;
  if (Flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) RaiseSystemError(errno, source);
    owner = false;
  }
  fileProblem_ = code == ELOOP && IsSymbolicLink(file)
                     ? "the lock file " + file + " is a symbolic link, which the lock never follows; remove the link"
                     : "the lock file " + file + " cannot be made: " + SystemErrorText(code);
  fd_ = folderOpen.Release();
  owner_ = owner;
  return owner_;
}

void ExclusiveSemaphore::ReleaseLock() {
  if (fd_ < 0) return;
  // Linux frees the descriptor even when close reports an error, so it is never closed twice.
  const int fd = std::exchange(fd_, -1);
  owner_ = false;
  fileProblem_.clear();
  if (anchorFd_ >= 0) ::close(std::exchange(anchorFd_, -1));
  if (::close(fd) != 0) RaiseSystemError(errno, "ExclSem.ReleaseLock");
}

std::string ExclusiveSemaphore::SystemErrorText(int code) {
  char buffer[1024];
  const char* text = ::strerror_r(code, buffer, sizeof buffer);
  // glibc answers codes it does not know with "Unknown error <code>".
  if (text == nullptr || *text == '\0' || std::strncmp(text, "Unknown error", 13) == 0)
    return "Error (" + std::to_string(code) + ") not defined.";
  return text;
}

std::string ExclusiveSemaphore::RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  if (runtime && *runtime && std::filesystem::is_directory(runtime, ec)) return runtime;
  return std::filesystem::temp_directory_path(ec).string();
}

void ExclusiveSemaphore::RaiseSystemError(int code, const char* source) {
  throw core::RuntimeError(kErrorBase + code, SystemErrorText(code), source);
}
