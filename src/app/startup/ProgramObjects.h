#pragma once

#include <memory>

#include "foundation/ProgramContext.h"

class CommonUI;
class ExclusiveSemaphore;
class CommonNTSERVICE;
class QtUiServices;
class IconBinding;
struct InstalledDialogs;
namespace platform::qt {
class QtIconImages;
}

// Owns the program-wide objects for the life of the process and the context that
// points at them. Start-up fills it in its fixed order; nothing is released
// before the process ends.
struct ProgramObjects {
  ProgramObjects();
  ~ProgramObjects();

  ProgramContext context;

  std::unique_ptr<IconManager> iconManager;
  std::unique_ptr<NetInfo> netInfo;
  std::unique_ptr<QALLoggerTXT> logger;
  std::unique_ptr<QALmsgBoxHandler> msgBox;
  std::unique_ptr<QALConfiguration> config;
  std::unique_ptr<CommonAINFOnavigator> aInfoNavigator;
  // Service mode: the lock that makes this the one service instance of the
  // program folder, held until the process ends.
  std::unique_ptr<ExclusiveSemaphore> serviceLock;

  // The Qt side of the user-interface services the context hands out.
  std::unique_ptr<QtUiServices> ui;
  // The image store behind the icon manager, and the binding that puts its
  // images on widgets.
  std::unique_ptr<platform::qt::QtIconImages> iconImages;
  std::unique_ptr<IconBinding> icons;

  // The window of the run mode; only one of them is ever made.
  std::unique_ptr<CommonUI> mainWindow;
  std::unique_ptr<CommonNTSERVICE> schedulerForm;
  // Interactive mode: the dialog windows behind the context's interfaces, shown over the
  // main window (and so released before it).
  std::unique_ptr<InstalledDialogs> dialogs;
};
