#include "app/forms/MenuTargets.h"

#include <string>

#include "app/forms/CommonConfigCollector.h"
#include "app/forms/CommonConfigNTSvc.h"
#include "app/forms/CommonConfigVornKrym.h"
#include "app/forms/CommonNTActivity.h"
#include "app/forms/CommonNTControl.h"
#include "app/forms/CustomConfig.h"
#include "app/session/ImportSession.h"
#include "app/startup/ProgramObjects.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALmsgBoxHandler.h"

namespace {

// A form whose window this build does not have yet says so instead of doing nothing.
void NotInThisBuild(const std::string& caption) {
  if (QALmsgBoxHandler* box = Program().msgBox)
    box->QalMsgBox("The window '" + caption + "' is not part of this build of the program.", 64);
}

}  // namespace

namespace MenuTargets {

void ShowConnectionToVornKrym(ProgramObjects& objects, QWidget* owner) { ShowCommonConfigVornKrym(objects, owner); }
void ShowCollectorConfiguration(ProgramObjects& objects, QWidget* owner) { ShowCommonConfigCollector(objects, owner); }
void ShowSourceConfiguration(ProgramObjects& objects, QWidget* owner) { ShowCustomConfig(objects, owner); }
void ShowAutomatedImportConfiguration(ProgramObjects& objects, QWidget* owner) {
  ShowCommonConfigNTSvc(objects, owner);
}
void ShowAdvancedConfiguration(ProgramObjects&, QWidget*) { NotInThisBuild("Advanced Configuration"); }

void OpenActivityLogView(ProgramObjects& objects, QWidget* owner) {
  CommonNTActivity::Open(objects.icons.get(), owner);
}
void ShowStatusAndControl(ProgramObjects& objects, QWidget* owner) {
  CommonNTControl::ShowModal(objects.icons.get(), owner);
}

void ImportAllVariables(bool testMode) { CommonGlobals::ImportAllVariables(testMode); }
void ImportSelectedVariables(bool testMode) { CommonGlobals::ImportSelectedVariables(testMode); }

}  // namespace MenuTargets
