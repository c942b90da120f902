// Help pages: <topic>.html in the help folder beside the program, handed to the
// desktop; a page that is missing or that no browser takes is told in a box.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "Fakes.h"
#include "TempFolder.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALmsgBoxHandler.h"

namespace {

class HelpTopicTest : public ::testing::Test {
 protected:
  HelpTopicTest() : scope_(ctx_) {
    boxes_.Presenter(&presenter_);
    ctx_.msgBox = &boxes_;
    dir_.Write("help/12036.html", "<html></html>");
    dir_.Write("help/7J4W4X.html", "<html></html>");
    dir_.Write("secret.html", "<html></html>");
    ctx_.app.Path = dir_.Str();
    ctx_.ui.shell = &shell_;
    CommonGlobals::SetHelpFilePath();
  }

  // The boxes' prompts; every one is titled "Unable to display help" with the exclamation icon.
  std::vector<std::string> Told() const {
    std::vector<std::string> prompts;
    for (const FakePresenter::Shown& b : presenter_.shown) {
      EXPECT_EQ(b.title, "Unable to display help");
      EXPECT_EQ(b.style, 48);
      prompts.push_back(b.prompt);
    }
    return prompts;
  }

  TempFolder dir_;
  FakeShellOpener shell_;
  FakePresenter presenter_;
  QALmsgBoxHandler boxes_;
  ProgramContext ctx_;
  ProgramScope scope_;
};

TEST_F(HelpTopicTest, OpensThePageOfTheTopic) {
  CommonGlobals::ShowHelpTopic("12036");
  CommonGlobals::ShowHelpTopic("7J4W4X");
  ASSERT_EQ(shell_.opened.size(), 2u);
  EXPECT_EQ(std::filesystem::path(shell_.opened[0]), dir_.Path() / "help" / "12036.html");
  EXPECT_EQ(std::filesystem::path(shell_.opened[1]), dir_.Path() / "help" / "7J4W4X.html");
}

TEST_F(HelpTopicTest, AMissingPageIsToldNamingIt) {
  const std::string page = (dir_.Path() / "help" / "99999.html").string();
  CommonGlobals::ShowHelpTopic("99999");
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_EQ(Told(), std::vector<std::string>{"The help page " + page +
                                             " is missing. Reinstall the program to restore its help pages."});

  presenter_.shown.clear();
  ctx_.app.HelpFile = (dir_.Path() / "nohelp").string();
  CommonGlobals::ShowHelpTopic("12036");
  EXPECT_TRUE(shell_.opened.empty());
  ASSERT_EQ(Told().size(), 1u);
  EXPECT_NE(Told()[0].find((dir_.Path() / "nohelp" / "12036.html").string()), std::string::npos) << Told()[0];
}

TEST_F(HelpTopicTest, TopicsThatAreNoPageNamesOpenNothing) {
  for (const char* topic : {"", "../secret", "help/12036", ".", ".."}) CommonGlobals::ShowHelpTopic(topic);
  EXPECT_TRUE(shell_.opened.empty());
  EXPECT_TRUE(presenter_.shown.empty());
}

TEST_F(HelpTopicTest, APageNoBrowserTakesIsToldAndDoesNotReachTheCaller) {
  const std::string page = (dir_.Path() / "help" / "12036.html").string();
  const std::string told =
      "The help page " + page +
      " could not be opened: this desktop has no web browser set up to show it. Open the file in a browser.";
  struct Case {
    const char* what;
    bool fail;     // the desktop throws
    bool refuse;   // the desktop answers false
    bool noShell;  // no desktop at all
  };
  for (const Case& c : {Case{"throws", true, false, false}, Case{"refuses", false, true, false},
                        Case{"no desktop", false, false, true}}) {
    presenter_.shown.clear();
    shell_.fail = c.fail;
    shell_.refuse = c.refuse;
    ctx_.ui.shell = c.noShell ? nullptr : &shell_;
    EXPECT_NO_THROW(CommonGlobals::ShowHelpTopic("12036")) << c.what;
    EXPECT_EQ(Told(), std::vector<std::string>{told}) << c.what;
  }
}

TEST(SetHelpFilePath, HelpFolderInTheProgramFolder) {
  struct Case {
    const char* path;
    const char* helpFile;
  };
  for (const Case& c : {Case{"/opt/k30418", "/opt/k30418/help"}, Case{"/opt/k30418/", "/opt/k30418/help"},
                        Case{"  /opt/k30418  ", "/opt/k30418/help"}, Case{"", "help"}}) {
    ProgramContext ctx;
    ctx.app.Path = c.path;
    ProgramScope scope(ctx);
    CommonGlobals::SetHelpFilePath();
    EXPECT_EQ(ctx.app.HelpFile, c.helpFile) << "program folder '" << c.path << "'";
  }
}

TEST(ShippedHelp, EveryTopicTheProgramOpensHasAPage) {
  const std::filesystem::path help = std::filesystem::path(K30418_SOURCE_DIR) / "help";
  for (const char* topic : {"12033", "12036", "12037", "12042", "12043",  "12044",  "12045",  "12047", "12049", "12055",
                            "12056", "12057", "12058", "12059", "12067",  "12068",  "12069",  "12132", "12213", "12230",
                            "12531", "12598", "12599", "30418", "5X7I8P", "3J3C8Y", "7A6A1P", "7J4W4X"}) {
    const auto page = help / (std::string(topic) + ".html");
    EXPECT_TRUE(std::filesystem::is_regular_file(page)) << page;
  }
}

TEST(ShippedHelp, LinksBetweenPagesResolve) {
  const std::filesystem::path help = std::filesystem::path(K30418_SOURCE_DIR) / "help";
  const std::regex link("(?:href|src)=\"([^\"#]+)\"");
  for (const auto& entry : std::filesystem::directory_iterator(help)) {
    if (entry.path().extension() != ".html") continue;
    const std::string text = TempFolder::Read(entry.path());
    for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it)
      EXPECT_TRUE(std::filesystem::is_regular_file(help / (*it)[1].str()))
          << entry.path().filename() << " links to " << (*it)[1];
  }
}

}  // namespace
