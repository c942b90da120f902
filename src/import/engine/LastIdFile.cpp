#include "import/engine/LastIdFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

const std::string kKey = "LASTIDIMPORTED";
const std::string kUtf8Mark = "\xEF\xBB\xBF";
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

// A damaged file is worth a line in the log also when the box is shown to a person (a silent
// box is logged by the handler itself).
void Report(const std::string& prompt) {
  QALmsgBoxHandler* box = Program().msgBox;
  if (box && !box->SilentOperation())
    if (QALLoggerTXT* log = Program().logger) log->WriteLog(prompt, 0);
  MessageBox(prompt);
}

// The system's code of the last file error raised here: the journal names the real reason (a
// read-only disk), which the numbered error of the box folds into "Permission denied".
int gLastFileError = 0;

[[noreturn]] void RaiseFileError(int error, const char* source) {
  gLastFileError = error;
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

std::string Hex(unsigned char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", c);
  return buf;
}

// Why the file's bytes are no text this program can read, or "" when they are: UTF-16, or a
// NUL or other control byte (a line of text holds none but TAB, CR and LF). Other bytes are
// left alone, so an ANSI comment line does not make the file unreadable.
std::string WhyNoText(const std::string& raw) {
  if (raw.rfind("\xFF\xFE", 0) == 0 || raw.rfind("\xFE\xFF", 0) == 0)
    return "the file is UTF-16 text; it must be saved as UTF-8 or ASCII";
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (c == 0) return "the file is no text: it holds a NUL byte at offset " + std::to_string(i);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F)
      return "the file is no text: it holds the control byte " + Hex(c) + " at offset " + std::to_string(i);
  }
  return "";
}

// A found text as it can stand in a message: control bytes spelled out, long texts cut.
std::string Shown(const std::string& text) {
  constexpr std::size_t kLongest = 40;
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < kLongest; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 || c == 0x7F ? "\\x" + Hex(c).substr(2) : std::string(1, text[i]);
  }
  if (text.size() > kLongest) out += "...";
  return "\"" + out + "\"";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits, optionally with a fraction ("12", "12.5", "12.", ".5"), and nothing else.
bool IsUnsignedDecimal(const std::string& s) {
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  return digits > 0 && i == s.size();
}

struct Entry {
  std::string text;
  std::size_t line;  // 0-based line of the file the entry stands on
};

// The file's text: the UTF-8 mark it may start with, its entries, and the line end it uses
// (a file written here for the first time gets LF).
struct Parsed {
  std::string mark;
  std::string body;
  std::string eol;
  std::vector<Entry> entries;
};

// The entries of the file, as delimited text is read: per line, leading blanks skipped, an
// unquoted entry up to the next comma or the end of the line, a quoted one up to its closing
// quote (what follows it up to the comma is dropped).
std::vector<Entry> ReadEntries(const std::string& content) {
  std::vector<Entry> entries;
  std::istringstream lines(content);
  std::size_t lineNo = 0;
  for (std::string line; std::getline(lines, line); ++lineNo) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t i = 0;
    do {
      while (i < line.size() && IsBlank(line[i])) ++i;
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
      entries.push_back({std::move(entry), lineNo});
      if (i < line.size())
        ++i;  // past the comma
      else
        break;
    } while (true);
  }
  return entries;
}

Parsed Parse(const std::string& raw) {
  Parsed p;
  if (raw.rfind(kUtf8Mark, 0) == 0) p.mark = kUtf8Mark;
  p.body = raw.substr(p.mark.size());
  p.eol = p.body.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  p.entries = ReadEntries(p.body);
  return p;
}

// Whether the entry is a key=value entry whose key is LASTIDIMPORTED; value receives the text
// after the first "=", untrimmed.
bool IsIdEntry(const std::string& entry, std::string& value) {
  const std::size_t eq = entry.find('=');
  if (eq == std::string::npos || core::UCase(core::Trim(entry.substr(0, eq))) != kKey) return false;
  value = entry.substr(eq + 1);
  return true;
}

