// Every configuration window opens its own help page from its "help" button.
#include <filesystem>
#include <functional>
#include <memory>

#include "ConfigFormsFixture.h"
#include "app/config/CommonConfigAInfo.h"
#include "app/config/CommonConfigAInfoKrym.h"
#include "app/config/CommonConfigAInfoSRC.h"
#include "app/config/CommonConfigAdvanced.h"
#include "app/config/CommonConfigCollector.h"
#include "app/config/CommonConfigNTSvc.h"
#include "app/config/CommonConfigUnits.h"
#include "app/config/CommonConfigVornKrym.h"
#include "app/config/CommonTypeConfigCache.h"
#include "app/config/CustomConfig.h"
#include "platform/ui/ShellOpener.h"
#include "support/RecordingShell.h"

namespace configforms {
namespace {

using testsupport::RecordingShell;

class HelpTopics : public ConfigForms {};

TEST_F(HelpTopics, EachFormOpensItsOwnPage) {
  RecordingShell shell;
  platform::ui::ShellOpener* desktop = objects_->context.ui.shell;
  objects_->context.ui.shell = &shell;
  const fs::path help = objects_->context.app.HelpFile;
  fs::create_directories(help);

  using Make = std::function<std::unique_ptr<CommonConfigForm>()>;
  struct Case {
    const char* topic;
    Make make;
  };
  const IconBinding* icons = Icons();
  const Case cases[] = {
      {"12037", [icons] { return std::make_unique<CommonConfigVornKrym>(icons); }},
      {"12043", [icons] { return std::make_unique<CustomConfig>(icons); }},
      {"12042", [icons] { return std::make_unique<CommonConfigCollector>(icons); }},
      {"12044", [icons] { return std::make_unique<CommonConfigNTSvc>(icons); }},
      {"12045", [icons] { return std::make_unique<CommonConfigAdvanced>(icons); }},
      {"12132", [icons] { return std::make_unique<CommonTypeConfigCache>(icons); }},
      {"12132", [icons] { return std::make_unique<CommonConfigUnits>(icons); }},
      {"12598", [icons] { return std::make_unique<CommonConfigAInfo>(icons); }},
      {"12531", [icons] { return std::make_unique<CommonConfigAInfoSRC>(icons); }},
      {"12599", [icons] { return std::make_unique<CommonConfigAInfoKrym>(icons); }},
  };
  for (const Case& c : cases) {
    std::ofstream(help / (std::string(c.topic) + ".html")) << "<html></html>";
    shell.opened.clear();
    std::unique_ptr<CommonConfigForm> form = c.make();
    ForgetBoxes();
    windowchecks::Press(*form, "Help");
    EXPECT_EQ(shell.opened, std::vector<std::string>{(help / (std::string(c.topic) + ".html")).string()})
        << form->windowTitle().toStdString();
    EXPECT_TRUE(Boxes().empty()) << form->windowTitle().toStdString();
  }
  objects_->context.ui.shell = desktop;
}

}  // namespace
}  // namespace configforms
