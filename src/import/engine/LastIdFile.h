#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/os/RegularFile.h"

// The last imported DeraRed transaction id, kept in DeraRed.ini in the program folder as the
// line LASTIDIMPORTED=<id>. Each run reads it first; service-mode runs rewrite it after each
// facility that went through without errors. The file is text lines of key=value entries; an
// entry ends at a comma or at the end of its line (a quoted entry may hold commas and loses
// its quotes; leading blanks are skipped). The key is compared trimmed and upper-cased. A
// UTF-8 byte-order mark at the start of the file is no part of its first entry; a rewrite
// keeps it, once.
//
// A readable id is a decimal whole number from 0 to 2147483647, blanks around it allowed, with
// an optional fraction that is rounded half to even (12.5 is 12, 13.5 is 14). Anything else
// in the entry that decides the id (a sign, a hex or grouped number, a NUL, nothing at all),
// a LASTIDIMPORTED line without "=", or a file that is no text (UTF-16, control bytes) is
// unreadable: the read fails, says which file and what it found, and leaves the file as it is,
// so that no run starts again from the first transaction because of a damaged file. So is a
// name that is no file (a directory, a FIFO: it is opened without waiting and never read).
//
// Failures are shown through the program's message handler (in service mode they go to the
// log) and answered with -1. A file that cannot be read or saved is also told to the journal
// (standard error), once per cause, and so is its recovery; so is a start from id 0 because the
// file held no id. The program context (Program()) gives the folder and the handler.
// Every change of the file writes a temporary file beside it and renames it over the file, so
// the file is whole, old or new, whenever the process ends. A DeraRed.ini that is a symbolic
// link stays one: the file it names is the one replaced, with the temporary file beside that.
namespace LastIdFile {

// DeraRed.ini in the program folder.
std::string LastIdFilePath();

// The stored id: the last LASTIDIMPORTED entry's value. When the file has no such entry and
// holds nothing but blank lines, comments (";") and other key=value entries, the line
// LASTIDIMPORTED=0 is appended, the id is 0, and the log (level 0) and the journal say that the
// import reads DeraRed from id 0 and how to set the id; a file without the entry that holds
// anything else is unreadable. -1 when the file is missing, no file, cannot be read or
// extended, or its id is unreadable or does not fit 32 bits.
std::int32_t GetLastTransIdImported();

// Rewrites the file with every LASTIDIMPORTED entry set to id and everything else as it stands,
// byte for byte: other entries on the line of a key entry, other lines (with or without "="),
// commas and line ends. A file without the key keeps lacking it. A file that is no text is not
// rewritten. 0 on success, -1 on failure (the file is then as it was).
std::int32_t PutLastIdImported(const std::int32_t& id);

// Replaces the file at path (or the file its symbolic link names; with the link not followed,
// the link itself) by content, as DeraRed.ini is replaced: a temporary file beside it, renamed
// over it. Raises core::RuntimeError (source names the caller) when it cannot; the file is then
// as it was.
void ReplaceWholeFile(const std::string& path, const std::string& content, const char* source,
                      platform::os::LinkAtName link = platform::os::LinkAtName::Follow);

// The temporary file a rewrite writes beside the file is TempJunk<pid>.txt, pid the writing
// process's. For a file name of that shape: the pid (0 when the digits do not fit); nothing for
// any other name. Start-up uses it to remove the temporaries of processes that are gone.
std::optional<long> TemporaryOwner(const std::string& fileName);

}  // namespace LastIdFile
