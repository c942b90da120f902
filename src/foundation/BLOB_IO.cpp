#include "foundation/BLOB_IO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

using namespace platform::db;

namespace BLOB_IO {
namespace {

constexpr std::int32_t kExclamation = 48;
constexpr int kFileNotFound = 53;
constexpr int kPathFileAccess = 75;
constexpr int kObjectNotSet = 91;

void Log(const std::string& text, int level) {
  if (QALLoggerTXT* log = Program().logger) log->WriteLog(text, level);
}

void MessageBox(const std::string& prompt, std::int32_t buttons, std::optional<std::string> title = std::nullopt) {
  if (QALmsgBoxHandler* box = Program().msgBox) {
    box->QalMsgBox(prompt, buttons, std::move(title));
    return;
  }
  Log(prompt, 0);  // no message handler yet: the log still has it
}

// An ordinary file: not a folder or device, and not hidden (a name that starts with a dot).
bool IsOrdinaryFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p(path);
  if (!std::filesystem::is_regular_file(p, ec)) return false;
  const std::string name = p.filename().string();
  return !name.empty() && name.front() != '.';
}

// The file's bytes in one buffer of its size, read straight into it: the only copy the store
// makes (the statement binds this buffer as it is).
std::vector<unsigned char> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) core::Raise(errno == ENOENT ? kFileNotFound : kPathFileAccess, "BLOB_IO.BLOBPutFile");
  struct stat st;
  std::vector<unsigned char> bytes;
  bool ok = ::fstat(fd, &st) == 0;
  if (ok) bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;  // an error, or the file got shorter while being read
    else
      done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!ok) core::Raise(kPathFileAccess, "BLOB_IO.BLOBPutFile");
  return bytes;
}

Command TextCommand(Connection& cnn, const std::string& sql) {
  Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandText(sql);
  cmd.CommandType(adCmdText);
  return cmd;
}

// A statement whose first two markers are the directory and the file name.
Command NamedFileCommand(Connection& cnn, const std::string& sql, const std::string& dir, const std::string& file) {
  Command cmd = TextCommand(cnn, sql);
  cmd.CreateParameter("DIRNAME", adVarWChar, adParamInput, 255, dir);
  cmd.CreateParameter("FILENAME", adVarWChar, adParamInput, 255, file);
  return cmd;
}

// The id of the row (dir, file), or nothing when there is none.
std::optional<std::int32_t> StoredId(Connection& cnn, const std::string& dir, const std::string& file) {
  Command cmd = NamedFileCommand(cnn, "SELECT ID FROM FILES WHERE DIRNAME=? AND FILENAME=?", dir, file);
  Recordset rs;
  rs.Open(cmd);
  if (rs.RecordCount() == 0) return std::nullopt;
  return rs.Fields("ID").Value().ToLong();
}

}  // namespace

bool BLOBPutFile(const std::string& localPath, const std::string& dirName, const std::string& fileName,
                 bool deleteAfter, std::int32_t& id) {
  ConnectionManager cm;
  bool configured = false;
  try {
    configured = CommonGlobals::InitVornKrymConnectionManager(cm);
  } catch (const std::exception&) {
    configured = false;  // a target setting that is not a number
  }
  if (!configured) {
    MessageBox("Unable to init Vorn Krym Connection Manager", kExclamation);
    return false;
  }
  Connection cnn;
  cm.ConfigCnn4QALROOT(cnn);
  std::string errText;
  if (!CommonGlobals::ConnectVornKrym(cnn, errText, false)) {
    MessageBox("Error :\r\n" + errText, kExclamation, "Failed to connect to Vorn Krym");
    return false;
  }
  if (!IsOrdinaryFile(localPath)) return false;

  const std::string dir = core::UCase(dirName);
  const std::string file = core::UCase(fileName);
  const std::optional<std::int32_t> existing = StoredId(cnn, dir, file);
  // An existing row keeps its names and id; only the file and its audit columns change.
  Command save = existing ? TextCommand(cnn, "UPDATE FILES SET AUDITUSER=?, AUDITTIMESTAMP=?, FILEDATA=? WHERE ID=?")
                          : NamedFileCommand(cnn,
                                             "INSERT INTO FILES (DIRNAME, FILENAME, AUDITUSER, AUDITTIMESTAMP, "
                                             "FILEDATA) VALUES (?, ?, ?, ?, ?)",
                                             dir, file);
  save.CreateParameter("AUDITUSER", adVarChar, adParamInput, 50, CommonGlobals::GetAuditUserName());
  save.CreateParameter("AUDITTIMESTAMP", adDate, adParamInput, 0, Program().clock->Now());
  save.CreateParameter("FILEDATA", adLongVarBinary, adParamInput).Bytes(ReadWholeFile(localPath));
  if (existing) save.CreateParameter("ID", adInteger, adParamInput, 0, *existing);
  save.Execute();

  // Read back rather than assumed: the database gives a new row its id.
  const std::optional<std::int32_t> stored = StoredId(cnn, dir, file);
  if (!stored) core::Raise(kObjectNotSet, "BLOB_IO.BLOBPutFile");
  id = *stored;
  cnn.Close();
  if (deleteAfter) KillFileQuiet(localPath);
  return true;
}

bool UploadFileBlob(const std::string& localPath, const std::string& dirName, const std::string& fileName,
                    std::string& idText) {
  idText = "-1";
  std::int32_t id = 0;
  if (!BLOBPutFile(localPath, dirName, fileName, false, id)) return false;
  idText = std::to_string(id);
  return true;
}

std::string BLOBGetFile(const std::string& dirName, const std::string& fileName, std::string& localPath) {
  try {
    const std::string dir = core::UCase(dirName);
    const std::string file = core::UCase(fileName);
    Connection* cnn = Program().vornKrymCnn;
    if (!cnn) core::Raise(kObjectNotSet, "BLOB_IO.BLOBGetFile");
    Command cmd = NamedFileCommand(*cnn, "SELECT FILEDATA FROM FILES WHERE DIRNAME=? AND FILENAME=?", dir, file);
    Recordset rs;
    rs.Open(cmd);
    if (rs.RecordCount() == 0) {
      Log("Error: In sub BLOBGetFile, Could not find DIRNAME = '" + dir + "' AND FILENAME = '" + file + "'", 0);
      return "";
    }
    if (localPath.empty()) localPath = Program().app.Path + "/blob.tmp";
    const std::vector<unsigned char> bytes = rs.Fields("FILEDATA").Bytes();
    std::ofstream out(localPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return "";
    return localPath;
  } catch (const std::exception&) {
    return "";
  }
}

void KillFileQuiet(const std::string& path) {
  // unlink never removes a folder, whatever the path names.
  (void)::unlink(path.c_str());
}

}  // namespace BLOB_IO
