#pragma once

#include <cstdint>
#include <string>

#include "core/Value.h"

namespace platform::db {
class Connection;
}

// Routines that every part of the program shares: the status line (one call shows
// a progress line to the operator and writes it to the log), the help pages,
// decimal rounding, the one way the user interface saves the configuration, and
// the settings lookup. They work on the program context (Program()); none of them
// owns anything. The connection, audit-user and date-literal routines of this
// module are declared beside it in their own files.
namespace CommonGlobals {

// The activity list keeps at most this many lines before it is emptied.
constexpr int kActivityListLimit = 20000;
// A list grown past this (lines added directly, not through ShowStatus) is
// emptied before the next status line.
constexpr int kActivityListHardLimit = 32000;

// Interactive mode, level within the log's verbosity: the text becomes the last
// line of the activity list. Always: the text goes to the log at that level.
void ShowStatus(const std::string& text, std::int16_t level = 0);
// ShowStatus at level 0 for a line that must reach someone (a run's closing line, a failure):
// while the log or another of the program's own files fails, it also goes to the journal
// (QALLoggerTXT::WriteAlert).
void ShowAlert(const std::string& text);
void ClearActivityLog();

// Opens the help page of a topic ("12036" or "7J4W4X" opens <topic>.html of the
// program's help folder) through ShowHelpPage (QALmsgBoxHandler.h): a page that is
// missing, or that the desktop could not hand to a browser, is told to the
// operator in a message box naming the page; the caller carries on either way. A
// topic that is no page name ("../x") opens nothing.
void ShowHelpTopic(const std::string& topic);
void ShowHtmlHelpTopic(const std::string& topic);
// Sets the program's help folder: "help" in the program folder.
void SetHelpFilePath();

// Rounds half away from zero to the given decimals (negative decimals round to
// tens, hundreds...), on the number's shortest decimal text, so 2.675 rounds to
// 2.68 as written rather than as its binary neighbour 2.67499....
double RoundValue(double value, std::int32_t decimals);

// Saves the configuration when it changed. A protected configuration asks for its
// password first. False when the operator cancelled or the file was not written;
// the reason is logged.
bool SaveConfiguration();

// The curvalue of the row of table whose KEYVALUE is key, read on the program's
// Krym root connection; Null when there is no such row, no open connection, or
// the lookup failed (logged). table must be a plain table name.
core::Value ReadSettingValue(const std::string& table, const std::string& key);
core::Value ReadSettingValue(platform::db::Connection& cnn, const std::string& table, const std::string& key);

}  // namespace CommonGlobals
