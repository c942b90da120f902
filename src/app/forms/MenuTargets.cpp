#include "app/forms/MenuTargets.h"

#include "app/forms/CommonConfigAdvanced.h"
#include "app/forms/CommonConfigCollector.h"
#include "app/forms/CommonConfigNTSvc.h"
#include "app/forms/CommonConfigVornKrym.h"
#include "app/forms/CommonNTActivity.h"
#include "app/forms/CommonNTControl.h"
#include "app/forms/CustomConfig.h"
#include "app/session/ImportSession.h"
#include "app/startup/ProgramObjects.h"

namespace MenuTargets {

void ShowConnectionToVornKrym(ProgramObjects& objects, QWidget* owner) { ShowCommonConfigVornKrym(objects, owner); }
void ShowCollectorConfiguration(ProgramObjects& objects, QWidget* owner) { ShowCommonConfigCollector(objects, owner); }
void ShowSourceConfiguration(ProgramObjects& objects, QWidget* owner) { ShowCustomConfig(objects, owner); }
void ShowAutomatedImportConfiguration(ProgramObjects& objects, QWidget* owner) {
  ShowCommonConfigNTSvc(objects, owner);
}
void ShowAdvancedConfiguration(ProgramObjects& objects, QWidget* owner) { ShowCommonConfigAdvanced(objects, owner); }

void OpenActivityLogView(ProgramObjects& objects, QWidget* owner) {
  CommonNTActivity::Open(objects.icons.get(), owner);
}
void ShowStatusAndControl(ProgramObjects& objects, QWidget* owner) {
  CommonNTControl::ShowModal(objects.icons.get(), owner);
}

void ImportAllVariables(bool testMode) { CommonGlobals::ImportAllVariables(testMode); }
void ImportSelectedVariables(bool testMode) { CommonGlobals::ImportSelectedVariables(testMode); }

}  // namespace MenuTargets
