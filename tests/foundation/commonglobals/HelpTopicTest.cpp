// Help pages: <topic>.html in the help folder beside the program, handed to the
// desktop; a missing page opens nothing and says nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "Fakes.h"
#include "TempFolder.h"
#include "foundation/CommonGlobals.h"
#include "foundation/ProgramContext.h"

namespace {

class HelpTopicTest : public ::testing::Test {
 protected:
  HelpTopicTest() : scope_(ctx_) {
    dir_.Write("help/12036.html", "<html></html>");
    dir_.Write("help/7J4W4X.html", "<html></html>");
    dir_.Write("secret.html", "<html></html>");
    ctx_.app.Path = dir_.Str();
    ctx_.ui.shell = &shell_;
    CommonGlobals::SetHelpFilePath();
  }

  TempFolder dir_;
  FakeShellOpener shell_;
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

TEST_F(HelpTopicTest, MissingOrForeignPagesOpenNothing) {
  for (const char* topic : {"99999", "7j4w4x", "", "../secret", "help/12036", ".", ".."})
    CommonGlobals::ShowHelpTopic(topic);
  EXPECT_TRUE(shell_.opened.empty());
}

TEST_F(HelpTopicTest, WithoutHelpFolderOrDesktopNothingHappens) {
  ctx_.app.HelpFile = (dir_.Path() / "nohelp").string();
  CommonGlobals::ShowHelpTopic("12036");
  EXPECT_TRUE(shell_.opened.empty());

  CommonGlobals::SetHelpFilePath();
  ctx_.ui.shell = nullptr;
  CommonGlobals::ShowHelpTopic("12036");  // no desktop: no crash
}

TEST_F(HelpTopicTest, AFailingDesktopDoesNotReachTheCaller) {
  shell_.fail = true;
  EXPECT_NO_THROW(CommonGlobals::ShowHelpTopic("12036"));
  EXPECT_EQ(shell_.opened.size(), 1u);
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
  for (const char* topic : {"12033", "12036", "12037", "12042", "12043",  "12044",  "12045",  "12047", "12049",
                            "12055", "12056", "12057", "12058", "12059",  "12067",  "12068",  "12069", "12132",
                            "12213", "12531", "12598", "12599", "5X7I8P", "3J3C8Y", "7A6A1P", "7J4W4X"}) {
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
