#include "platform/zip/ZipExtractor.h"

#include <zip.h>

#include <filesystem>
#include <fstream>
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

std::string ArchiveError(zip_t* archive) { return zip_strerror(archive); }

bool WriteMember(zip_t* archive, zip_int64_t index, const std::string& name, const std::filesystem::path& target,
                 std::string& error) {
  Member member(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
  if (!member) {
    error = "cannot read " + name + ": " + ArchiveError(archive);
    return false;
  }
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "cannot write " + target.string();
    return false;
  }
  char buffer[64 * 1024];
  for (;;) {
    const zip_int64_t n = zip_fread(member.get(), buffer, sizeof buffer);
    if (n < 0) {
      error = "cannot read " + name + ": " + zip_file_strerror(member.get());
      return false;
    }
    if (n == 0) break;
    out.write(buffer, n);
  }
  out.close();
  if (!out) {
    error = "cannot write " + target.string();
    return false;
  }
  return true;
}

}  // namespace

bool ZipExtractor::ExtractMembers(const std::string& archivePath, const std::vector<std::string>& names,
                                  const std::string& folder, std::string& error) {
  int code = 0;
  Archive archive(zip_open(archivePath.c_str(), ZIP_RDONLY, &code));
  if (!archive) {
    zip_error_t reason;
    zip_error_init_with_code(&reason, code);
    error = "cannot open " + archivePath + ": " + zip_error_strerror(&reason);
    zip_error_fini(&reason);
    return false;
  }

  // Every member is looked up before anything is written, so a package that lacks one leaves
  // the folder as it was.
  std::vector<zip_int64_t> indexes;
  for (const std::string& name : names) {
    const zip_int64_t index = zip_name_locate(archive.get(), name.c_str(), ZIP_FL_NOCASE | ZIP_FL_NODIR);
    if (index < 0) {
      error = "the archive " + archivePath + " holds no member " + name;
      return false;
    }
    indexes.push_back(index);
  }

  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = "cannot make the folder " + folder + ": " + ec.message();
    return false;
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!WriteMember(archive.get(), indexes[i], names[i], std::filesystem::path(folder) / names[i], error))
      return false;
  }
  return true;
}

}  // namespace platform::zip
