#include "foundation/QALLoggerTXT.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/OutsideText.h"
#include "core/Text.h"
#include "core/Value.h"
#include "platform/xml/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int16_t kMinKeepDays = 7;
constexpr std::int16_t kMaxKeepDays = 1000;

// The whole size of a file, or nothing when it cannot be read.
std::optional<std::uintmax_t> FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uintmax_t>(st.st_size);
}

// Only plain, visible files are maintenance candidates: a subfolder, a link or a
// dot-file in the log folder is not one of our logs.
bool IsNormalFile(const fs::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_regular_file(ec) || entry.is_symlink(ec)) return false;
  const std::string name = entry.path().filename().string();
  return !name.empty() && name.front() != '.';
}

std::string ErrnoText(int error) { return std::strerror(error); }

}  // namespace

QALLoggerTXT::QALLoggerTXT(std::string appPath, std::string exeName, const core::Clock& clock)
    : appPath_(std::move(appPath)), exeName_(std::move(exeName)), clock_(clock), logPath_(appPath_ + "/log") {
  journal_ = [name = exeName_](const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), line.c_str());
    std::fflush(stderr);
  };
}

QALLoggerTXT::~QALLoggerTXT() {
  if (fd_ >= 0) ::close(fd_);
}

void QALLoggerTXT::LogHandleAssertion(bool on) { logHandleAssertion_ = on; }

void QALLoggerTXT::LogPath(const std::string& path) {
  logPath_ = path;
  // One level only; an existing folder (or any other failure) is not an error here.
  std::error_code ec;
  fs::create_directory(logPath_, ec);
}

const std::string& QALLoggerTXT::LogPath() const { return logPath_; }
void QALLoggerTXT::Prefix(const std::string& s) { prefix_ = s; }
const std::string& QALLoggerTXT::Prefix() const { return prefix_; }
void QALLoggerTXT::Postfix(const std::string& s) { postfix_ = s; }
const std::string& QALLoggerTXT::Postfix() const { return postfix_; }
void QALLoggerTXT::Verbosity(std::int16_t v) { verbosity_ = v; }
std::int16_t QALLoggerTXT::Verbosity() const { return verbosity_; }
void QALLoggerTXT::BufferLength(std::int16_t n) { bufferLength_ = n; }
std::int16_t QALLoggerTXT::BufferLength() const { return bufferLength_; }
void QALLoggerTXT::Enabled(bool on) { enabled_ = on; }
bool QALLoggerTXT::Enabled() const { return enabled_; }
const std::string& QALLoggerTXT::CurrentFilePath() const { return currentFilePath_; }

std::string QALLoggerTXT::HandleFilePath() const { return appPath_ + "/" + exeName_ + ".log_handle"; }

void QALLoggerTXT::closeLog() {
  if (!enabled_ || !logOpen_) return;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  logOpen_ = false;
}

void QALLoggerTXT::AssertVerbosity() {
  WriteLog("[Log Verbosity is set to " + std::to_string(verbosity_) + ", Log Date is " +
               clock_.Now().ShortDateText() + "]",
           0);
}

void QALLoggerTXT::WriteLog(const std::string& what, int verbosityLevel) {
  if (!enabled_) return;
  if (!logOpen_) OpenLog();
  const int level = std::clamp(verbosityLevel, 0, 9);
  if (level > verbosity_) return;
  if (!logOpen_) {
    if (outage_) ++outage_->missed;
    return;
  }
  WriteLine(what);
}

void QALLoggerTXT::Journal(std::function<void(const std::string& line)> sink) { journal_ = std::move(sink); }

void QALLoggerTXT::WriteJournal(const std::string& line) const {
  if (journal_) journal_(core::SafeLine(line));
}

void QALLoggerTXT::WriteAlert(const std::string& what) {
  WriteLog(what, 0);
  JournalWhileFailing(what);
}

void QALLoggerTXT::JournalWhileFailing(const std::string& what) const {
  if (OwnFilesFailing()) WriteJournal(what);
}

bool QALLoggerTXT::OwnFilesFailing() const { return outage_.has_value() || !failedFiles_.empty(); }

std::string QALLoggerTXT::LogFailure() const { return outage_ ? outage_->reason : std::string(); }

void QALLoggerTXT::ReportFileFailure(const std::string& file, const std::string& reason, const std::string& line) {
  auto [it, added] = failedFiles_.try_emplace(file, reason);
  if (!added && it->second == reason) return;
  it->second = reason;
  WriteJournal(line);
}

