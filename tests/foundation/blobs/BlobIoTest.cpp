// Files stored in and fetched from the Krym root schema's FILES table, against the test
// cluster's QALROOT through the program's own connections.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "KrymProgram.h"
#include "core/Text.h"
#include "foundation/BLOB_IO.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "support/KrymFixture.h"

using platform::db::Connection;

namespace {

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> Text(const std::string& s) { return {s.begin(), s.end()}; }

// A directory name of the test's own, so that tests running side by side never share rows.
std::string UniqueDir(const std::string& stem) {
  std::random_device rd;
  return stem + std::to_string(rd() % 1000000);
}

class BlobIo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.PointAtTestKrym());
    root_.Open(testsupport::KrymFixture::OleDbString(db_, "QALROOT"));
    program_.Context().vornKrymCnn = &root_;
  }
  void TearDown() override {
    for (const std::string& dir : dirs_) {
      platform::db::Command cmd;
      cmd.ActiveConnection(check_);
      cmd.CommandText("DELETE FROM files WHERE dirname = ?");
      cmd.CreateParameter("d", platform::db::adVarWChar, platform::db::adParamInput, 0, dir);
      cmd.Execute();
    }
  }

  // A directory name that TearDown clears; stored names are upper case.
  std::string Dir(const std::string& stem) {
    dirs_.push_back(core::UCase(UniqueDir(stem)));
    return dirs_.back();
  }
  std::string Local(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = program_.Folder().Str() + "/" + name;
    WriteBytes(path, bytes);
    return path;
  }
  struct Row {
    long count = 0;
    std::int32_t id = 0;
    std::string audituser;
    core::Date audittimestamp;
    std::vector<unsigned char> data;
  };
  Row Stored(const std::string& dir, const std::string& file) {
    platform::db::Command cmd;
    cmd.ActiveConnection(check_);
    cmd.CommandText("SELECT id, audituser, audittimestamp, filedata FROM files WHERE dirname=? AND filename=?");
    cmd.CreateParameter("d", platform::db::adVarWChar, platform::db::adParamInput, 0, dir);
    cmd.CreateParameter("f", platform::db::adVarWChar, platform::db::adParamInput, 0, file);
    platform::db::Recordset rs;
    rs.Open(cmd);
    Row row;
    row.count = rs.RecordCount();
    if (row.count == 1) {
      row.id = rs.Fields("id").Value().ToLong();
      row.audituser = rs.Fields("audituser").Value().Text();
      row.audittimestamp = rs.Fields("audittimestamp").Value().ToDate();
      row.data = rs.Fields("filedata").Bytes();
    }
    return row;
  }

  KrymProgram program_;
  testsupport::TestDatabase db_ = [] {
    testsupport::TestDatabase db;
    testsupport::RequireDatabase(db);
    return db;
  }();
  Connection root_;
  Connection check_ = [this] {
    Connection c;
    c.Open(testsupport::KrymFixture::OleDbString(db_, "QALROOT"));
    return c;
  }();
  std::vector<std::string> dirs_;
};

TEST_F(BlobIo, StoresUnderUpperCaseNamesAndReplacesTheSameRowOnASecondStore) {
  const std::string dir = Dir("lu");
  const std::string first = Local("def.zip", Text("first version"));
  std::int32_t id = 0;
  ASSERT_TRUE(BLOB_IO::BLOBPutFile(first, core::LCase(dir), "def.zip", false, id));

  Row row = Stored(dir, "DEF.ZIP");
  ASSERT_EQ(row.count, 1);
  EXPECT_EQ(row.id, id);
  EXPECT_EQ(row.data, Text("first version"));
  EXPECT_EQ(row.audituser, "VIA_K30418");
  EXPECT_EQ(row.audittimestamp, program_.Clock().Now());
  EXPECT_TRUE(std::filesystem::exists(first));  // not asked to delete it

  program_.Clock().AdvanceSeconds(3600);
  program_.Context().writeAsUser = "SUPERVISOR";
  const std::string second = Local("def2.zip", Text("second, longer version"));
  std::string idText;
  ASSERT_TRUE(BLOB_IO::UploadFileBlob(second, dir, "DEF.zip", idText));
  EXPECT_EQ(idText, std::to_string(id));

  row = Stored(dir, "DEF.ZIP");
  ASSERT_EQ(row.count, 1);
  EXPECT_EQ(row.id, id);
  EXPECT_EQ(row.data, Text("second, longer version"));
  EXPECT_EQ(row.audituser, "SUPERVISOR");
  EXPECT_EQ(row.audittimestamp, program_.Clock().Now());
}

TEST_F(BlobIo, AFiveMegabyteBinaryFileComesBackByteForByte) {
  std::vector<unsigned char> bytes(5 * 1024 * 1024);
  std::mt19937 gen(30418);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(gen());
  bytes[0] = 0;  // zeros and high bytes must survive both ways
  bytes[1] = 0xFF;
  bytes.back() = 0;
  const std::string dir = Dir("bin");
  std::int32_t id = 0;
  ASSERT_TRUE(BLOB_IO::BLOBPutFile(Local("big.bin", bytes), dir, "big.bin", false, id));

  std::string target = program_.Folder().Str() + "/fetched.bin";
  WriteBytes(target, Text("an older, different file that must be replaced"));
  EXPECT_EQ(BLOB_IO::BLOBGetFile(dir, "BIG.BIN", target), target);
  EXPECT_EQ(ReadBytes(target), bytes);
}

