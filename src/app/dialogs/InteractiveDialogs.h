#pragma once

#include "app/config/QtConfigPasswordPrompt.h"
#include "app/dialogs/QtConnectionProgress.h"
#include "app/dialogs/QtSessionDialogs.h"

class IconBinding;
class QWidget;
struct ProgramContext;
struct ProgramObjects;

// The program's dialog windows behind the interfaces that the Qt-free code asks through: the
// session's operator dialogs (super-user login, variable picker, date ranges), the connection
// progress window and the configuration password prompt, shown over the owner window. The
// program objects own them (ProgramObjects::dialogs); going, they take themselves out of the
// context and the session again.
struct InstalledDialogs {
  InstalledDialogs(ProgramContext& context, const IconBinding* icons, QWidget* owner);
  ~InstalledDialogs();
  InstalledDialogs(const InstalledDialogs&) = delete;
  InstalledDialogs& operator=(const InstalledDialogs&) = delete;

  ProgramContext& context;
  QtSessionDialogs sessions;
  QtConnectionProgress progress;
  QtConfigPasswordPrompt password;
};

// Call once the main window exists (its construction hands the context a fresh set of user
// interface services). The dialogs are kept for as long as the objects are, until
// RemoveInteractiveDialogs; installing again replaces them.
void InstallInteractiveDialogs(ProgramObjects& objects);
// Takes them out of the context and the session again and releases them.
void RemoveInteractiveDialogs(ProgramObjects& objects);
