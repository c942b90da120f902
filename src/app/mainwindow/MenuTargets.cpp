#include "app/mainwindow/MenuTargets.h"

#include "app/config/CommonConfigAdvanced.h"
#include "app/config/CommonConfigCollector.h"
#include "app/config/CommonConfigNTSvc.h"
#include "app/config/CommonConfigVornKrym.h"
#include "app/serviceviews/CommonNTActivity.h"
#include "app/serviceviews/CommonNTControl.h"
#include "app/config/CustomConfig.h"
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