void QALLoggerTXT::FileRecovered(const std::string& file, const std::string& line) {
  if (failedFiles_.erase(file) > 0) WriteJournal(line);
}

void QALLoggerTXT::LogFailed(const std::string& reason) {
  if (outage_ && outage_->reason == reason) return;
  if (!outage_) outage_ = Outage{reason, clock_.Now(), 0};
  outage_->reason = reason;
  WriteJournal("The log cannot be written: " + reason +
               ". Until it can, the lines that matter (failures, each run's closing line) are written here.");
}

bool QALLoggerTXT::LogRecovered(const core::Date& now) {
  if (!outage_) return true;
  const std::string note = "The log could not be written from " + core::Format(outage_->since, "hh:mm:ss") + " to " +
                           core::Format(now, "hh:mm:ss") + " (" + outage_->reason + "): " +
                           std::to_string(outage_->missed) +
                           " line(s) are missing here; the lines that mattered went to standard error (the "
                           "service's journal).";
  int error = 0;
  if (!AppendLine(core::Format(now, "hh:mm:ss") + " : " + core::SafeLine(note) + "\r\n", error)) return false;
  outage_.reset();
  WriteJournal("The log can be written again: " + currentFilePath_);
  return true;
}

void QALLoggerTXT::OpenLog() {
  const core::Date now = clock_.Now();
  const std::string path =
      logPath_ + "/" + prefix_ + core::Format(now, "mm_dd_yyyy__hh_nn_ss") + postfix_ + ".log";

  // The folder may have gone since LogPath was set (or was never created when the
  // default path is used); make it again rather than lose every line.
  std::error_code folderError;
  fs::create_directory(logPath_, folderError);

  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);  // the umask decides
  if (fd < 0) {
    const int error = errno;
    std::string why = ErrnoText(error);
    struct stat st {};
    if (error == ENOTDIR && ::stat(logPath_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
      why = "the log folder " + logPath_ + " is a file, not a folder";
    else if (error == ENOENT && folderError)
      why = "the log folder " + logPath_ + " cannot be made: " + ErrnoText(folderError.value());
    // The cause, not the file's name (a new one each second), is what is told once.
    LogFailed("no log file can be made in " + logPath_ + ": " + why);
    // The handle must not go on naming an older log as the current one.
    if (logHandleAssertion_) DropHandleFile("the current log cannot be made");
    return;  // stays closed; the next line tries again
  }
  fd_ = fd;
  currentFilePath_ = path;
  logDate_ = now.DatePart();
  handleCurrent_ = false;
  if (logHandleAssertion_) WriteHandleFile(path);
  logOpen_ = true;
}

void QALLoggerTXT::WriteHandleFile(const std::string& logFile) {
  const std::string handle = HandleFilePath();
  std::string error;
  // Replaced as a whole: a reader never finds it empty or half written. Any account may read
  // it (the desktop program shows the service's log). It is a file of the folder: a link in
  // its place is replaced, never written through.
  if (platform::xml::AtomicFile::Write(handle, logFile + "\r\n", error, 0644,
                                       platform::xml::AtomicFile::Link::Replace)) {
    handleCurrent_ = true;
    handleDropped_ = false;
    FileRecovered(handle, "The handle file " + handle + " names the current log again.");
    return;
  }
  DropHandleFile("it cannot be written (" + error + ")");
}

void QALLoggerTXT::DropHandleFile(const std::string& why) {
  if (handleDropped_) return;
  handleDropped_ = true;
  handleCurrent_ = false;
  const std::string handle = HandleFilePath();
  if (::unlink(handle.c_str()) == 0 || errno == ENOENT) {
    ReportFileFailure(handle, why,
                      "The handle file " + handle + " was removed, so that it names no older log: " + why + ".");
    return;
  }
  const std::string unlinkError = ErrnoText(errno);
  ReportFileFailure(handle, why,
                    "The handle file " + handle + " cannot be brought up to date: " + why + ", and it cannot be removed (" +
                        unlinkError + "). The log it names is not the current one.");
}

bool QALLoggerTXT::WriteLine(const std::string& text) {
  if (!enabled_ || !logOpen_) return false;
  const core::Date now = clock_.Now();
  if (now.DatePart() != logDate_) {
    // A new day gets a new file whose first line points back at the old one.
    const std::string previous = currentFilePath_;
    closeLog();
    WriteLog("Previous log file for this session = " + previous, 0);
    if (!logOpen_) {
      if (outage_) ++outage_->missed;
      return false;
    }
  }
  // The lines the log missed are told first, in the log itself.
  if (!LogRecovered(now)) {
    ++outage_->missed;
    return false;
  }
  // Whatever a caller put into the text, it stays one line of bounded length that starts with
  // our own time stamp: line breaks and other controls are shown escaped, and a huge text is cut.
  // Each line is handed to the system as it is written: the service watcher reads the file
  // while we append, and a crash must not eat the last lines.
  int error = 0;
  if (!AppendLine(core::Format(now, "hh:mm:ss") + " : " + core::SafeLine(text) + "\r\n", error)) {
    LogFailed("the log file " + currentFilePath_ + " cannot be written: " + ErrnoText(error));
    if (outage_) ++outage_->missed;
    return false;
  }
  // A handle that could not be written while the log could not is written once it can.
  if (logHandleAssertion_ && !handleCurrent_) WriteHandleFile(currentFilePath_);
  return true;
}

bool QALLoggerTXT::AppendLine(const std::string& line, int& error) {
  struct stat st {};
  const off_t before = ::fstat(fd_, &st) == 0 ? st.st_size : -1;
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      // Half a line would run into the next one written.
      if (done > 0 && before >= 0) (void)::ftruncate(fd_, before);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void QALLoggerTXT::LSM_Init(std::int16_t keepDays) {
  keepDays_ = std::clamp(keepDays, kMinKeepDays, kMaxKeepDays);
  // The message keeps the folder's upper-cased form; the folder itself is
  // enumerated as written, since on this file system case names another folder.
  retentionFolder_ = core::UCase(logPath_);
  retentionFolderOnDisk_ = logPath_;
  WriteLog("Logs in '" + retentionFolder_ + "' will be removed after they are older than " + std::to_string(keepDays_) +
               " days.",
           0);
  lastMaintenanceHour_ = core::Date();
  maintenanceArmed_ = true;
}

bool QALLoggerTXT::LSM_IsDue() {
  if (!maintenanceArmed_) return false;
  const core::Date::Parts p = clock_.Now().Split();
  const core::Date hour = core::Date::FromParts(p.year, p.month, p.day, p.hour);
  if (hour > lastMaintenanceHour_) {
    lastMaintenanceHour_ = hour;
    return true;
  }
  return false;
}

void QALLoggerTXT::LSM_Run() {
  if (!maintenanceArmed_ || !LSM_IsDue()) return;
  const core::Date cutOff(clock_.Now().Serial() - keepDays_);

  std::int32_t removed = 0;
  // A 64-bit total: a folder holding more than 2 GB of old logs must not overflow.
  std::uintmax_t freedBytes = 0;
  std::error_code ec;
  fs::directory_iterator it(retentionFolderOnDisk_, ec);
  if (ec) return;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    if (!IsNormalFile(*it)) continue;
    const std::string path = it->path().string();
    // Never unlink the file we are writing to: its lines would go nowhere.
    std::error_code same;
    if (logOpen_ && fs::equivalent(path, currentFilePath_, same)) continue;
    const core::Date modified = GetLastModifiedFileTime(path);
    const std::uintmax_t size = FileSize(path).value_or(0);
    if (modified < cutOff && KillFileAndDiscardError(path)) {
      freedBytes += size;
      ++removed;
    }
  }
  if (removed == 0) return;

  // Written whatever the verbosity; opened here too so the line is never lost.
  if (!enabled_) return;
  if (!logOpen_) OpenLog();
  if (!logOpen_) return;
  WriteLine("Removed " + std::to_string(removed) + " logs. Freed " +
            core::FormatNumber(static_cast<double>(freedBytes) / 1024.0, "##,###,##0.00") +
            " kB of disk space.");
}

core::Date QALLoggerTXT::GetLastModifiedFileTime(const std::string& path) const {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return clock_.Now();
  std::tm local{};
  const std::time_t t = st.st_mtim.tv_sec;
  if (::localtime_r(&t, &local) == nullptr) return clock_.Now();
  return core::Date::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec);
}

std::int32_t QALLoggerTXT::GetFileSizeInBytes(const std::string& path) const {
  const auto size = FileSize(path);
  if (!size) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(*size & 0xFFFFFFFFu));
}

bool QALLoggerTXT::KillFileAndDiscardError(const std::string& path) const {
  // unlink, not remove: a folder is never deleted by accident.
  return ::unlink(path.c_str()) == 0;
}
