// Extraction of named members from a zip archive built in the test, within the caller's limits.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "foundation/commonglobals/TempFolder.h"
#include "platform/zip/ZipBuilder.h"
#include "platform/zip/ZipExtractor.h"

using platform::zip::ZipExtractor;
using Outcome = ZipExtractor::Outcome;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

// The members under names, none limited.
std::vector<ZipExtractor::Member> Unlimited(std::initializer_list<const char*> names) {
  std::vector<ZipExtractor::Member> members;
  for (const char* n : names) members.push_back({n, kNoLimit});
  return members;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class ZipExtraction : public ::testing::Test {
 protected:
  void SetUp() override {
    archive_ = (dir_.Path() / "package.zip").string();
    ASSERT_TRUE(ZipBuilder()
                    .Add("collector", "12,\"x\"\r\n")
                    .Add("payload/Help.CHM", binary_)
                    .Add("version", "1.0.8")
                    .Write(archive_));
  }

  ZipExtractor::Result Extract(const std::vector<ZipExtractor::Member>& members, const fs::path& out) {
    return ZipExtractor::ExtractMembers(archive_, members, out.string());
  }

  const std::string binary_ = std::string("MZ\0\x01\xff\xfe end", 10);
  TempFolder dir_;
  std::string archive_;
};

}  // namespace

TEST_F(ZipExtraction, OnlyTheNamedMembersAreWrittenByteForByte) {
  const fs::path out = dir_.Path() / "out";
  ASSERT_TRUE(Extract(Unlimited({"collector"}), out).ok());
  EXPECT_EQ(ReadBytes(out / "collector"), "12,\"x\"\r\n");
  EXPECT_FALSE(fs::exists(out / "version"));
}

TEST_F(ZipExtraction, MembersAreFoundIgnoringCaseAndFolderAndWrittenUnderTheAskedName) {
  const fs::path out = dir_.Path() / "a" / "b";  // made on the way
  ASSERT_TRUE(Extract(Unlimited({"help.chm", "VERSION"}), out).ok());
  EXPECT_EQ(ReadBytes(out / "help.chm"), binary_);
  EXPECT_EQ(ReadBytes(out / "VERSION"), "1.0.8");
}

TEST_F(ZipExtraction, AFileOfTheSameNameIsReplaced) {
  dir_.Write("out/version", "a much longer text that must not survive");
  ASSERT_TRUE(Extract(Unlimited({"version"}), dir_.Path() / "out").ok());
  EXPECT_EQ(ReadBytes(dir_.Path() / "out" / "version"), "1.0.8");
}

TEST_F(ZipExtraction, AMissingMemberWritesNothingAndIsNamed) {
  const fs::path out = dir_.Path() / "out";
  const ZipExtractor::Result r = Extract(Unlimited({"collector", "Browser.exe"}), out);
  EXPECT_EQ(r.outcome, Outcome::Failed);
  EXPECT_EQ(r.member, "Browser.exe");
  EXPECT_NE(r.error.find("Browser.exe"), std::string::npos) << r.error;
  EXPECT_FALSE(fs::exists(out / "collector"));
}

TEST_F(ZipExtraction, ArchivesThatCannotBeOpenedFail) {
  dir_.Write("not-a.zip", "plain text");
  for (const std::string& path : {(dir_.Path() / "not-a.zip").string(), (dir_.Path() / "none.zip").string()}) {
    const ZipExtractor::Result r = ZipExtractor::ExtractMembers(path, Unlimited({"collector"}), dir_.Str());
    EXPECT_EQ(r.outcome, Outcome::Failed) << path;
    EXPECT_NE(r.error.find(path), std::string::npos) << r.error;
  }
}

TEST_F(ZipExtraction, ALinkWhereAMemberGoesIsReplacedAndWhatItPointsAtIsLeftAlone) {
  dir_.Write("outside", "keep me");
  const fs::path out = dir_.Path() / "out";
  fs::create_directories(out);
  fs::create_symlink(dir_.Path() / "outside", out / "version");
  ASSERT_TRUE(Extract(Unlimited({"version"}), out).ok());
  EXPECT_FALSE(fs::is_symlink(out / "version"));
  EXPECT_EQ(ReadBytes(out / "version"), "1.0.8");
  EXPECT_EQ(ReadBytes(dir_.Path() / "outside"), "keep me");
}

