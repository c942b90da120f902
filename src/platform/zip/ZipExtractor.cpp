#include "platform/zip/ZipExtractor.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/os/UniqueFd.h"

namespace platform::zip {

namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }  // read only: nothing to write back
};
struct MemberCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Member = std::unique_ptr<zip_file_t, MemberCloser>;
using Result = ZipExtractor::Result;
using Outcome = ZipExtractor::Outcome;

Result Failure(std::string error, std::string member = {}) {
  Result r;
  r.outcome = Outcome::Failed;
  r.member = std::move(member);
  r.error = std::move(error);
  return r;
}

Result OverLimit(const ZipExtractor::Member& m, std::string error) {
  Result r;
  r.outcome = Outcome::OverLimit;
  r.member = m.name;
  r.limit = m.limit;
  r.error = std::move(error);
  return r;
}

using platform::os::UniqueFd;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// The folder names of a path below the base; false when one of them would leave its parent.
bool SplitBelow(const std::string& below, std::vector<std::string>& names) {
  std::stringstream ss(below);
  for (std::string name; std::getline(ss, name, '/');) {
    if (name.empty()) continue;
    if (name == "." || name == "..") return false;
    names.push_back(name);
  }
  return true;
}

// Opens the folder name inside parent, never through a link; with make, a missing one is made.
// -1 with errno set when it cannot (ELOOP or ENOTDIR: a link or a file stands there).
int OpenFolderIn(int parent, const std::string& name, bool make) {
  int fd = ::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW);
  if (fd < 0 && errno == ENOENT && make) {
    if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return -1;
    fd = ::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW);
  }
  return fd;
}

// Writes all of data to fd; false with errno set when the file system refuses.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writes the member at index to target, counting its bytes against the member's limit; on any
// failure the file is removed again.
Result WriteMember(zip_t* archive, zip_int64_t index, const ZipExtractor::Member& m, int folder,
                   const std::string& path) {
  Member member(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
  if (!member) return Failure("cannot read " + m.name + ": " + zip_strerror(archive), m.name);

  // A file of that name is replaced by a new one: whatever stood there (a link included) is
  // unlinked, and the new file is made only when nothing stands in its way.
  const char* name = m.name.c_str();
  if (::unlinkat(folder, name, 0) != 0 && errno != ENOENT)
    return Failure("cannot replace " + path + ": " + std::strerror(errno), m.name);
  const int fd = ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return Failure("cannot write " + path + ": " + std::strerror(errno), m.name);

  Result result;
  result.outcome = Outcome::Extracted;
  char buffer[64 * 1024];
  std::uint64_t written = 0;
  for (;;) {
    const zip_int64_t n = zip_fread(member.get(), buffer, sizeof buffer);
    if (n < 0) {
      result = Failure("cannot read " + m.name + ": " + zip_file_strerror(member.get()), m.name);
      break;
    }
    if (n == 0) break;
    written += static_cast<std::uint64_t>(n);
    if (written > m.limit) {
      result = OverLimit(m, m.name + " holds more than its limit of " + std::to_string(m.limit) + " bytes");
      break;
    }
    if (!WriteAll(fd, buffer, static_cast<std::size_t>(n))) {
      result = Failure("cannot write " + path + ": " + std::strerror(errno), m.name);
      break;
    }
  }
  if (::close(fd) != 0 && result.ok()) result = Failure("cannot write " + path + ": " + std::strerror(errno), m.name);
  if (!result.ok()) (void)::unlinkat(folder, name, 0);
  return result;
}

// The index of the one entry that answers to name (its file name, ignoring case and folder);
// -1 when there is none, -2 when there are more.
zip_int64_t Locate(zip_t* archive, const std::string& name) {
  zip_int64_t found = -1;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* entry = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
    if (!entry) continue;
    const char* slash = std::strrchr(entry, '/');
    if (::strcasecmp(slash ? slash + 1 : entry, name.c_str()) != 0) continue;
    if (found >= 0) return -2;
    found = i;
  }
  return found;
}

}  // namespace

