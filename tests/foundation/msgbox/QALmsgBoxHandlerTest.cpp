#include "foundation/QALmsgBoxHandler.h"

#include <filesystem>
#include <fstream>
#include <functional>

#include "foundation/ProgramContext.h"
#include "foundation/logger/LoggerFixture.h"
#include "platform/ui/MessagePresenter.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kOpening = "=============================== SILENT QALMSGBOX ===============================";
const std::string kClosing(77, '=');

class SilentBox : public loggertest::LoggerFixture {
 protected:
  void SetUp() override {
    LoggerFixture::SetUp();
    box.LogHandler(&*logger);
    box.SilentOperation(true);
  }
  // The "ANSWER= " line of the last block.
  std::string AnswerLine() const {
    const Strings t = Texts();
    return t.size() >= 2 ? t[t.size() - 2] : "<no block>";
  }
  QALmsgBoxHandler box;
};

TEST_F(SilentBox, PromptOnlyIsLoggedAsABlockAndAnsweredOk) {
  logger->Verbosity(0);
  EXPECT_EQ(box.QalMsgBox("Nothing to import."), 1);
  EXPECT_EQ(Texts(), (Strings{kOpening, "PROMPT= Nothing to import.", "BUTTONS= 0", "ANSWER= OK", kClosing}));
}

// The program's own line breaks in a prompt stay lines of the block (readable in the log); a
// prompt line and the title are cut, so one box cannot make a huge line.
TEST_F(SilentBox, APromptOfSeveralLinesStaysReadableAndEachLineIsBounded) {
  logger->Verbosity(0);
  box.QalMsgBox("Error :\n" + std::string(5000, 'e') + "\r\nlast", 0, std::string(2000, 't'));
  const Strings t = Texts();
  ASSERT_EQ(t.size(), 8u);
  EXPECT_EQ(t[1], "PROMPT= Error :");
  EXPECT_EQ(t[2], std::string(1000, 'e') + "... (cut, 5000 bytes in all)");
  EXPECT_EQ(t[3], "last");
  EXPECT_EQ(t[5].rfind("TITLE= ", 0), 0u);
  EXPECT_LT(t[5].size(), 400u);
}

