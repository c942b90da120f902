#include "app/forms/InteractiveDialogs.h"

#include <map>
#include <memory>

#include "app/forms/CommonUI.h"
#include "app/forms/QtConfigPasswordPrompt.h"
#include "app/forms/QtConnectionProgress.h"
#include "app/forms/QtSessionDialogs.h"
#include "app/startup/ProgramObjects.h"

namespace {

struct Installed {
  Installed(const IconBinding* icons, QWidget* owner)
      : sessions(icons, owner), progress(owner), password(icons, owner) {}
  QtSessionDialogs sessions;
  QtConnectionProgress progress;
  QtConfigPasswordPrompt password;
};

// The dialogs of each program's objects (one in the program; tests make several in turn).
std::map<const ProgramObjects*, std::unique_ptr<Installed>>& Registry() {
  static std::map<const ProgramObjects*, std::unique_ptr<Installed>> registry;
  return registry;
}

}  // namespace

void InstallInteractiveDialogs(ProgramObjects& objects) {
  RemoveInteractiveDialogs(objects);
  QWidget* owner = objects.mainWindow.get();
  auto installed = std::make_unique<Installed>(objects.icons.get(), owner);
  SessionDialogs::Install(&installed->sessions);
  objects.context.ui.connectionProgress = &installed->progress;
  objects.context.ui.configPassword = &installed->password;
  Registry()[&objects] = std::move(installed);
}

void RemoveInteractiveDialogs(ProgramObjects& objects) {
  auto found = Registry().find(&objects);
  if (found == Registry().end()) return;
  Installed& installed = *found->second;
  if (SessionDialogs::Installed() == &installed.sessions) SessionDialogs::Install(nullptr);
  if (objects.context.ui.connectionProgress == &installed.progress) objects.context.ui.connectionProgress = nullptr;
  if (objects.context.ui.configPassword == &installed.password) objects.context.ui.configPassword = nullptr;
  Registry().erase(found);
}
