#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// Texts that come from outside the program (answers, notes, names, units, driver and server
// messages, file contents) may hold line breaks, other control characters, bytes that are no
// UTF-8, or megabytes. Put into a log line as they stand they could start lines of their own
// that look like the program's, or make one line of a megabyte. These helpers make such a text
// fit for one line of the log or the activity list; what is written to a database stays as read.

// How much of an outside text a line quotes before it is cut.
constexpr std::size_t kOutsideTextLimit = 300;
// The longest line the log and the activity list take.
constexpr std::size_t kLineLimit = 4096;

// The text with CR shown as \r, LF as \n, every other control character but tab (C0, DEL, the
// C1 controls) as \xHH or \uHHHH, the line and paragraph separators as \u2028 and \u2029, and
// every byte that is not part of valid UTF-8 as \xHH. Everything else (tab, backslash, valid
// UTF-8) stays, so an escaped text escapes to itself.
std::string EscapeControls(std::string_view text);

// Bytes read as they are stored, made a text: valid UTF-8 stays as it is (line breaks and
// other controls included) and every byte that is not part of valid UTF-8 becomes \xHH.
// hadInvalid, when given, tells whether there was such a byte.
std::string EscapeInvalidUtf8(std::string_view bytes, bool* hadInvalid = nullptr);

// EscapeControls, cut after limit bytes of escaped text (never inside a character or an escape)
// with a note of the full length: "abc... (cut, 1048576 bytes in all)". The text as a line would
// quote it.
std::string OutsideText(std::string_view text, std::size_t limit = kOutsideTextLimit);

// OutsideText for a window (a message box, a form's text): line breaks stay line breaks there,
// and the log, which shows them escaped, keeps the text on its own line all the same.
std::string WindowText(std::string_view text, std::size_t limit = kOutsideTextLimit);

// A whole line for the log or the activity list: OutsideText with the line limit.
std::string SafeLine(std::string_view line);

}  // namespace core
