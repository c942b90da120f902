#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Value.h"
#include "platform/db/Connection.h"
#include "platform/zip/ZipExtractor.h"

// Uploads an interface definition package (a zip archive with the extension ".g2_Server_lu")
// into the Krym root schema: the definition row of G2_SERVER_LU with its feature rows of
// g2_LU_F_LU, and the package's help file and browser program as FILES rows. A definition that
// is already there is refused; a malformed package or a failed write undoes what this upload
// wrote: the rows it added are deleted, and a file row that stood there before (the files of an
// earlier package of the same key) gets its former contents back. Every value read from the
// package reaches the database as a bound parameter.
//
// A new object is made for each upload. It owns its root-schema connection, opened at the start
// of the upload and closed when the object goes. The file chooser is the caller's (the main
// window's file dialog); it is called once, on the window thread. Each member of the package
// has a size limit, and the free space is checked before it is unpacked; a package holding two
// members of one name is refused. The temp folders are folders of the program folder's own: a
// link or a file where one belongs refuses the upload, nothing is written or removed through
// one, and the files unpacked there are removed when the upload ends, whichever way it ends.
class CommonDefUpload {
 public:
  // Asks for the package; returns its path, "" when none was chosen.
  using FileChooser =
      std::function<std::string(const std::string& title, const std::string& filter, const std::string& folder)>;

  explicit CommonDefUpload(FileChooser chooseFile);

  // The whole upload; True when the definition is in the database. Failures have been reported
  // in their own boxes (choosing no file shows none).
  bool UploadCurrentDefinition();

  // What the chooser is asked with (the filter in the "caption|pattern" form).
  static constexpr const char* kDialogTitle = "Please Locate your new Definition File.";
  static constexpr const char* kDialogFilter = "G2_Server_LU Files |*.g2_Server_lu";

 private:
  enum class Existence { Exists, Absent, Error };

  // A file row this upload stores: what stood there before (nothing: a new row), and its id.
  struct StoredFile {
    struct Row {
      std::int32_t id = 0;
      core::Value auditUser, auditTimestamp;
      std::optional<std::vector<unsigned char>> data;  // nothing: NULL
    };
    std::optional<Row> before;
    bool attempted = false;  // the store was tried, so the row may have changed
    std::string id = "-1";
  };

  bool ExtractDefinitionFiles(const std::string& packagePath);
  void ReadDefinitionKeys(std::string& collector, std::string& locale, std::string& version, Existence& exists);
  bool ExtractPayloadFiles(const std::string& packagePath, const std::string& folder);
  bool Extract(const std::string& packagePath, const std::vector<platform::zip::ZipExtractor::Member>& members,
               const std::string& folder, const std::string& what);
  // keyFolder: the definition folder below the program folder; "" while the key is not known.
  void RemoveUnpackedFiles(const std::string& keyFolder);
  bool WriteDefinitionRows(const std::string& collector, const std::string& locale, const std::string& version,
                           const std::string& chmFileId, const std::string& browserFileId);
  bool StoreFile(const std::string& path, const std::string& dirName, const std::string& fileName, StoredFile& stored);
  // Leaves the row as the upload found it: put back when it stood there, deleted when the upload made it.
  void PutBack(const StoredFile& stored);
  void DeleteFileRow(const std::string& id);
  void DeleteDefinitionRows(std::int32_t collector, const std::string& locale, const std::string& version);

  FileChooser chooseFile_;
  platform::db::Connection connection_;
  std::string workFolder_;
};
