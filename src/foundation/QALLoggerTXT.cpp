#include "foundation/QALLoggerTXT.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/Text.h"
#include "core/Value.h"

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

}  // namespace

QALLoggerTXT::QALLoggerTXT(std::string appPath, std::string exeName, const core::Clock& clock)
    : appPath_(std::move(appPath)), exeName_(std::move(exeName)), clock_(clock), logPath_(appPath_ + "/log") {}

QALLoggerTXT::~QALLoggerTXT() = default;

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
  file_.close();
  file_.clear();
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
  if (level <= verbosity_) WriteLine(what);
}

void QALLoggerTXT::OpenLog() {
  const core::Date now = clock_.Now();
  const std::string path =
      logPath_ + "/" + prefix_ + core::Format(now, "mm_dd_yyyy__hh_nn_ss") + postfix_ + ".log";

  // The folder may have gone since LogPath was set (or was never created when the
  // default path is used); make it again rather than lose every line.
  std::error_code ec;
  fs::create_directory(logPath_, ec);

  file_.clear();
  file_.open(path, std::ios::out | std::ios::app | std::ios::binary);
  if (!file_.is_open()) {
    file_.clear();
    return;  // stays closed; the next line tries again
  }
  currentFilePath_ = path;
  logDate_ = now.DatePart();
  if (logHandleAssertion_) WriteHandleFile(path);
  logOpen_ = true;
}

void QALLoggerTXT::WriteHandleFile(const std::string& logFile) {
  const std::string handle = HandleFilePath();
  KillFileAndDiscardError(handle);
  std::ofstream out(handle, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!out) return;
  out << logFile << "\r\n";
}

namespace {

// The program breaks its own texts with CR LF; a bare LF comes from outside (a driver's message
// keeps its line breaks as LF for the windows) and shows as \n, so that the text stays on the
// line that its time stamp begins.
std::string WithoutBareLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      out += "\\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

void QALLoggerTXT::WriteLine(const std::string& text) {
  if (!enabled_ || !logOpen_) return;
  const core::Date now = clock_.Now();
  if (now.DatePart() != logDate_) {
    // A new day gets a new file whose first line points back at the old one.
    const std::string previous = currentFilePath_;
    closeLog();
    WriteLog("Previous log file for this session = " + previous, 0);
    if (!logOpen_) return;
  }
  file_ << core::Format(now, "hh:mm:ss") << " : " << WithoutBareLineBreaks(text) << "\r\n";
  // Each line must be on disk when it is written: the service watcher reads the
  // file while we append, and a crash must not eat the last lines.
  file_.flush();
  if (!file_) file_.clear();
}

void QALLoggerTXT::LSM_Init(std::int16_t keepDays) {
  keepDays_ = std::clamp(keepDays, kMinKeepDays, kMaxKeepDays);
  // The message keeps the folder's upper-cased form; the folder itself is
  // enumerated as written, since on this file system case names another folder.
  retentionFolder_ = core::UCase(logPath_);
  retentionFolderOnDisk_ = logPath_;
  WriteLog("Logs in '" + retentionFolder_ + "' will be removed after they are older than " +
               std::to_string(keepDays_) + " days.",
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
