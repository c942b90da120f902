#include "app/startup/ConfigurationStart.h"

#include <signal.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "foundation/CommonGlobalsSettings.h"
#include "foundation/QALConfiguration.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "import/engine/LastIdFile.h"
#include "platform/xml/AtomicFile.h"

namespace fs = std::filesystem;

namespace ConfigurationStart {

namespace {

bool ProcessIsAlive(long pid) {
  if (pid <= 0 || pid != static_cast<pid_t>(pid)) return false;
  // EPERM: it lives, under another account (the service beside an interactive start).
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

void RemoveSaveLeftovers(const std::string& folder, const std::string& exeName, QALLoggerTXT& log) {
  const std::string configName = exeName + ".xml";
  const std::string handleName = exeName + ".log_handle";
  std::vector<fs::path> leftovers;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (!fs::is_regular_file(it->symlink_status(typeError))) continue;
    bool abandoned = false;
    if (platform::xml::AtomicFile::IsTemporaryOf(name, configName) ||
        platform::xml::AtomicFile::IsTemporaryOf(name, handleName))
      abandoned = !platform::xml::AtomicFile::InUse(it->path().string());
    else if (const auto owner = LastIdFile::TemporaryOwner(name))
      abandoned = !ProcessIsAlive(*owner);
    if (abandoned) leftovers.push_back(it->path());
  }
  for (const fs::path& file : leftovers) {
    std::error_code removeError;
    if (fs::remove(file, removeError))
      log.WriteLog("Removed " + file.string() + ", left behind by an interrupted save.", 0);
    else if (removeError)
      log.WriteLog(
          "Unable to remove " + file.string() + ", left behind by an interrupted save: " + removeError.message(), 0);
  }
}

bool Read(QALConfiguration& config, QALmsgBoxHandler& msgBox, const std::string& title) {
  if (config.ReadConfig()) return true;
  // The store has logged the file and the reason on a line of their own; a person at the
  // screen reads the reason in the box.
  std::string prompt = "Unable to read configuration at " + config.path();
  if (!msgBox.SilentOperation()) prompt += "\n\n" + config.LastReadError();
  msgBox.QalMsgBox(prompt, 48, "Unable to start " + title);
  return false;
}

void ApplyLogSettings(QALLoggerTXT& log) {
  log.Verbosity(CommonGlobals::LogVerbositySetting());
  log.AssertVerbosity();
  const std::int32_t keepDays = CommonGlobals::ClampedSetting("OPTIONS\\KEEP_LOGS_FOR", 7, 1000, 30);
  log.LSM_Init(static_cast<std::int16_t>(keepDays));
  log.LSM_Run();
}

}  // namespace ConfigurationStart
