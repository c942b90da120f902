#include "app/session/SessionDialogs.h"

#include <exception>

namespace {

// The program installs its dialogs once at start-up; sessions only read the pointer.
SessionDialogs* gSessionDialogs = nullptr;

}  // namespace

std::unique_ptr<CommonVarGatherer> SessionDialogs::SelectedVariables(
    const CommonVarGatherer& preloaded, const std::vector<std::pair<std::string, std::int32_t>>& rows) {
  try {
    auto result = std::make_unique<CommonVarGatherer>();
    for (const auto& [facility, varid] : rows) result->ADHOCAddVariable(facility, varid);
    result->FacilityNames(preloaded.FacilityNames());
    result->LastRunSettings(preloaded.LastRunSettings());
    result->CopyCollectorInfo(preloaded);
    return result;
  } catch (const std::exception&) {
    return nullptr;
  }
}

SessionDialogs* SessionDialogs::Installed() { return gSessionDialogs; }

void SessionDialogs::Install(SessionDialogs* dialogs) { gSessionDialogs = dialogs; }

SessionDialogs::Scope::Scope(SessionDialogs& dialogs) : previous_(gSessionDialogs) { gSessionDialogs = &dialogs; }

SessionDialogs::Scope::~Scope() { gSessionDialogs = previous_; }
