#pragma once

namespace platform::ui {

class MessagePresenter;
class ActivityList;
class EventPump;
class BusyPointer;
class TimerService;
class ShellOpener;
class ConfigPasswordPrompt;
class ConnectionProgress;

// What the Qt-free code may ask of the user interface. Any member may be null:
// code then does without (no activity list before the main window exists, no
// pointer in a test). The owner of the program context owns these objects.
struct UiServices {
  MessagePresenter* messages = nullptr;
  ActivityList* activityList = nullptr;
  EventPump* events = nullptr;
  BusyPointer* busy = nullptr;
  TimerService* timers = nullptr;
  ShellOpener* shell = nullptr;
  ConfigPasswordPrompt* configPassword = nullptr;
  ConnectionProgress* connectionProgress = nullptr;
};

}  // namespace platform::ui
