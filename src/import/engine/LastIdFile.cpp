#include "import/engine/LastIdFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/BLOB_IO.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"

namespace LastIdFile {
namespace {

const char* const kKey = "LASTIDIMPORTED";
constexpr int kFileNotFound = 53;
constexpr int kDiskFull = 61;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccess = 75;

void MessageBox(const std::string& prompt) {
  if (QALmsgBoxHandler* box = Program().msgBox) {
    box->QalMsgBox(prompt, 0);  // no icon, OK button
    return;
  }
  if (QALLoggerTXT* log = Program().logger) log->WriteLog(prompt, 0);
}

[[noreturn]] void RaiseFileError(int error, const char* source) {
  switch (error) {
    case ENOENT:
      core::Raise(kFileNotFound, source);
    case EACCES:
    case EPERM:
    case EROFS:
      core::Raise(kPermissionDenied, source);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      throw core::RuntimeError(kDiskFull, "Disk full", source);
    default:
      core::Raise(kPathFileAccess, source);
  }
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ReadFile(const std::string& path, const char* source) {
  std::ifstream in(path, std::ios::binary);
  if (!in) RaiseFileError(errno, source);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) RaiseFileError(errno, source);
  return text.str();
}

// The line end the file already uses; a file written here for the first time gets LF.
std::string LineEndOf(const std::string& content) { return content.find("\r\n") != std::string::npos ? "\r\n" : "\n"; }

// The entries of the file, as delimited text is read: per line, leading blanks skipped, an
// unquoted entry up to the next comma or the end of the line, a quoted one up to its closing
// quote (what follows it up to the comma is dropped).
std::vector<std::string> ReadEntries(const std::string& content) {
  std::vector<std::string> entries;
  std::istringstream lines(content);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t i = 0;
    do {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      std::string entry;
      if (i < line.size() && line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        entry = line.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        i = close == std::string::npos ? line.size() : close + 1;
        const std::size_t comma = line.find(',', i);
        i = comma == std::string::npos ? line.size() : comma;
      } else {
        const std::size_t comma = line.find(',', i);
        entry = line.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
        i = comma == std::string::npos ? line.size() : comma;
      }
      entries.push_back(std::move(entry));
      if (i < line.size())
        ++i;  // past the comma
      else
        break;
    } while (true);
  }
  return entries;
}

// Whether the entry is a key=value entry whose key is LASTIDIMPORTED; value receives the text
// after the first "=", untrimmed.
bool IsIdEntry(const std::string& entry, std::string& value) {
  const std::size_t eq = entry.find('=');
  if (eq == std::string::npos || core::UCase(core::Trim(entry.substr(0, eq))) != kKey) return false;
  value = entry.substr(eq + 1);
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Writes content to a new file at temp (with the given permission bits) and makes it durable.
void WriteNewFile(const std::string& temp, const std::string& content, mode_t mode) {
  const char* source = "PutLastIdImported";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) RaiseFileError(errno, source);
  std::size_t done = 0;
  int error = 0;
  (void)::fchmod(fd, mode);  // the umask does not narrow what the old file allowed
  while (done < content.size() && error == 0) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno != EINTR) error = errno;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) RaiseFileError(error, source);
}

}  // namespace

std::string LastIdFilePath() { return Program().app.Path + "/DeraRed.ini"; }

std::int32_t GetLastTransIdImported() {
  const std::string path = LastIdFilePath();
  if (!FileExists(path)) {
    MessageBox("Could not find file " + path);
    return -1;
  }
  try {
    const std::string content = ReadFile(path, "GetLastTransIdImported");
    bool found = false;
    std::int32_t id = 0;
    std::string value;
    for (const std::string& entry : ReadEntries(content)) {
      if (!IsIdEntry(entry, value)) continue;
      found = true;
      id = core::IsNumericText(value) ? core::Value(value).ToLong() : 0;
    }
    if (!found) {
      std::ofstream out(path, std::ios::binary | std::ios::app);
      if (!out) RaiseFileError(errno, "GetLastTransIdImported");
      const std::string eol = LineEndOf(content);
      // The key starts a line of its own even after a last line without its line end.
      if (!content.empty() && content.back() != '\n') out << eol;
      out << kKey << "=0" << eol;
      out.close();
      if (!out) RaiseFileError(errno, "GetLastTransIdImported");
    }
    return id;
  } catch (const core::RuntimeError& e) {
    MessageBox("Error in GetLastTransIdImported: " + std::to_string(e.Number()) + " - " + e.Description());
    return -1;
  }
}

std::int32_t PutLastIdImported(const std::int32_t& id) {
  const std::string path = LastIdFilePath();
  if (!FileExists(path)) {
    MessageBox("Could not find file " + path);
    return -1;
  }
  const std::string temp = FolderOf(path) + "/TempJunk" + std::to_string(static_cast<long>(::getpid())) + ".txt";
  try {
    const std::string content = ReadFile(path, "PutLastIdImported");
    const std::string eol = LineEndOf(content);
    std::string rewritten;
    std::string value;
    for (const std::string& entry : ReadEntries(content)) {
      if (entry.find('=') == std::string::npos) continue;
      rewritten += IsIdEntry(entry, value) ? std::string(kKey) + "=" + std::to_string(id) : entry;
      rewritten += eol;
    }
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    BLOB_IO::KillFileQuiet(temp);
    WriteNewFile(temp, rewritten, mode);
    // The rename replaces the file whole: there is never a moment without a complete file.
    if (::rename(temp.c_str(), path.c_str()) != 0) RaiseFileError(errno, "PutLastIdImported");
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      (void)::fsync(dir);
      ::close(dir);
    }
    return 0;
  } catch (const core::RuntimeError& e) {
    BLOB_IO::KillFileQuiet(temp);
    MessageBox("Error in PutLastIdImported: " + std::to_string(e.Number()) + " - " + e.Description());
    return -1;
  }
}

}  // namespace LastIdFile
