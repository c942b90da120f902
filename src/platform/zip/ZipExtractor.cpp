#include "platform/zip/ZipExtractor.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

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
Result WriteMember(zip_t* archive, zip_int64_t index, const ZipExtractor::Member& m,
                   const std::filesystem::path& target) {
  Member member(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
  if (!member) return Failure("cannot read " + m.name + ": " + zip_strerror(archive), m.name);

  // A file of that name is replaced by a new one: whatever stood there (a link included) is
  // unlinked, and the new file is made only when nothing stands in its way.
  const std::string path = target.string();
  if (::unlink(path.c_str()) != 0 && errno != ENOENT)
    return Failure("cannot replace " + path + ": " + std::strerror(errno), m.name);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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
  if (!result.ok()) (void)::unlink(path.c_str());
  return result;
}

}  // namespace

ZipExtractor::Result ZipExtractor::ExtractMembers(const std::string& archivePath, const std::vector<Member>& members,
                                                  const std::string& folder) {
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
  // package that lacks one or declares too much leaves the folder as it was.
  std::vector<zip_int64_t> indexes;
  std::uint64_t needed = 0;
  for (const Member& m : members) {
    const zip_int64_t index = zip_name_locate(archive.get(), m.name.c_str(), ZIP_FL_NOCASE | ZIP_FL_NODIR);
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

  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return Failure("cannot make the folder " + folder + ": " + ec.message());
  struct statvfs fsInfo;
  if (::statvfs(folder.c_str(), &fsInfo) != 0)
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
    Result r = WriteMember(archive.get(), indexes[i], members[i], std::filesystem::path(folder) / members[i].name);
    if (!r.ok()) return r;
  }
  Result done;
  done.outcome = Outcome::Extracted;
  return done;
}

}  // namespace platform::zip