ZipExtractor::Result ZipExtractor::ExtractMembers(const std::string& archivePath, const std::vector<Member>& members,
                                                  const std::string& base, const std::string& below) {
  std::vector<std::string> folders;
  if (!SplitBelow(below, folders)) return Failure("the folder " + below + " leaves " + base);

  int code = 0;
  Archive archive(zip_open(archivePath.c_str(), ZIP_RDONLY, &code));
  if (!archive) {
    zip_error_t reason;
    zip_error_init_with_code(&reason, code);
    Result r = Failure("cannot open " + archivePath + ": " + zip_error_strerror(&reason));
    zip_error_fini(&reason);
    return r;
  }

  // Every member is looked up and its declared size weighed before anything is written, so a
  // package that lacks one, holds one twice or declares too much leaves the folder as it was.
  std::vector<zip_int64_t> indexes;
  std::uint64_t needed = 0;
  for (const Member& m : members) {
    const zip_int64_t index = Locate(archive.get(), m.name);
    if (index == -2) {
      Result r;
      r.outcome = Outcome::Duplicate;
      r.member = m.name;
      r.error = "the archive " + archivePath + " holds more than one member " + m.name;
      return r;
    }
    if (index < 0) return Failure("the archive " + archivePath + " holds no member " + m.name, m.name);
    zip_stat_t st;
    zip_stat_init(&st);
    const bool sized =
        zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) != 0;
    if (sized && st.size > m.limit)
      return OverLimit(m, m.name + " declares " + std::to_string(st.size) + " bytes, more than its limit of " +
                              std::to_string(m.limit));
    needed += sized ? st.size : m.limit;  // a member of unknown size may take up to its limit
    indexes.push_back(index);
  }

  // The base as the caller names it; below it, folder by folder, never through a link.
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  if (ec) return Failure("cannot make the folder " + base + ": " + ec.message());
  UniqueFd folderFd(::open(base.c_str(), kFolderFlags));
  if (!folderFd) return Failure("cannot open the folder " + base + ": " + std::strerror(errno));
  std::string folder = base;
  for (const std::string& name : folders) {
    folder = (std::filesystem::path(folder) / name).string();
    UniqueFd next(OpenFolderIn(folderFd.get(), name, true));
    if (!next) {
      if (errno != ELOOP && errno != ENOTDIR)
        return Failure("cannot make the folder " + folder + ": " + std::strerror(errno));
      Result r;
      r.outcome = Outcome::NotAFolder;
      r.folder = folder;
      r.error = folder + " is a link or a file, not a folder";
      return r;
    }
    folderFd = std::move(next);
  }
  struct statvfs fsInfo;
  if (::fstatvfs(folderFd.get(), &fsInfo) != 0)
    return Failure("cannot read the free space of " + folder + ": " + std::strerror(errno));
  const std::uint64_t available = static_cast<std::uint64_t>(fsInfo.f_bavail) * fsInfo.f_frsize;
  if (needed > available) {
    Result r;
    r.outcome = Outcome::NoSpace;
    r.needed = needed;
    r.available = available;
    r.error = "the members need " + std::to_string(needed) + " bytes, " + folder + " has " + std::to_string(available) +
              " bytes free";
    return r;
  }

  for (std::size_t i = 0; i < members.size(); ++i) {
    Result r = WriteMember(archive.get(), indexes[i], members[i], folderFd.get(),
                           (std::filesystem::path(folder) / members[i].name).string());
    if (!r.ok()) return r;
  }
  Result done;
  done.outcome = Outcome::Extracted;
  return done;
}

void ZipExtractor::RemoveExtracted(const std::string& base, const std::string& below,
                                   const std::vector<std::string>& names, int folderLevels) {
  std::vector<std::string> folders;
  if (!SplitBelow(below, folders)) return;
  // chain[i] is the folder that holds folders[i]; the last one reached is at the back.
  std::vector<UniqueFd> chain;
  chain.emplace_back(::open(base.c_str(), kFolderFlags));
  if (!chain.back()) return;
  for (const std::string& name : folders) {
    UniqueFd next(OpenFolderIn(chain.back().get(), name, false));
    if (!next) break;
    chain.push_back(std::move(next));
  }
  const std::size_t reached = chain.size() - 1;  // folders of below opened
  if (reached == folders.size())
    for (const std::string& name : names) (void)::unlinkat(chain.back().get(), name.c_str(), 0);
  const std::size_t first = folders.size() - std::min<std::size_t>(folders.size(), std::max(folderLevels, 0));
  for (std::size_t i = reached; i > first; --i) {
    chain.pop_back();  // closes folders[i - 1] before it goes
    if (::unlinkat(chain.back().get(), folders[i - 1].c_str(), AT_REMOVEDIR) != 0) break;
  }
}

}  // namespace platform::zip
