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
#include "platform/os/RegularFile.h"

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

// What stands at the file's name, its link followed.
struct FileRead {
  bool missing = false;
  std::string notAFile;  // "it is a directory, not a file", ...; "" for a file
  std::string content;
};

std::string WhatItIs(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a directory, not a file";
  if (S_ISFIFO(mode)) return "it is a FIFO (named pipe), not a file";
  if (S_ISSOCK(mode)) return "it is a socket, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
  return "it is not a regular file";
}

// Read without waiting (a FIFO in the file's place would wait for a writer for ever), and only
// when it is a file; a link is followed.
FileRead ReadFile(const std::string& path, const char* source) {
  using Outcome = platform::os::RegularFileRead::Outcome;
  platform::os::RegularFileRead file = platform::os::ReadRegularFile(path, platform::os::LinkAtName::Follow);
  FileRead read;
  if (file.outcome == Outcome::Missing) read.missing = true;
  if (file.outcome == Outcome::NotAFile) read.notAFile = WhatItIs(file.mode);
  if (file.outcome == Outcome::Failed) RaiseFileError(file.error, source);
  read.content = std::move(file.content);
  return read;
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
  std::size_t line;   // 0-based line of the file the entry stands on
  std::size_t begin;  // where it starts on its line: just after the comma before it, or 0
  std::size_t end;    // where it ends: at the comma after it, or the end of the line
};

// One line of the file: its text and the line end after it ("\r\n", "\n" or "" for a last line
// without one).
struct Line {
  std::string text;
  std::string eol;
};

std::vector<Line> SplitLines(const std::string& body) {
  std::vector<Line> lines;
  for (std::size_t at = 0; at < body.size();) {
    const std::size_t nl = body.find('\n', at);
    Line line;
    line.text = body.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
    if (nl != std::string::npos) line.eol = "\n";
    if (nl != std::string::npos && !line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.eol = "\r\n";
    }
    lines.push_back(std::move(line));
    at = nl == std::string::npos ? body.size() : nl + 1;
  }
  return lines;
}

// The file's text: the UTF-8 mark it may start with, its entries, and the line end it uses
// (a file written here for the first time gets LF).
struct Parsed {
  std::string mark;
  std::string body;
  std::string eol;
  std::vector<Line> lines;
  std::vector<Entry> entries;
};

