#include "app/dialogs/InteractiveDialogs.h"

#include <memory>

#include "app/mainwindow/CommonUI.h"
#include "app/startup/ProgramObjects.h"

InstalledDialogs::InstalledDialogs(ProgramContext& context, const IconBinding* icons, QWidget* owner)
    : context(context), sessions(icons, owner), progress(owner), password(icons, owner) {
  SessionDialogs::Install(&sessions);
  context.ui.connectionProgress = &progress;
  context.ui.configPassword = &password;
}

InstalledDialogs::~InstalledDialogs() {
  if (SessionDialogs::Installed() == &sessions) SessionDialogs::Install(nullptr);
  if (context.ui.connectionProgress == &progress) context.ui.connectionProgress = nullptr;
  if (context.ui.configPassword == &password) context.ui.configPassword = nullptr;
}

void InstallInteractiveDialogs(ProgramObjects& objects) {
  RemoveInteractiveDialogs(objects);
  objects.dialogs =
      std::make_unique<InstalledDialogs>(objects.context, objects.icons.get(), objects.mainWindow.get());
}

void RemoveInteractiveDialogs(ProgramObjects& objects) { objects.dialogs.reset(); }