// An entry that names the key but lost its "=" ("LASTIDIMPORTED 1005").
bool IsKeyWithoutValue(const std::string& entry) {
  if (entry.find('=') != std::string::npos) return false;
  const std::string text = core::UCase(TrimBlanks(entry));
  if (text.rfind(kKey, 0) != 0) return false;
  if (text.size() == kKey.size()) return true;
  const char next = text[kKey.size()];
  return !(IsDigit(next) || (next >= 'A' && next <= 'Z') || next == '_');
}

// What the file says about the id: the last LASTIDIMPORTED entry, readable or not.
struct IdEntry {
  bool found = false;
  bool readable = false;
  std::string number;  // when readable: the value without its blanks
  std::string why;     // when not: what was found, for the message
};

IdEntry LastIdEntry(const std::vector<Entry>& entries) {
  IdEntry last;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string value;
    if (IsIdEntry(entries[i].text, value)) {
      last = IdEntry{true, false, "", ""};
      // A comma inside the number ("1,005") ends the entry early; what follows on the line
      // without a key of its own belongs to it.
      std::string rest;
      for (std::size_t j = i + 1;
           j < entries.size() && entries[j].line == entries[i].line && entries[j].text.find('=') == std::string::npos;
           ++j)
        rest += "," + entries[j].text;
      const bool cut = !TrimBlanks(core::Replace(rest, ",", "")).empty();
      if (cut) value += rest;
      const std::string number = TrimBlanks(value);
      if (!cut && IsUnsignedDecimal(number)) {
        last.readable = true;
        last.number = number;
      } else {
        last.why = kKey + " holds " + Shown(value) + ", which is no whole number from 0 to 2147483647";
      }
    } else if (IsKeyWithoutValue(entries[i].text)) {
      last = IdEntry{true, false, "", "the entry " + Shown(entries[i].text) + " has no \"=\""};
    }
  }
  return last;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

constexpr const char* kTempPrefix = "TempJunk";
constexpr const char* kTempSuffix = ".txt";

std::string TempPath(const std::string& path) {
  return FolderOf(path) + "/" + kTempPrefix + std::to_string(static_cast<long>(::getpid())) + kTempSuffix;
}

// Writes content to a new file at temp (with the given permission bits) and makes it durable.
void WriteNewFile(const std::string& temp, const std::string& content, mode_t mode, const char* source) {
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

// The file a save replaces: the path itself, or, when that is a symbolic link, the file at the
// end of its chain, so that the link stays a link and the file it names gets the new content.
std::string SaveTarget(const std::string& path, const char* source) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) RaiseFileError(errno, source);
  std::string target(resolved);
  std::free(resolved);
  return target;
}

// Replaces the file's content as a whole: the new content goes to a temporary file beside it
// that is then renamed over it, so there is never a moment without a complete file, and a
// failure leaves the old one. Through a symbolic link, the linked file is replaced, beside it.
void ReplaceFile(const std::string& linkOrFile, const std::string& content, const char* source) {
  const std::string path = SaveTarget(linkOrFile, source);
  const std::string temp = TempPath(path);
  try {
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    BLOB_IO::KillFileQuiet(temp);
    WriteNewFile(temp, content, mode, source);
    if (::rename(temp.c_str(), path.c_str()) != 0) RaiseFileError(errno, source);
  } catch (...) {
    BLOB_IO::KillFileQuiet(temp);
    throw;
  }
  const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
}

// A file that cannot be saved is a failure of the program's own files: it reaches the journal
// (once per cause) whatever the log can take.
void SaveFailed(const std::string& path, const std::string& prompt, const std::string& consequence) {
  QALLoggerTXT* log = Program().logger;
  if (!log) return;
  const std::string reason = gLastFileError != 0 ? std::strerror(gLastFileError) : prompt;
  log->ReportFileFailure(path, reason,
                         "The last imported id cannot be saved in " + path + ": " + reason + " (" + prompt +
                             "). " + consequence);
}

}  // namespace

void ReplaceWholeFile(const std::string& path, const std::string& content, const char* source) {
  ReplaceFile(path, content, source);
}