// Members against their limits: the declared size is weighed first, and the bytes themselves
// are counted as they are written, so a member that lies about its size stops at its limit.
TEST_F(ZipExtraction, AMemberOverItsLimitIsRefusedWhateverItDeclares) {
  const std::string zeros(300000, '\0');
  const struct {
    const char* what;
    std::uint32_t declared;  // 0: the true size
    std::uint64_t limit;
    Outcome outcome;
  } cases[] = {
      {"exactly at the limit", 0, zeros.size(), Outcome::Extracted},
      {"declared over the limit", 0, zeros.size() - 1, Outcome::OverLimit},
      {"declared small, its bytes over the limit", 100, 200000, Outcome::OverLimit},
      {"declared small, its bytes within the limit", 100, zeros.size(), Outcome::Extracted},
  };
  for (const auto& c : cases) {
    TempFolder dir;
    const std::string archive = (dir.Path() / "bomb.zip").string();
    ASSERT_TRUE(ZipBuilder().Add("version", "1.0.8").Add("help.chm", zeros).Write(archive));
    if (c.declared) {
      ASSERT_TRUE(ZipBuilder::DeclareSize(archive, "help.chm", c.declared)) << c.what;
    }
    const fs::path out = dir.Path() / "out";
    const ZipExtractor::Result r =
        ZipExtractor::ExtractMembers(archive, {{"version", 10}, {"help.chm", c.limit}}, out.string());
    EXPECT_EQ(r.outcome, c.outcome) << c.what << ": " << r.error;
    if (c.outcome == Outcome::Extracted) {
      EXPECT_EQ(fs::file_size(out / "help.chm"), zeros.size()) << c.what;
      continue;
    }
    EXPECT_EQ(r.member, "help.chm") << c.what;
    EXPECT_EQ(r.limit, c.limit) << c.what;
    EXPECT_FALSE(fs::exists(out / "help.chm")) << c.what << ": no part of it stays";
    // Declared too large, nothing at all is written; found while writing, what came before stays.
    EXPECT_EQ(fs::exists(out / "version"), c.declared != 0) << c.what;
  }
}

// A small file system of its own (1 MB), for the tests of a full disk; needs the right to mount.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& where) : path_(where) {
    fs::create_directories(path_);
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") == 0;
    if (!mounted_) reason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }

 private:
  fs::path path_;
  bool mounted_ = false;
  std::string reason_;
};

TEST_F(ZipExtraction, MembersThatDoNotFitOnTheDiskAreRefusedAndLeaveNoPartOfThemselves) {
  const fs::path disk = dir_.Path() / "disk";
  SmallDisk small(disk);
  if (!small.mounted()) GTEST_SKIP() << small.reason();
  const std::string zeros(2 * 1024 * 1024, '\0');
  const std::string archive = (dir_.Path() / "big.zip").string();
  ASSERT_TRUE(ZipBuilder().Add("version", "1.0.8").Add("help.chm", zeros).Write(archive));

  // Declared: refused before anything is written.
  ZipExtractor::Result r = ZipExtractor::ExtractMembers(archive, Unlimited({"version", "help.chm"}), disk.string());
  ASSERT_EQ(r.outcome, Outcome::NoSpace) << r.error;
  EXPECT_EQ(r.needed, zeros.size() + 5);
  EXPECT_LT(r.available, r.needed);
  EXPECT_TRUE(fs::is_empty(disk));

  // Declared small: the disk fills while writing, and the partial file goes again.
  ASSERT_TRUE(ZipBuilder::DeclareSize(archive, "help.chm", 1000));
  r = ZipExtractor::ExtractMembers(archive, Unlimited({"help.chm"}), disk.string());
  ASSERT_EQ(r.outcome, Outcome::Failed) << r.error;
  EXPECT_EQ(r.member, "help.chm");
  EXPECT_NE(r.error.find(std::strerror(ENOSPC)), std::string::npos) << r.error;
  EXPECT_TRUE(fs::is_empty(disk));
}
