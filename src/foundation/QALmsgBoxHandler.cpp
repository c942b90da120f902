#include "foundation/QALmsgBoxHandler.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "core/OutsideText.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "platform/ui/MessagePresenter.h"
#include "platform/ui/ShellOpener.h"

namespace {

constexpr std::int32_t kButtonTypeMask = 7;
constexpr std::int32_t kDefaultButton2 = 256;
constexpr std::int32_t kDefaultButton3 = 512;

enum Answer : std::int32_t { kOk = 1, kCancel, kAbort, kRetry, kIgnore, kYes, kNo };

// The answers of the first, second and third button of each button type. A box
// with fewer buttons answers a missing default button with its first button.
struct ButtonAnswers {
  std::int32_t first, second, third;
};

ButtonAnswers AnswersOf(std::int32_t buttons) {
  switch (buttons & kButtonTypeMask) {
    case 1: return {kOk, kCancel, kOk};
    case 2: return {kAbort, kRetry, kIgnore};
    case 3: return {kYes, kNo, kCancel};
    case 4: return {kYes, kNo, kYes};
    case 5: return {kRetry, kCancel, kRetry};
    default: return {kOk, kOk, kOk};  // 0 OK, and the unused types 6 and 7
  }
}

std::int32_t DefaultAnswerButton1(std::int32_t buttons) { return AnswersOf(buttons).first; }
std::int32_t DefaultAnswerButton2(std::int32_t buttons) { return AnswersOf(buttons).second; }
std::int32_t DefaultAnswerButton3(std::int32_t buttons) { return AnswersOf(buttons).third; }

std::string AnswerName(std::int32_t answer) {
  switch (answer) {
    case kOk: return "OK";
    case kCancel: return "CANCEL";
    case kAbort: return "ABORT";
    case kRetry: return "RETRY";
    case kIgnore: return "IGNORE";
    case kYes: return "YES";
    case kNo: return "NO";
    default: return "";
  }
}

// A line of a prompt is program text that may quote an outside text: it may be longer than an
// outside text alone, but no longer than this.
constexpr std::size_t kPromptLineLimit = 1000;

// The lines of a prompt, split at CR LF, LF or CR.
std::vector<std::string> PromptLines(const std::string& prompt) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < prompt.size(); ++i) {
    const char c = prompt[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < prompt.size() && prompt[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

}  // namespace

std::int32_t QALmsgBoxHandler::QalMsgBox(const std::string& prompt, std::int32_t buttons,
                                         std::optional<std::string> title,
                                         std::optional<std::string> helpFile,
                                         std::optional<std::string> context) {
  if (!silent_) {
    platform::ui::MessagePresenter* presenter = presenter_ ? presenter_ : Program().ui.messages;
    // Without a window to show the box in (no presenter yet) it is answered as a
    // silent box, so that the question and its answer are at least in the log.
    if (presenter) {
      const std::string shownTitle = title ? *title : Program().app.Title;
      if (!(buttons & platform::ui::MessagePresenter::kHelpButton)) return presenter->Show(prompt, buttons, shownTitle);
      // The Help button opens the box's help topic, in its help file when one was given.
      const std::string helpFolder = helpFile ? *helpFile : Program().app.HelpFile;
      const std::string topic = context ? *context : std::string();
      return presenter->ShowWithHelp(prompt, buttons, shownTitle,
                                     [helpFolder, topic] { ShowHelpPage(helpFolder, topic); });
    }
  }

  auto log = [this](const std::string& line) {
    if (logger_) logger_->WriteLog(line, 0);
  };
  log("=============================== SILENT QALMSGBOX ===============================");
  // A prompt of several lines (the program's own line breaks) keeps them as lines of the block;
  // outside text inside a prompt comes escaped from its caller, so it cannot add lines here.
  const std::vector<std::string> promptLines = PromptLines(prompt);
  log("PROMPT= " + core::OutsideText(promptLines.front(), kPromptLineLimit));
  for (std::size_t i = 1; i < promptLines.size(); ++i) log(core::OutsideText(promptLines[i], kPromptLineLimit));
  log("BUTTONS= " + std::to_string(buttons));
  if (title) log("TITLE= " + core::OutsideText(*title));
  if (helpFile) log("HELPFILE= " + core::OutsideText(*helpFile));
  if (context) log("CONTEXT= " + core::OutsideText(*context));

  std::int32_t answer;
  if (answer_ >= 0 && answer_ <= 7) {
    answer = answer_;
  } else if (buttons & kDefaultButton2) {
    answer = DefaultAnswerButton2(buttons);
  } else if (buttons & kDefaultButton3) {
    answer = DefaultAnswerButton3(buttons);
  } else {
    answer = DefaultAnswerButton1(buttons);
  }

  log("ANSWER= " + AnswerName(answer));
  log(std::string(77, '='));
  // A box is what an unattended run has to tell: it reaches the journal while the log cannot.
  if (logger_) logger_->JournalWhileFailing(prompt);
  answer_ = -1;  // a preset serves one box only
  return answer;
}

void ShowHelpPage(const std::string& helpFolder, const std::string& topic) {
  ProgramContext& ctx = Program();
  // A topic names a page inside the help folder and nothing else.
  if (topic.empty() || topic.find('/') != std::string::npos || topic.find('\0') != std::string::npos || topic == "." ||
      topic == "..")
    return;
  const std::filesystem::path page =
      std::filesystem::path(helpFolder.empty() ? "help" : helpFolder) / (topic + ".html");
  auto tell = [&ctx](const std::string& prompt) {
    if (ctx.logger) ctx.logger->WriteLog(prompt, 2);
    if (ctx.msgBox) ctx.msgBox->QalMsgBox(prompt, 48, std::string("Unable to display help"));
  };
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec)) {
    tell("The help page " + page.string() + " is missing. Reinstall the program to restore its help pages.");
    return;
  }
  bool opened = false;
  try {
    opened = ctx.ui.shell && ctx.ui.shell->OpenUrl(page.string());
  } catch (...) {
    // Told below like any other refusal: the caller carries on.
  }
  if (!opened)
    tell("The help page " + page.string() +
         " could not be opened: this desktop has no web browser set up to show it. Open the file in a browser.");
}
