#pragma once

#include <cstdint>
#include <string>

// Whole files kept as rows of the Krym root schema's FILES table, addressed by a directory name
// and a file name (both stored upper case): store a local file (adding the row, or replacing the
// file of an existing one) and learn its row id, fetch a stored file into a local file, and
// delete a local file without complaint. Names always travel as bound parameters, so any name
// (an apostrophe included) is stored and found like any other.
//
// A store opens a root-schema connection of its own from the target settings and closes it when
// it is done. A fetch runs on the program's root-schema connection (Program().vornKrymCnn),
// which the caller opens.
namespace BLOB_IO {

// Stores the file at localPath as (UCase(dirName), UCase(fileName)) and sets id to its row id;
// with deleteAfter the local file is deleted afterwards. False when the target settings cannot
// be read or the connection fails (each shown in a message box), or when localPath is not an
// ordinary file (no message). Errors once connected (the query, reading the file, the save)
// are thrown to the caller as core::RuntimeError.
bool BLOBPutFile(const std::string& localPath, const std::string& dirName, const std::string& fileName,
                 bool deleteAfter, std::int32_t& id);

// BLOBPutFile without deleting; idText is the id in decimal, or "-1" on failure.
bool UploadFileBlob(const std::string& localPath, const std::string& dirName, const std::string& fileName,
                    std::string& idText);

// Writes the stored file's bytes to localPath (when "", to blob.tmp in the program folder, and
// localPath receives that path), replacing any file there. Returns the path written, or "" when
// the file is not stored (logged), there is no open root-schema connection, or anything fails.
std::string BLOBGetFile(const std::string& dirName, const std::string& fileName, std::string& localPath);

// Deletes the file at path; every failure (no such file, a folder, no permission) is ignored.
void KillFileQuiet(const std::string& path);

}  // namespace BLOB_IO
