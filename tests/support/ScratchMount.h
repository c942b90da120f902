#pragma once

// A file system of a test's own: a small tmpfs (to fill up) or a read-only view of a folder,
// mounted under a fresh temporary folder and always unmounted when the object goes, so tests
// that use one run side by side. Mounting needs root (CAP_SYS_ADMIN): without it Ok() is false
// and Why() says why, for GTEST_SKIP.

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

class ScratchMount {
 public:
  // A tmpfs of the given size in bytes.
  static ScratchMount Tmpfs(std::size_t bytes) {
    ScratchMount m;
    if (!m.MakeFolders()) return m;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", m.point_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      m.Fail("mount tmpfs");
      return m;
    }
    m.mounted_ = true;
    return m;
  }
  // The folder source, seen read-only at Path() (a bind mount made read-only).
  static ScratchMount ReadOnlyView(const std::filesystem::path& source) {
    ScratchMount m;
    if (!m.MakeFolders()) return m;
    if (::mount(source.c_str(), m.point_.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      m.Fail("bind mount");
      return m;
    }
    m.mounted_ = true;
    if (::mount(nullptr, m.point_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
      {
      m.Fail("remount read-only");
      return m;
    }
    return m;
  }

  ScratchMount(ScratchMount&& other) noexcept
      : root_(std::move(other.root_)), point_(std::move(other.point_)), why_(std::move(other.why_)),
        mounted_(other.mounted_) {
    other.mounted_ = false;
    other.root_.clear();
  }
  ScratchMount& operator=(ScratchMount&&) = delete;
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;
  ~ScratchMount() {
    if (mounted_) ::umount2(point_.c_str(), MNT_DETACH);
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }

  bool Ok() const { return why_.empty(); }
  const std::string& Why() const { return why_; }
  const std::filesystem::path& Path() const { return point_; }

  // Fills the file system to its last byte with one file (filler); false when it could not.
  bool Fill(const std::string& filler = ".filler") const {
    const int fd = ::open((point_ / filler).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const std::string block(64 * 1024, 'f');
    for (std::size_t size = block.size(); size > 0;)
      if (::write(fd, block.data(), size) < 0) size /= 2;  // the last pieces down to a byte
    ::close(fd);
    return std::filesystem::space(point_).available == 0;
  }
  void Free(const std::string& filler = ".filler") const { std::filesystem::remove(point_ / filler); }

 private:
  ScratchMount() = default;
  bool MakeFolders() {
    std::string templ = (std::filesystem::temp_directory_path() / "k30418-mount-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
      why_ = std::string("mkdtemp: ") + std::strerror(errno);
      return false;
    }
    root_ = templ;
    point_ = root_ / "mnt";
    std::filesystem::create_directory(point_);
    return true;
  }
  void Fail(const char* what) { why_ = std::string(what) + ": " + std::strerror(errno) + " (mounting needs root)"; }

  std::filesystem::path root_, point_;
  std::string why_;
  bool mounted_ = false;
};

}  // namespace testsupport