// The entries of the file, as delimited text is read: per line, leading blanks skipped, an
// unquoted entry up to the next comma or the end of the line, a quoted one up to its closing
// quote (what follows it up to the comma is dropped).
std::vector<Entry> ReadEntries(const std::vector<Line>& lines) {
  std::vector<Entry> entries;
  for (std::size_t lineNo = 0; lineNo < lines.size(); ++lineNo) {
    const std::string& line = lines[lineNo].text;
    std::size_t i = 0;
    do {
      const std::size_t begin = i;
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
      entries.push_back({std::move(entry), lineNo, begin, i});
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
  p.lines = SplitLines(p.body);
  p.entries = ReadEntries(p.lines);
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

// A comma inside the number ("1,005") ends the id entry at i early; what follows it on the line
// without a key of its own belongs to it. The index of the last entry it takes in, i itself when
// there is nothing of the kind (blank entries after it add nothing); rest gets their text.
std::size_t IdEntryTail(const std::vector<Entry>& entries, std::size_t i, std::string& rest) {
  rest.clear();
  std::size_t j = i + 1;
  for (; j < entries.size() && entries[j].line == entries[i].line && entries[j].text.find('=') == std::string::npos;
       ++j)
    rest += "," + entries[j].text;
  if (TrimBlanks(core::Replace(rest, ",", "")).empty()) {
    rest.clear();
    return i;
  }
  return j - 1;
}

IdEntry LastIdEntry(const std::vector<Entry>& entries) {
  IdEntry last;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string value;
    if (IsIdEntry(entries[i].text, value)) {
      last = IdEntry{true, false, "", ""};
      std::string rest;
      const bool cut = IdEntryTail(entries, i, rest) != i;
      if (cut) value += rest;
      const std::string number = TrimBlanks(value);
      bool fits = false;
      if (!cut && IsUnsignedDecimal(number)) {
        try {
          (void)core::Value(number).ToLong();  // fractions rounded half to even
          fits = true;
        } catch (const core::RuntimeError&) {
          // beyond 32 bits
        }
      }
      if (fits) {
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
// failure leaves the old one. Through a symbolic link, the linked file is replaced, beside it;
// with the link not followed, the link itself is replaced by the file.
void ReplaceFile(const std::string& linkOrFile, const std::string& content, const char* source,
                 platform::os::LinkAtName link = platform::os::LinkAtName::Follow) {
  const bool follow = link == platform::os::LinkAtName::Follow;
  const std::string path = follow ? SaveTarget(linkOrFile, source) : linkOrFile;
  const std::string temp = TempPath(path);
  try {
    struct stat st {};
    const bool found = (follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0 && S_ISREG(st.st_mode);
    const mode_t mode = found ? (st.st_mode & 07777) : 0644;
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

// The reading of the file fails apart from its saving: each is told once per cause, and each
// its own recovery.
std::string ReadUsage(const std::string& path) { return path + " (read)"; }

void ReadFailed(const std::string& usage, const std::string& reason, const std::string& line) {
  if (QALLoggerTXT* log = Program().logger) log->ReportFileFailure(usage, reason, line);
}

void ReadAgain(const std::string& usage, const std::string& path, std::int32_t id) {
  if (QALLoggerTXT* log = Program().logger)
    log->FileRecovered(usage, "The last imported id in " + path + " can be read again: the import goes on after id " +
                                  std::to_string(id) + ".");
}

// The file's text with every LASTIDIMPORTED entry set to id, and everything else as it stands:
// every other entry, line, comment and line end, byte for byte.
std::string WithId(const Parsed& file, std::int32_t id) {
  std::vector<std::string> lines;
  for (const Line& line : file.lines) lines.push_back(line.text);
  // From the end of each line backwards, so that the places of the entries before stay true.
  std::string rest;
  for (std::size_t i = file.entries.size(); i-- > 0;) {
    std::string value;
    const Entry& entry = file.entries[i];
    if (!IsIdEntry(entry.text, value)) continue;
    const std::size_t last = IdEntryTail(file.entries, i, rest);
    std::string& text = lines[entry.line];
    text.replace(entry.begin, file.entries[last].end - entry.begin, kKey + "=" + std::to_string(id));
  }
  std::string out = file.mark;
  for (std::size_t n = 0; n < lines.size(); ++n) out += lines[n] + file.lines[n].eol;
  return out;
}

}  // namespace

void ReplaceWholeFile(const std::string& path, const std::string& content, const char* source,
                      platform::os::LinkAtName link) {
  ReplaceFile(path, content, source, link);
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
  const std::string usage = ReadUsage(path);
  gLastFileError = 0;
  // Whatever keeps the id from being read reaches the journal once per cause: no run imports
  // anything until it is mended, and the log alone may be read by nobody.
  auto unreadable = [&](const std::string& why, const std::string& until) {
    const std::string prompt = "The last imported id in " + path + " cannot be read: " + why +
                               ". No answers are imported until " + until + " holds the line " + kKey +
                               "=<last imported id>.";
    Report(prompt);
    ReadFailed(usage, why, prompt);
    return -1;
  };
  bool saving = false;
  try {
    const FileRead read = ReadFile(path, "GetLastTransIdImported");
    if (read.missing) {
      MessageBox("Could not find file " + path);
      ReadFailed(usage, "it does not exist",
                 "The last imported id in " + path +
                     " cannot be read: the file does not exist. No answers are "
                     "imported until " +
                     path + " is a file that holds the line " + kKey + "=<last imported id>.");
      return -1;
    }
    if (!read.notAFile.empty()) return unreadable(read.notAFile, path + " is a file that");
    const std::string& raw = read.content;
    if (const std::string why = WhyNoText(raw); !why.empty()) return unreadable(why, "the file");
    const Parsed file = Parse(raw);
    const IdEntry entry = LastIdEntry(file.entries);
    if (!entry.found) {
      // A file of other settings gains the key; a file that holds something else (a lost id,
      // "0x3ED" on its own, a line of garbage) is no file of ours to start again from 0.
      for (const Entry& e : file.entries)
        if (!TrimBlanks(e.text).empty() && e.text.find('=') == std::string::npos && e.text.find(';') != 0)
          return unreadable("it holds no " + kKey + " entry, but " + Shown(TrimBlanks(e.text)), "the file");
      // The key starts a line of its own even after a last line without its line end.
      const bool needsEol = !file.body.empty() && file.body.back() != '\n';
      saving = true;
      ReplaceFile(path, raw + (needsEol ? file.eol : "") + kKey + "=0" + file.eol, "GetLastTransIdImported");
      // Everything DeraRed holds is imported again: whoever runs the service must hear of it.
      const std::string notice = path + " held no last imported id (no " + kKey +
                                 " line): the import reads DeraRed from id 0, every answer again. To import only "
                                 "the answers after another id, set the line " +
                                 kKey + "=<id> in " + path + " before the next run.";
      if (QALLoggerTXT* log = Program().logger) {
        log->WriteLog(notice, 0);
        log->WriteJournal(notice);
      }
      ReadAgain(usage, path, 0);
      return 0;
    }
    if (!entry.readable) return unreadable(entry.why, "the file");
    const std::int32_t id = core::Value(entry.number).ToLong();  // fractions rounded half to even
    ReadAgain(usage, path, id);
    return id;
  } catch (const core::RuntimeError& e) {
    const std::string prompt =
        "Error in GetLastTransIdImported: " + std::to_string(e.Number()) + " - " + e.Description();
    MessageBox(prompt);
    if (saving) {
      SaveFailed(path, prompt, "No answers are imported until it can be saved.");
    } else {
      const std::string reason = gLastFileError != 0 ? std::strerror(gLastFileError) : prompt;
      ReadFailed(usage, reason,
                 "The last imported id in " + path + " cannot be read: " + reason + " (" + prompt +
                     "). No answers are imported until it can be read.");
    }
    return -1;
  }
}

std::int32_t PutLastIdImported(const std::int32_t& id) {
  const std::string path = LastIdFilePath();
  gLastFileError = 0;
  try {
    const FileRead read = ReadFile(path, "PutLastIdImported");
    if (read.missing) {
      MessageBox("Could not find file " + path);
      return -1;
    }
    // Rewritten line by line, a file that is no text would lose what it holds.
    std::string why = read.notAFile;
    if (why.empty()) why = WhyNoText(read.content);
    if (!why.empty()) {
      Report("The last imported id in " + path + " is not rewritten: " + why + ".");
      if (QALLoggerTXT* log = Program().logger)
        log->ReportFileFailure(path, why,
                               "The last imported id cannot be saved in " + path + ": " + why +
                                   ". Each run imports again from the id saved last, until it can be saved.");
      return -1;
    }
    ReplaceFile(path, WithId(Parse(read.content), id), "PutLastIdImported");
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
