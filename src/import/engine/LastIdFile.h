#pragma once

#include <cstdint>
#include <string>

// The last imported DeraRed transaction id, kept in DeraRed.ini in the program folder as the
// line LASTIDIMPORTED=<id>. Each run reads it first; service-mode runs rewrite it after each
// facility that went through without errors. The file is text lines of key=value entries; an
// entry ends at a comma or at the end of its line (a quoted entry may hold commas and loses
// its quotes; leading blanks are skipped). The key is compared trimmed and upper-cased.
//
// Failures are shown through the program's message handler (in service mode they go to the
// log) and answered with -1. The program context (Program()) gives the folder and the handler.
namespace LastIdFile {

// DeraRed.ini in the program folder.
std::string LastIdFilePath();

// The stored id: the last LASTIDIMPORTED entry's value as a whole number (fractions rounded
// half to even), 0 when it is no number. When the file has no such entry the line
// LASTIDIMPORTED=0 is appended and the id is 0. -1 when the file is missing or cannot be read
// or extended, or the number does not fit 32 bits.
std::int32_t GetLastTransIdImported();

// Rewrites the file with every LASTIDIMPORTED entry set to id, every other entry with an "="
// on a line of its own as read, and entries without "=" dropped. A file without the key keeps
// lacking it. The new content goes to a temporary file in the same folder that then replaces
// DeraRed.ini, so a failure leaves the file as it was. 0 on success, -1 on failure.
std::int32_t PutLastIdImported(const std::int32_t& id);

}  // namespace LastIdFile