TEST_F(SilentBox, AnswersWithTheDefaultButton) {
  struct Case {
    std::int32_t buttons, answer;
    std::string word;
  };
  const Case cases[] = {
      // The default of every button type, as first, second and third button.
      {0, 1, "OK"},         {256, 1, "OK"},       {512, 1, "OK"},
      {1, 1, "OK"},         {1 + 256, 2, "CANCEL"}, {1 + 512, 1, "OK"},
      {2, 3, "ABORT"},      {2 + 256, 4, "RETRY"}, {2 + 512, 5, "IGNORE"},
      {3, 6, "YES"},        {3 + 256, 7, "NO"},   {3 + 512, 2, "CANCEL"},
      {4, 6, "YES"},        {4 + 256, 7, "NO"},   {4 + 512, 6, "YES"},
      {5, 4, "RETRY"},      {5 + 256, 2, "CANCEL"}, {5 + 512, 4, "RETRY"},
      {6, 1, "OK"},         {7 + 256, 1, "OK"},   {7 + 512, 1, "OK"},
      // Icons do not change the answer; both default flags: the second button wins.
      {4 + 32, 6, "YES"},   {4 + 32 + 256, 7, "NO"}, {3 + 48 + 256 + 512, 7, "NO"},
      {16 + 5, 4, "RETRY"}, {64 + 1 + 256, 2, "CANCEL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "buttons " << c.buttons);
    EXPECT_EQ(box.QalMsgBox("Question?", c.buttons, std::string("Title")), c.answer);
    const Strings t = Texts();
    ASSERT_GE(t.size(), 5u);
    EXPECT_EQ(t[t.size() - 4], "BUTTONS= " + std::to_string(c.buttons));
    EXPECT_EQ(t[t.size() - 2], "ANSWER= " + c.word);
    EXPECT_EQ(t.back(), kClosing);
  }
}

TEST_F(SilentBox, PresetAnswersTheNextBoxOnly) {
  box.Answer(7);
  EXPECT_EQ(box.QalMsgBox("Overwrite?", 1), 7);
  EXPECT_EQ(AnswerLine(), "ANSWER= NO");
  EXPECT_EQ(box.QalMsgBox("Overwrite?", 1), 1);

  box.Answer(0);  // a preset outside the answers: no word after the blank
  EXPECT_EQ(box.QalMsgBox("Odd", 4), 0);
  EXPECT_EQ(AnswerLine(), "ANSWER= ");

  box.Answer(8);  // not a preset
  EXPECT_EQ(box.QalMsgBox("Default", 4 + 256), 7);
}

TEST_F(SilentBox, OptionalLinesAppearExactlyWhenGiven) {
  box.QalMsgBox("p", 64, std::string(""));
  EXPECT_EQ(Texts(), (Strings{kOpening, "PROMPT= p", "BUTTONS= 64", "TITLE= ", "ANSWER= OK", kClosing}));
  logger->closeLog();
  clock.AdvanceSeconds(1);

  box.QalMsgBox("p", 0, std::nullopt, std::string("help.chm"), std::string("12036"));
  EXPECT_EQ(Texts(), (Strings{kOpening, "PROMPT= p", "BUTTONS= 0", "HELPFILE= help.chm", "CONTEXT= 12036",
                              "ANSWER= OK", kClosing}));
}

// A presenter that records what it was asked and answers as scripted.
class ScriptedPresenter : public platform::ui::MessagePresenter {
 public:
  int Show(const std::string& prompt, int style, const std::string& title) override {
    shown.push_back({prompt, style, title});
    return answer;
  }
  // Presses Help once, then answers.
  int ShowWithHelp(const std::string& prompt, int style, const std::string& title,
                   const std::function<void()>& help) override {
    ++withHelp;
    if (help) help();
    return Show(prompt, style, title);
  }
  int withHelp = 0;
  struct Shown {
    std::string prompt;
    int style;
    std::string title;
    bool operator==(const Shown&) const = default;
  };
  std::vector<Shown> shown;
  int answer = 4;
};

class InteractiveBox : public SilentBox {
 protected:
  void SetUp() override {
    SilentBox::SetUp();
    box.SilentOperation(false);
    ctx.app.Title = "K30418 Collector";
  }
  ProgramContext ctx;
  ProgramScope scope{ctx};
  ScriptedPresenter presenter;
};

TEST_F(InteractiveBox, ShowsTheBoxAndReturnsWhatWasPressed) {
  box.Presenter(&presenter);
  box.Answer(7);  // presets only serve silent boxes
  EXPECT_EQ(box.QalMsgBox("Retry the connection?", 5 + 48, std::string("Connection")), 4);
  EXPECT_EQ(box.QalMsgBox("Saved successfully", 64), 4);
  using S = ScriptedPresenter::Shown;
  EXPECT_EQ(presenter.shown, (std::vector<S>{{"Retry the connection?", 53, "Connection"},
                                             {"Saved successfully", 64, "K30418 Collector"}}));
  EXPECT_EQ(logger->CurrentFilePath(), "");  // nothing logged
}

TEST_F(InteractiveBox, UsesTheProgramsPresenterWhenNoneWasSet) {
  ctx.ui.messages = &presenter;
  EXPECT_EQ(box.QalMsgBox("Hello", 0, std::string("T")), 4);
  EXPECT_EQ(presenter.shown.size(), 1u);
}

TEST_F(InteractiveBox, WithoutAnyPresenterTheBoxIsLoggedAndAnsweredByDefault) {
  EXPECT_EQ(box.QalMsgBox("No window yet", 4 + 256), 7);
  EXPECT_EQ(Texts(), (Strings{kOpening, "PROMPT= No window yet", "BUTTONS= 260", "ANSWER= NO", kClosing}));
}

TEST_F(InteractiveBox, TheHelpButtonOpensTheTopicOfTheBoxsHelpFile) {
  // No desktop to open pages with: the help that was asked for says which page it could not open.
  const std::string help = root + "/help";
  std::filesystem::create_directories(help);
  std::ofstream(help + "/12230.html") << "<html></html>";
  ctx.msgBox = &box;
  box.Presenter(&presenter);

  EXPECT_EQ(box.QalMsgBox("Versions differ", 48 + 16384, std::string("Version Validation Failed"), help,
                          std::string("12230")),
            4);
  EXPECT_EQ(presenter.withHelp, 1);
  ASSERT_EQ(presenter.shown.size(), 2u);  // the help's own box, then the box that asked for it
  EXPECT_EQ(presenter.shown[0].title, "Unable to display help");
  EXPECT_NE(presenter.shown[0].prompt.find(help + "/12230.html"), std::string::npos) << presenter.shown[0].prompt;
  EXPECT_EQ(presenter.shown[1].prompt, "Versions differ");

  // A box without the Help button never offers help.
  box.QalMsgBox("Saved", 64, std::nullopt, help, std::string("12230"));
  EXPECT_EQ(presenter.withHelp, 1);
}

TEST(SilentBoxWithoutLogger, StillAnswers) {
  QALmsgBoxHandler box;
  box.SilentOperation(true);
  EXPECT_EQ(box.QalMsgBox("x", 3 + 512), 2);
}

}  // namespace
