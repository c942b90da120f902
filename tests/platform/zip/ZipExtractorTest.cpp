// Extraction of named members from a zip archive built in the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/commonglobals/TempFolder.h"
#include "platform/zip/ZipBuilder.h"
#include "platform/zip/ZipExtractor.h"

using platform::zip::ZipExtractor;
namespace fs = std::filesystem;

namespace {

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

  const std::string binary_ = std::string("MZ\0\x01\xff\xfe end", 10);
  TempFolder dir_;
  std::string archive_;
  std::string error_;
};

}  // namespace

TEST_F(ZipExtraction, OnlyTheNamedMembersAreWrittenByteForByte) {
  const fs::path out = dir_.Path() / "out";
  ASSERT_TRUE(ZipExtractor::ExtractMembers(archive_, {"collector"}, out.string(), error_)) << error_;
  EXPECT_EQ(ReadBytes(out / "collector"), "12,\"x\"\r\n");
  EXPECT_FALSE(fs::exists(out / "version"));
}

TEST_F(ZipExtraction, MembersAreFoundIgnoringCaseAndFolderAndWrittenUnderTheAskedName) {
  const fs::path out = dir_.Path() / "a" / "b";  // made on the way
  ASSERT_TRUE(ZipExtractor::ExtractMembers(archive_, {"help.chm", "VERSION"}, out.string(), error_)) << error_;
  EXPECT_EQ(ReadBytes(out / "help.chm"), binary_);
  EXPECT_EQ(ReadBytes(out / "VERSION"), "1.0.8");
}

TEST_F(ZipExtraction, AFileOfTheSameNameIsReplaced) {
  dir_.Write("out/version", "a much longer text that must not survive");
  ASSERT_TRUE(ZipExtractor::ExtractMembers(archive_, {"version"}, (dir_.Path() / "out").string(), error_));
  EXPECT_EQ(ReadBytes(dir_.Path() / "out" / "version"), "1.0.8");
}

TEST_F(ZipExtraction, AMissingMemberWritesNothingAndIsNamed) {
  const fs::path out = dir_.Path() / "out";
  EXPECT_FALSE(ZipExtractor::ExtractMembers(archive_, {"collector", "Browser.exe"}, out.string(), error_));
  EXPECT_NE(error_.find("Browser.exe"), std::string::npos) << error_;
  EXPECT_FALSE(fs::exists(out / "collector"));
}

TEST_F(ZipExtraction, ArchivesThatCannotBeOpenedFail) {
  dir_.Write("not-a.zip", "plain text");
  for (const std::string& path : {(dir_.Path() / "not-a.zip").string(), (dir_.Path() / "none.zip").string()}) {
    error_.clear();
    EXPECT_FALSE(ZipExtractor::ExtractMembers(path, {"collector"}, dir_.Str(), error_)) << path;
    EXPECT_NE(error_.find(path), std::string::npos) << error_;
  }
}