std::optional<long> TemporaryOwner(const std::string& name) {
  const std::string prefix = kTempPrefix, suffix = kTempSuffix;
  if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
    return std::nullopt;
  const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (!std::all_of(digits.begin(), digits.end(), IsDigit)) return std::nullopt;
  long pid = 0;
  if (std::from_chars(digits.data(), digits.data() + digits.size(), pid).ec != std::errc()) return 0L;  // nobody's
  return pid;
}

std::string LastIdFilePath() { return Program().app.Path + "/DeraRed.ini"; }

std::int32_t GetLastTransIdImported() {
  const std::string path = LastIdFilePath();
  gLastFileError = 0;
  if (!FileExists(path)) {
    MessageBox("Could not find file " + path);
    return -1;
  }
  auto unreadable = [&path](const std::string& why) {
    Report("The last imported id in " + path + " cannot be read: " + why +
           ". No answers are imported until the file holds the line " + kKey + "=<last imported id>.");
    return -1;
  };
  bool saving = false;
  try {
    const std::string raw = ReadFile(path, "GetLastTransIdImported");
    if (const std::string why = WhyNoText(raw); !why.empty()) return unreadable(why);
    const Parsed file = Parse(raw);
    const IdEntry entry = LastIdEntry(file.entries);
    if (!entry.found) {
      // A file of other settings gains the key; a file that holds something else (a lost id,
      // "0x3ED" on its own, a line of garbage) is no file of ours to start again from 0.
      for (const Entry& e : file.entries)
        if (!TrimBlanks(e.text).empty() && e.text.find('=') == std::string::npos && e.text.find(';') != 0)
          return unreadable("it holds no " + kKey + " entry, but " + Shown(TrimBlanks(e.text)));
      // The key starts a line of its own even after a last line without its line end.
      const bool needsEol = !file.body.empty() && file.body.back() != '\n';
      saving = true;
      ReplaceFile(path, raw + (needsEol ? file.eol : "") + kKey + "=0" + file.eol, "GetLastTransIdImported");
      return 0;
    }
    if (!entry.readable) return unreadable(entry.why);
    return core::Value(entry.number).ToLong();  // fractions rounded half to even; overflow raises
  } catch (const core::RuntimeError& e) {
    const std::string prompt =
        "Error in GetLastTransIdImported: " + std::to_string(e.Number()) + " - " + e.Description();
    MessageBox(prompt);
    if (saving) SaveFailed(path, prompt, "No answers are imported until it can be saved.");
    return -1;
  }
}

std::int32_t PutLastIdImported(const std::int32_t& id) {
  const std::string path = LastIdFilePath();
  gLastFileError = 0;
  if (!FileExists(path)) {
    MessageBox("Could not find file " + path);
    return -1;
  }
  try {
    const std::string raw = ReadFile(path, "PutLastIdImported");
    // Rewritten entry by entry, a file that is no text would lose what it holds.
    if (const std::string why = WhyNoText(raw); !why.empty()) {
      Report("The last imported id in " + path + " is not rewritten: " + why + ".");
      return -1;
    }
    const Parsed file = Parse(raw);
    std::string rewritten = file.mark;
    std::string value;
    for (const Entry& entry : file.entries) {
      if (entry.text.find('=') == std::string::npos) continue;
      rewritten += IsIdEntry(entry.text, value) ? kKey + "=" + std::to_string(id) : entry.text;
      rewritten += file.eol;
    }
    ReplaceFile(path, rewritten, "PutLastIdImported");
    if (QALLoggerTXT* log = Program().logger)
      log->FileRecovered(path, "The last imported id is saved in " + path + " again.");
    return 0;
  } catch (const core::RuntimeError& e) {
    const std::string prompt = "Error in PutLastIdImported: " + std::to_string(e.Number()) + " - " + e.Description();
    MessageBox(prompt);
    SaveFailed(path, prompt, "Each run imports again from the id saved last, until it can be saved.");
    return -1;
  }
}

}  // namespace LastIdFile
