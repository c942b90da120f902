#pragma once

class QWidget;
struct ProgramObjects;

// The windows and sessions that the main window's menus reach in other parts of the program,
// behind one call each, so that the main window names every target in one way whatever its
// owner's own signature. Each call blocks while its window is shown modal (the activity view
// alone is modeless) and returns once it is closed. The objects are the program's; owner is
// the window the child is shown over.
namespace MenuTargets {

// Configuration forms, each modal.
void ShowConnectionToVornKrym(ProgramObjects& objects, QWidget* owner);
void ShowCollectorConfiguration(ProgramObjects& objects, QWidget* owner);
void ShowSourceConfiguration(ProgramObjects& objects, QWidget* owner);
void ShowAutomatedImportConfiguration(ProgramObjects& objects, QWidget* owner);
void ShowAdvancedConfiguration(ProgramObjects& objects, QWidget* owner);

// The service views: a new modeless activity view (several may be open), the modal status and
// control view.
void OpenActivityLogView(ProgramObjects& objects, QWidget* owner);
void ShowStatusAndControl(ProgramObjects& objects, QWidget* owner);

// Import sessions over all linked variables or a selection; test mode writes no values.
void ImportAllVariables(bool testMode);
void ImportSelectedVariables(bool testMode);

}  // namespace MenuTargets
