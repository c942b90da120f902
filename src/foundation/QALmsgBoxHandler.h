#pragma once

#include <cstdint>
#include <optional>
#include <string>

class QALLoggerTXT;
namespace platform::ui {
class MessagePresenter;
}

// Every message box of the program goes through QalMsgBox. In silent operation
// (service mode) nothing is shown: the box is written to the log as a block and
// answered with the preset answer or the box's default button. Otherwise the box
// goes to the message presenter (the one set here, else the program context's);
// with no presenter at all it is answered as a silent box. Logger and presenter
// are borrowed and must outlive the handler's use of them.
class QALmsgBoxHandler {
 public:
  // Answers: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
  std::int32_t QalMsgBox(const std::string& prompt, std::int32_t buttons = 0,
                         std::optional<std::string> title = std::nullopt,
                         std::optional<std::string> helpFile = std::nullopt,
                         std::optional<std::string> context = std::nullopt);

  void LogHandler(QALLoggerTXT* logger) { logger_ = logger; }
  void Answer(std::int32_t preset) { answer_ = preset; }
  void SilentOperation(bool on) { silent_ = on; }
  bool SilentOperation() const { return silent_; }
  void Presenter(platform::ui::MessagePresenter* p) { presenter_ = p; }

 private:
  QALLoggerTXT* logger_ = nullptr;
  platform::ui::MessagePresenter* presenter_ = nullptr;
  bool silent_ = false;
  std::int32_t answer_ = -1;
};

// Opens <topic>.html of a help folder ("help" when none is given) in the desktop's
// browser: a box's Help button opens its topic this way, and so does
// CommonGlobals::ShowHelpTopic with the program's help folder. A page that is
// missing, or that the desktop could not hand to a browser, is logged and told in a
// box of the program's handler (Program().msgBox) naming the page; the caller
// carries on either way. A topic that is no page name ("../x") opens nothing.
void ShowHelpPage(const std::string& helpFolder, const std::string& topic);
