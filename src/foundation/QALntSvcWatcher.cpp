#include "foundation/QALntSvcWatcher.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/Text.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALntSvcCM.h"
#include "platform/ui/EventPump.h"

namespace {

const char kInitFirst[] = "General Init must be performed before calling InitServiceControl()";
const char kNoManager[] = "ERROR: Unable to connect to service manager!";
const char kNoService[] = "ERROR: Service not found!";

void LetEventsRun() {
  if (platform::ui::EventPump* events = Program().ui.events) events->ProcessEvents();
}

std::string TrimBlanks(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

QALntSvcWatcher::QALntSvcWatcher(std::shared_ptr<platform::service::ServiceManager> manager,
                                 platform::ui::TimerService* timers)
    : manager_(std::move(manager)), myTimer_(timers), mylogTimer_(timers) {
  myTimer_.id("SVCCOM_Status_Timer");
  mylogTimer_.id("SVCCOM_Log_Timer");
  myTimer_.OnTimer([this] { myTimer_Timer(); });
  mylogTimer_.OnTimer([this] { mylogTimer_Timer(); });
}

// The timers die with their members, which stops them before anything else goes.
QALntSvcWatcher::~QALntSvcWatcher() = default;

bool QALntSvcWatcher::Init(std::intptr_t MainFormHWnd) {
  mainWindow_ = MainFormHWnd;
  myTimer_.hWnd(MainFormHWnd);
  mylogTimer_.hWnd(MainFormHWnd);
  initialised_ = true;
  return true;
}

bool QALntSvcWatcher::InitServiceControl(const std::string& LocalNTserviceName, StatusLabel* StatusLabel,
                                         std::string& ErrorMessage) {
  if (!initialised_) {
    ErrorMessage = kInitFirst;
    return false;
  }
  // A service that cannot be watched must not keep the label's design caption ("Stopped"): the
  // label shows the error state instead.
  auto refuse = [&](const std::string& reply, const std::string& reason) {
    ShowStatusOn(StatusLabel, reply);
    unboundReason_ = reason;
    ErrorMessage = reason;
    return false;
  };
  const std::string name = core::Trim(LocalNTserviceName);
  if (name.empty()) return refuse(kNoService, "Empty service name provided");
  serviceControl_ = std::make_unique<QALntSvcCM>(manager_);
  const std::string reply = serviceControl_->ServiceStatus("", name);
  if (reply == kNoManager) return refuse(reply, "Unable to connect to service manager");
  if (reply == kNoService) return refuse(reply, "Service not found (" + name + ")");
  serviceName_ = name;
  unboundReason_.clear();
  statusLabel_ = StatusLabel;
  ShowStatus(reply);
  ErrorMessage = "";
  return true;
}

bool QALntSvcWatcher::InitLogView(TextBox* outputTextBox, std::string& ErrorMessage) {
  if (!initialised_) {
    ErrorMessage = kInitFirst;
    return false;
  }
  outputTextBox_ = outputTextBox;
  mylogTimer_.Enabled(false);
  if (outputTextBox_) outputTextBox_->Text("");
  ErrorMessage = "";
  RefreshLog();
  return true;
}

bool QALntSvcWatcher::Milliseconds(std::int32_t seconds, std::int32_t& ms) {
  const std::int64_t wide = static_cast<std::int64_t>(seconds) * 1000;
  if (wide > std::numeric_limits<std::int32_t>::max() || wide < std::numeric_limits<std::int32_t>::min()) return false;
  ms = static_cast<std::int32_t>(wide);
  return true;
}

void QALntSvcWatcher::EnableStatusAutoRefresh(std::int32_t IntervalINseconds) {
  if (!HasService()) return;
  std::int32_t ms = 0;
  if (!Milliseconds(IntervalINseconds, ms)) return;
  myTimer_.Interval(ms);
  myTimer_.Enabled(true);
}

void QALntSvcWatcher::EnableLogAutoRefresh(std::int32_t IntervalINseconds, std::int32_t bufferSizeBytes) {
  if (!initialised_) return;
  bufferSize_ = bufferSizeBytes;
  std::int32_t ms = 0;
  if (!Milliseconds(IntervalINseconds, ms)) return;
  mylogTimer_.Interval(ms);
  mylogTimer_.Enabled(true);
}

bool QALntSvcWatcher::StartNTservice(std::string& ErrorMessage) { return Control(true, ErrorMessage); }

bool QALntSvcWatcher::StopNTservice(std::string& ErrorMessage) { return Control(false, ErrorMessage); }

bool QALntSvcWatcher::Control(bool start, std::string& ErrorMessage) {
  if (!HasService()) {
    ErrorMessage = !initialised_ ? kInitFirst : !unboundReason_.empty() ? unboundReason_ : "No service to control";
    return false;
  }
  const bool accepted = start ? serviceControl_->vbStartService("", serviceName_, &ErrorMessage)
                              : serviceControl_->vbStopService("", serviceName_, &ErrorMessage);
  RefreshStatus();
  return accepted;
}

void QALntSvcWatcher::myTimer_Timer() {
  if (HasService()) RefreshStatus();
}

void QALntSvcWatcher::mylogTimer_Timer() {
  if (initialised_) RefreshLog();
}

void QALntSvcWatcher::RefreshStatus() { ShowStatus(serviceControl_->ServiceStatus("", serviceName_)); }

void QALntSvcWatcher::ShowStatus(const std::string& status) { ShowStatusOn(statusLabel_, status); }

void QALntSvcWatcher::ShowStatusOn(StatusLabel* label, const std::string& status) {
  if (!label) return;
  if (status.find("ERROR:") != std::string::npos) {
    label->Caption("N/A");
    label->BackColor(kRed);
  } else {
    if (status == "Running") {
      label->BackColor(kGreen);
    } else if (status == "Stopped" || status == "Start Pending" || status == "Stop Pending" ||
               status == "Continue Pending" || status == "Pause Pending" || status == "Paused") {
      label->BackColor(kRed);
    }
    label->Caption(status);
  }
  LetEventsRun();  // so the label repaints at once
}

void QALntSvcWatcher::RefreshLog() {
  if (!outputTextBox_) return;
  const std::string path = ReadLogHandle();
  outputTextBox_->Text(path.empty() ? std::string() : ReadLogTail(path));
  LetEventsRun();
}

std::string QALntSvcWatcher::LastLogFilePath() const { return ReadLogHandle(); }

// The handle file holds one line, the log file's full path. The whole line is the path: a folder
// name may hold a comma. Quotes around it are taken off.
std::string QALntSvcWatcher::ReadLogHandle() const {
  const ProgramContext& program = Program();
  std::ifstream in(program.app.Path + "/" + program.app.EXEName + ".log_handle", std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return "";
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::string value = TrimBlanks(line);
  if (!value.empty() && value.front() == '"') {
    const auto close = value.find('"', 1);
    value = value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return TrimBlanks(value);
}

// Reads at most the buffer size from the end, so a long log costs no more than a short one.
std::string QALntSvcWatcher::ReadLogTail(const std::string& path) const {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || bufferSize_ <= 0) return "";
  const std::uintmax_t n = std::min<std::uintmax_t>(size, static_cast<std::uintmax_t>(bufferSize_));
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  in.seekg(static_cast<std::streamoff>(size - n));
  std::string tail(n, '\0');
  in.read(tail.data(), static_cast<std::streamsize>(n));
  tail.resize(static_cast<std::size_t>(in.gcount()));
  // A tail cut inside a character starts with the rest of it; that is no text.
  if (n < size) {
    std::size_t skip = 0;
    while (skip < tail.size() && skip < 3 && (static_cast<unsigned char>(tail[skip]) & 0xC0) == 0x80) ++skip;
    tail.erase(0, skip);
  }
  return ReverseLines(tail);
}

std::string QALntSvcWatcher::ReverseLines(const std::string& text) {
  const std::vector<std::string> pieces = core::Split(text, "\r\n");
  std::string out;
  out.reserve(text.size() + 2);
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) out += *it + "\r\n";
  return out;
}