TEST_F(BlobIo, NamesWithApostrophesStoreAndFetchLikeAnyOther) {
  const std::string dir = Dir("o'brien");
  std::int32_t id = 0;
  ASSERT_TRUE(BLOB_IO::BLOBPutFile(Local("note.txt", Text("it's here")), dir, "it's.txt", false, id));
  EXPECT_EQ(Stored(dir, "IT'S.TXT").count, 1);

  std::string target;
  const std::string path = BLOB_IO::BLOBGetFile(dir, "it's.txt", target);
  // With no local path given the file goes to blob.tmp in the program folder.
  EXPECT_EQ(path, program_.Folder().Str() + "/blob.tmp");
  EXPECT_EQ(target, path);
  EXPECT_EQ(ReadBytes(path), Text("it's here"));
}

TEST_F(BlobIo, DeleteAfterRemovesTheLocalFileOnceStored) {
  const std::string dir = Dir("del");
  const std::string local = Local("gone.txt", Text("x"));
  std::int32_t id = 0;
  ASSERT_TRUE(BLOB_IO::BLOBPutFile(local, dir, "gone.txt", true, id));
  EXPECT_FALSE(std::filesystem::exists(local));
  EXPECT_EQ(Stored(dir, "GONE.TXT").count, 1);
}

TEST_F(BlobIo, ALocalPathThatIsNoOrdinaryFileStoresNothingAndSaysNothing) {
  const std::string dir = Dir("none");
  std::filesystem::create_directories(program_.Folder().Str() + "/afolder");
  const std::string cases[] = {program_.Folder().Str() + "/missing.zip", program_.Folder().Str() + "/afolder",
                               Local(".hidden", Text("x"))};
  for (const std::string& path : cases) {
    std::string idText = "unchanged";
    EXPECT_FALSE(BLOB_IO::UploadFileBlob(path, dir, "x.zip", idText)) << path;
    EXPECT_EQ(idText, "-1") << path;
  }
  EXPECT_EQ(Stored(dir, "X.ZIP").count, 0);
  EXPECT_TRUE(program_.Presenter().boxes.empty());
}

TEST_F(BlobIo, AFileThatIsNotStoredFetchesNothingAndIsLogged) {
  std::string target = program_.Folder().Str() + "/out.bin";
  EXPECT_EQ(BLOB_IO::BLOBGetFile("nodir", "nofile.zip", target), "");
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_TRUE(
      program_.Logged("Error: In sub BLOBGetFile, Could not find DIRNAME = 'NODIR' AND FILENAME = 'NOFILE.ZIP'"));
}

TEST_F(BlobIo, AFetchWithoutAnOpenRootConnectionGivesNothing) {
  root_.Close();
  std::string target = program_.Folder().Str() + "/out.bin";
  EXPECT_EQ(BLOB_IO::BLOBGetFile("lu", "def.zip", target), "");
  program_.Context().vornKrymCnn = nullptr;
  EXPECT_EQ(BLOB_IO::BLOBGetFile("lu", "def.zip", target), "");
}

TEST_F(BlobIo, TargetSettingsAndConnectionFailuresAreShownAndGiveFalse) {
  const std::string local = Local("f.txt", Text("x"));
  std::int32_t id = 0;

  program_.Config().item(KrymProgram::kType, "3");
  EXPECT_FALSE(BLOB_IO::BLOBPutFile(local, "lu", "f.txt", false, id));
  ASSERT_EQ(program_.Presenter().boxes.size(), 1u);
  EXPECT_EQ(program_.Presenter().boxes[0].prompt, "Unable to init Vorn Krym Connection Manager");
  EXPECT_EQ(program_.Presenter().boxes[0].style, 48);

  ASSERT_TRUE(program_.PointAtTestKrym(1));  // nothing listens on port 1
  EXPECT_FALSE(BLOB_IO::BLOBPutFile(local, "lu", "f.txt", false, id));
  ASSERT_EQ(program_.Presenter().boxes.size(), 2u);
  EXPECT_EQ(program_.Presenter().boxes[1].prompt.rfind("Error :\r\n", 0), 0u) << program_.Presenter().boxes[1].prompt;
  EXPECT_GT(program_.Presenter().boxes[1].prompt.size(), std::string("Error :\r\n").size());
  EXPECT_EQ(program_.Presenter().boxes[1].title, "Failed to connect to Vorn Krym");
  EXPECT_EQ(program_.Presenter().boxes[1].style, 48);
}

TEST(KillFileQuiet, DeletesFilesAndIgnoresEverythingElse) {
  TempFolder dir;
  dir.Write("a.txt", "x");
  std::filesystem::create_directories(dir.Path() / "sub");
  BLOB_IO::KillFileQuiet((dir.Path() / "a.txt").string());
  BLOB_IO::KillFileQuiet((dir.Path() / "a.txt").string());  // already gone
  BLOB_IO::KillFileQuiet((dir.Path() / "sub").string());    // a folder is no file
  BLOB_IO::KillFileQuiet("");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "a.txt"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "sub"));
}

}  // namespace
