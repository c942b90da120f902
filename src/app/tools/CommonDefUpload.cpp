#include "app/tools/CommonDefUpload.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "core/Value.h"
#include "foundation/BLOB_IO.h"
#include "foundation/CommonGlobals.h"
#include "foundation/CommonGlobalsConnections.h"
#include "foundation/ConnectionManager.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/QALmsgBoxHandler.h"
#include "platform/db/Command.h"
#include "platform/db/Recordset.h"
#include "platform/ui/BusyPointer.h"
#include "platform/ui/EventPump.h"
#include "platform/xml/XmlElement.h"
#include "platform/zip/ZipExtractor.h"

using platform::db::Command;
using platform::xml::XmlElement;
namespace fs = std::filesystem;

namespace {

constexpr const char* kBadXml = "Could not read XML File. G2_Server_LU file is in an incorrect state.";
constexpr int kDefinitionChildren = 28;
constexpr std::int32_t kExclamation = 48;

constexpr std::uint64_t kMB = 1024 * 1024;

// The work folder, below the program folder.
constexpr const char* kWorkFolder = "temp";

// The members of a package, where each is unpacked, and the most each may hold unpacked: the
// definition's own files are small, the help file and browser program are programs' sizes.
enum class Place { WorkFolder, DefinitionFolder };
struct PackageMember {
  const char* name;
  Place place;
  std::uint64_t limit;
};
constexpr PackageMember kPackageMembers[] = {
    {"collector", Place::WorkFolder, 1 * kMB},
    {"definition.xml", Place::WorkFolder, 64 * kMB},
    {"locale", Place::WorkFolder, 1 * kMB},
    {"version", Place::WorkFolder, 1 * kMB},
    {"Browser.exe", Place::DefinitionFolder, 256 * kMB},
    {"help.chm", Place::DefinitionFolder, 256 * kMB},
};

std::vector<platform::zip::ZipExtractor::Member> MembersFor(Place place) {
  std::vector<platform::zip::ZipExtractor::Member> members;
  for (const PackageMember& m : kPackageMembers)
    if (m.place == place) members.push_back({m.name, m.limit});
  return members;
}

std::string Megabytes(std::uint64_t bytes, bool roundUp) {
  return std::to_string(roundUp ? (bytes + kMB - 1) / kMB : bytes / kMB) + " MB";
}

void Box(const std::string& prompt, int style = 0, std::optional<std::string> title = std::nullopt) {
  if (QALmsgBoxHandler* box = Program().msgBox) box->QalMsgBox(prompt, style, std::move(title));
}

void Log(const std::string& text) {
  if (QALLoggerTXT* logger = Program().logger) logger->WriteLog(text, 0);
}

std::string ErrorText(const std::exception& e) {
  if (const auto* numbered = dynamic_cast<const core::RuntimeError*>(&e))
    return std::to_string(numbered->Number()) + " - " + core::WindowText(numbered->Description());
  return "0 - " + core::WindowText(e.what());
}

// The first value of a definition member: its text up to the first comma or line end, without
// the blanks and double quotes around it.
std::optional<std::string> FirstValue(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = ss.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // an editor's byte-order mark
  text = text.substr(0, text.find_first_of(",\r\n"));
  text = core::Trim(text);
  if (text.size() >= 1 && text.front() == '"') text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
  return text;
}

// The keys name folders below the temp folder, so each must be one plain folder name.
bool IsFolderName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// The collector id is a whole number in the database; text that is not one is refused there too.
std::optional<std::int32_t> CollectorId(const std::string& text) {
  const std::optional<double> n = core::ParseNumber(text);
  if (!n || *n != static_cast<double>(static_cast<std::int64_t>(*n)) || *n < -2147483648.0 || *n > 2147483647.0)
    return std::nullopt;
  return static_cast<std::int32_t>(*n);
}

Command TextCommand(platform::db::Connection& cnn, const std::string& sql) {
  Command cmd;
  cmd.ActiveConnection(cnn);
  cmd.CommandType(platform::db::adCmdText);
  cmd.CommandText(sql);
  return cmd;
}

void AddText(Command& cmd, const std::string& name, const core::Value& value) {
  cmd.CreateParameter(name, platform::db::adVarWChar, platform::db::adParamInput, 4000, value);
}
void AddInteger(Command& cmd, const std::string& name, std::int32_t value) {
  cmd.CreateParameter(name, platform::db::adInteger, platform::db::adParamInput, 0, core::Value(value));
}
void AddFlag(Command& cmd, const std::string& name, bool set) {
  cmd.CreateParameter(name, platform::db::adSmallInt, platform::db::adParamInput, 0,
                      core::Value(static_cast<std::int16_t>(set ? -1 : 0)));
}

// The definition's key: collector, version and locale, the first three parameters of its rows.
void AddKey(Command& cmd, std::int32_t collector, const std::string& version, const std::string& locale) {
  AddInteger(cmd, "LU_ID", collector);
  AddText(cmd, "LU_VERSION", core::Value(version));
  AddText(cmd, "LU_LOCALE_ID", core::Value(locale));
}

// How a column of the definition row is filled.
enum class Fill {
  Text,            // the element's text
  Flag,            // -1 when the text is exactly "true", else 0
  Caption,         // the text; Null when it is empty
  DateAdjustFlag,  // -1 when the text is "true" in any case, else 0
  ChmFileId,       // the stored help file's id
  BrowserFileId,   // the stored browser program's id
};

struct Column {
  const char* column;
  Fill fill;
  const char* element;
};

// The columns after the key, in the order of the insert.
constexpr Column kColumns[] = {
    {"QUICK_DESC", Fill::Text, "QUICK_DESC"},
    {"COLLECTOR_CONTEXT", Fill::Text, "COLLECTOR_CONTEXT"},
    {"COLLECTOR_TYPE", Fill::Text, "COLLECTOR_TYPE"},
    {"COLLECTOR_COM", Fill::Text, "COLLECTOR_COM"},
    {"BROWSER_IMPLEMENTED", Fill::Flag, "BROWSER_IMPLEMENTED"},
    {"CHM_FILE_ID", Fill::ChmFileId, nullptr},
    {"UD_REQ1", Fill::Flag, "UD_REQ1"},
    {"UD_REQ2", Fill::Flag, "UD_REQ2"},
    {"UD_REQ3", Fill::Flag, "UD_REQ3"},
    {"UD_REQ4", Fill::Flag, "UD_REQ4"},
    {"UD_REQ5", Fill::Flag, "UD_REQ5"},
    {"UD_CAPTION1", Fill::Caption, "UD_CAPTION1"},
    {"UD_CAPTION2", Fill::Caption, "UD_CAPTION2"},
    {"UD_CAPTION3", Fill::Caption, "UD_CAPTION3"},
    {"UD_CAPTION4", Fill::Caption, "UD_CAPTION4"},
    {"UD_CAPTION5", Fill::Caption, "UD_CAPTION5"},
    {"BROWSER_PLUGIN_FILE_ID", Fill::BrowserFileId, nullptr},
    {"BROWSER_CHM_ARTICLE_ID", Fill::Text, "BROWSER_CHM_ARTICLE_ID"},
    {"BROWSER_REQ1", Fill::Flag, "BROWSER_REQ1"},
    {"BROWSER_REQ2", Fill::Flag, "BROWSER_REQ2"},
    {"BROWSER_REQ3", Fill::Flag, "BROWSER_REQ3"},
    {"BROWSER_REQ4", Fill::Flag, "BROWSER_REQ4"},
    {"BROWSER_REQ5", Fill::Flag, "BROWSER_REQ5"},
    {"BROWSER_CAPTION1", Fill::Caption, "BROWSER_CAPTION1"},
    {"BROWSER_CAPTION2", Fill::Caption, "BROWSER_CAPTION2"},
    {"BROWSER_CAPTION3", Fill::Caption, "BROWSER_CAPTION3"},
    {"BROWSER_CAPTION4", Fill::Caption, "BROWSER_CAPTION4"},
    {"BROWSER_CAPTION5", Fill::Caption, "BROWSER_CAPTION5"},
    {"COLLECTOR_DATEADJUST_IMP", Fill::DateAdjustFlag, "COLLECTOR_DATEADJUST_IMPLEMENTED"},
    {"COLLECTOR_DATEADJUST_CAPTION", Fill::Text, "COLLECTOR_DATEADJUST_CAPTION"},
};

std::string DefinitionInsertText() {
  std::string columns = "LU_ID, LU_VERSION, LU_LOCALE_ID";
  std::string markers = "?, ?, ?";
  for (const Column& c : kColumns) {
    columns += std::string(", ") + c.column;
    markers += ", ?";
  }
  return "insert into g2_Server_LU(" + columns + ") values (" + markers + ")";
}

}  // namespace

CommonDefUpload::CommonDefUpload(FileChooser chooseFile) : chooseFile_(std::move(chooseFile)) {}

bool CommonDefUpload::UploadCurrentDefinition() {
  ProgramContext& ctx = Program();

  // 1.-2. The root schema, kept by this object for the whole upload.
  ConnectionManager cm;
  bool initialised = false;
  try {
    initialised = CommonGlobals::InitVornKrymConnectionManager(cm);
  } catch (const core::RuntimeError& e) {
    Log("The Krym connection settings cannot be read: " + ErrorText(e));
  }
  if (!initialised) {
    Box("Unable to init Vorn Krym Connection Manager", 48);
    return false;
  }
  cm.ConfigCnn4QALROOT(connection_);
  std::string error;
  if (!CommonGlobals::ConnectVornKrym(connection_, error, false)) {
    Box("Error :\r\n" + error, 48, "Failed to connect to Vorn Krym");
    return false;
  }

  // 3.-5. The package.
  workFolder_ = (fs::path(ctx.app.Path) / kWorkFolder).string();
  const std::string package = chooseFile_ ? chooseFile_(kDialogTitle, kDialogFilter, ctx.app.Path) : std::string();
  platform::ui::BusyScope busy(ctx.ui.busy);
  if (ctx.ui.events) ctx.ui.events->ProcessEvents();
  if (package.empty()) return false;

  // Whatever ends the upload, the unpacked files go again.
  std::string keyFolder;  // below the program folder: temp/collector/locale/version
  struct Unpacked {
    CommonDefUpload& upload;
    const std::string& keyFolder;
    ~Unpacked() { upload.RemoveUnpackedFiles(keyFolder); }
  } unpacked{*this, keyFolder};

  // 6.-8. The definition's key, refused when the database has it already.
  if (!ExtractDefinitionFiles(package)) return false;
  std::string collector, locale, version;
  Existence exists = Existence::Error;
  ReadDefinitionKeys(collector, locale, version, exists);
  if (exists == Existence::Exists) {
    Box("Definition already exists. Operation Aborted.", 0);
    return false;
  }
  if (exists != Existence::Absent) return false;

  // 9.-11. The two files, stored under the definition's name.
  keyFolder = std::string(kWorkFolder) + "/" + collector + "/" + locale + "/" + version;
  if (!ExtractPayloadFiles(package, keyFolder)) return false;
  const fs::path folder = fs::path(ctx.app.Path) / keyFolder;
  const std::string dirName = collector + "-" + locale + "-" + version;
  StoredFile chm, browser;
  if (!StoreFile((folder / "help.chm").string(), dirName, "help.chm", chm)) {
    Box("CHM File was not uploaded to the database properly.", 0);
    PutBack(chm);
    return false;
  }
  // The member keeps the name it has in the package; it is stored under the lower-case name.
  if (!StoreFile((folder / "Browser.exe").string(), dirName, "browser.exe", browser)) {
    Box("Browser File was not uploaded to the database properly. Action Aborted", 0);
    PutBack(browser);
    PutBack(chm);
    return false;
  }

  // 12.-13. The rows; the files never outlive a failed definition.
  if (!WriteDefinitionRows(collector, locale, version, chm.id, browser.id)) {
    PutBack(chm);
    PutBack(browser);
    return false;
  }
  CommonGlobals::ShowStatus("Upload Successful", 0);
  return true;
}

bool CommonDefUpload::ExtractDefinitionFiles(const std::string& packagePath) {
  return Extract(packagePath, MembersFor(Place::WorkFolder), kWorkFolder, "the definition files");
}

bool CommonDefUpload::ExtractPayloadFiles(const std::string& packagePath, const std::string& folder) {
  return Extract(packagePath, MembersFor(Place::DefinitionFolder), folder, "the help and browser files");
}

bool CommonDefUpload::Extract(const std::string& packagePath,
                              const std::vector<platform::zip::ZipExtractor::Member>& members,
                              const std::string& folder, const std::string& what) {
  using platform::zip::ZipExtractor;
  // The folders below the program folder are made or opened one by one, never through a link.
  const ZipExtractor::Result r = ZipExtractor::ExtractMembers(packagePath, members, Program().app.Path, folder);
  if (r.ok()) return true;
  Log("Unable to unpack " + what + ": " + r.error);
  // A package too large for its limits or for the disk, one holding a member twice, and a temp
  // folder that is not a folder are refused in so many words; the other failures are the main
  // window's "Failed to upload".
  if (r.outcome == ZipExtractor::Outcome::OverLimit)
    Box("The definition package was refused: its member '" + r.member + "' is larger than the limit of " +
            Megabytes(r.limit, false) + ".",
        kExclamation);
  else if (r.outcome == ZipExtractor::Outcome::NoSpace)
    Box("The definition package was refused: its files need " + Megabytes(r.needed, true) + " and " +
            (fs::path(Program().app.Path) / folder).string() + " has " + Megabytes(r.available, false) + " free.",
        kExclamation);
  else if (r.outcome == ZipExtractor::Outcome::Duplicate)
    Box("The definition package was refused: it holds more than one member named '" + r.member + "'.", kExclamation);
  else if (r.outcome == ZipExtractor::Outcome::NotAFolder)
    Box("The definition package cannot be unpacked: " + r.folder + " is a link or a file, not a folder.", kExclamation);
  return false;
}

void CommonDefUpload::RemoveUnpackedFiles(const std::string& keyFolder) {
  using platform::zip::ZipExtractor;
  // Reached as they were unpacked, never through a link: nothing outside the temp folder goes.
  auto names = [](Place place) {
    std::vector<std::string> names;
    for (const PackageMember& m : kPackageMembers)
      if (m.place == place) names.push_back(m.name);
    return names;
  };
  const std::string& programFolder = Program().app.Path;
  ZipExtractor::RemoveExtracted(programFolder, kWorkFolder, names(Place::WorkFolder), 0);
  // The definition's folders (collector, locale, version) go too, from the version up, while empty.
  if (!keyFolder.empty()) ZipExtractor::RemoveExtracted(programFolder, keyFolder, names(Place::DefinitionFolder), 3);
}

void CommonDefUpload::ReadDefinitionKeys(std::string& collector, std::string& locale, std::string& version,
                                         Existence& exists) {
  try {
    const std::optional<std::string> c = FirstValue(fs::path(workFolder_) / "collector");
    const std::optional<std::string> l = FirstValue(fs::path(workFolder_) / "locale");
    const std::optional<std::string> v = FirstValue(fs::path(workFolder_) / "version");
    if (!c || !l || !v) throw core::RuntimeError(53, "a definition file cannot be read", "CommonDefUpload");
    collector = *c;
    locale = *l;
    version = *v;
    const std::optional<std::int32_t> id = CollectorId(collector);
    if (!id || !IsFolderName(collector) || !IsFolderName(locale) || !IsFolderName(version))
      throw core::RuntimeError(13, "the collector, locale or version is not usable", "CommonDefUpload");

    Command find = TextCommand(
        connection_, "Select lu_ID from G2_SERVER_LU where LU_ID = ? and LU_LOCALE_ID = ? and LU_Version = ?");
    AddInteger(find, "LU_ID", *id);
    AddText(find, "LU_LOCALE_ID", core::Value(locale));
    AddText(find, "LU_Version", core::Value(version));
    platform::db::Recordset rs;
    rs.Open(find);
    exists = rs.Eof() ? Existence::Absent : Existence::Exists;
  } catch (const std::exception& e) {
    Log("Unable to read the definition's key: " + ErrorText(e));
    Box("There was an error Reading the collector, locale, or version definition files. ", 0);
    exists = Existence::Error;
  }
}

bool CommonDefUpload::StoreFile(const std::string& path, const std::string& dirName, const std::string& fileName,
                                StoredFile& stored) {
  try {
    // The row as it stands, so that a failed upload can put it back as it found it.
    Command find = TextCommand(
        connection_, "SELECT ID, AUDITUSER, AUDITTIMESTAMP, FILEDATA FROM FILES WHERE DIRNAME=? AND FILENAME=?");
    AddText(find, "DIRNAME", core::Value(core::UCase(dirName)));
    AddText(find, "FILENAME", core::Value(core::UCase(fileName)));
    platform::db::Recordset rs;
    rs.Open(find);
    if (!rs.Eof()) {
      StoredFile::Row row;
      row.id = rs.Fields("ID").Value().ToLong();
      row.auditUser = rs.Fields("AUDITUSER").Value();
      row.auditTimestamp = rs.Fields("AUDITTIMESTAMP").Value();
      if (!rs.Fields("FILEDATA").IsNull()) row.data = rs.Fields("FILEDATA").Bytes();
      stored.before = std::move(row);
    }
    stored.attempted = true;
    return BLOB_IO::UploadFileBlob(path, dirName, fileName, stored.id);
  } catch (const std::exception& e) {
    // Failures once connected come up as errors; the caller reports them as a failed store.
    Log("Unable to store " + path + ": " + ErrorText(e));
    stored.id = "-1";
    return false;
  }
}

void CommonDefUpload::PutBack(const StoredFile& stored) {
  if (!stored.attempted) return;
  if (!stored.before) {
    // A row of this upload's own making goes; without an id none was made.
    if (stored.id != "-1") DeleteFileRow(stored.id);
    return;
  }
  const StoredFile::Row& row = *stored.before;
  try {
    Command restore = TextCommand(connection_, "UPDATE FILES SET AUDITUSER=?, AUDITTIMESTAMP=?, FILEDATA=? WHERE ID=?");
    restore.CreateParameter("AUDITUSER", platform::db::adVarChar, platform::db::adParamInput, 50, row.auditUser);
    restore.CreateParameter("AUDITTIMESTAMP", platform::db::adDate, platform::db::adParamInput, 0, row.auditTimestamp);
    auto& data = restore.CreateParameter("FILEDATA", platform::db::adLongVarBinary, platform::db::adParamInput);
    if (row.data) data.Bytes(*row.data);  // no bytes set: NULL, as it was
    AddInteger(restore, "ID", row.id);
    restore.Execute();
  } catch (const std::exception& e) {
    Log("Unable to put back the file row " + std::to_string(row.id) + ": " + ErrorText(e));
  }
}

void CommonDefUpload::DeleteFileRow(const std::string& id) {
  try {
    Command del = TextCommand(connection_, "delete from files where ID = ?");
    AddInteger(del, "ID", core::Value(id).ToLong());
    del.Execute();
  } catch (const std::exception& e) {
    Log("Unable to delete the file row " + id + ": " + ErrorText(e));
  }
}

void CommonDefUpload::DeleteDefinitionRows(std::int32_t collector, const std::string& locale,
                                           const std::string& version) {
  for (const char* sql : {"delete from g2_server_lu where lu_id = ? and lu_locale_id = ? and lu_version = ?",
                          "delete from g2_lu_f_lu where lu_id = ? and lu_locale_id = ? and lu_version = ?"}) {
    try {
      Command del = TextCommand(connection_, sql);
      AddInteger(del, "lu_id", collector);
      AddText(del, "lu_locale_id", core::Value(locale));
      AddText(del, "lu_version", core::Value(version));
      del.Execute();
    } catch (const std::exception& e) {
      Log("Unable to remove the definition rows: " + ErrorText(e));
    }
  }
}

bool CommonDefUpload::WriteDefinitionRows(const std::string& collector, const std::string& locale,
                                          const std::string& version, const std::string& chmFileId,
                                          const std::string& browserFileId) {
  XmlElement doc;
  if (!doc.LoadFile((fs::path(workFolder_) / "definition.xml").string())) {
    Log("definition.xml: " + doc.LastError());
    Box(kBadXml, 0);
    return false;
  }
  const std::optional<XmlElement> lu = doc.ChildWithTag("g2_server_lu");
  if (!lu || lu->ChildCount() != kDefinitionChildren) {
    Box(kBadXml, 0);
    return false;
  }

  const std::int32_t id = *CollectorId(collector);  // checked when the key was read
  bool definitionWritten = false;
  try {
    Command insert = TextCommand(connection_, DefinitionInsertText());
    AddKey(insert, id, version, locale);
    for (const Column& c : kColumns) {
      const std::string text = c.element ? lu->ChildText(c.element) : std::string();
      switch (c.fill) {
        case Fill::Text:
          AddText(insert, c.column, core::Value(text));
          break;
        case Fill::Flag:
          AddFlag(insert, c.column, text == "true");
          break;
        case Fill::Caption:
          AddText(insert, c.column, text.empty() ? core::Value::MakeNull() : core::Value(text));
          break;
        case Fill::DateAdjustFlag:
          AddFlag(insert, c.column, core::LCase(text) == "true");
          break;
        case Fill::ChmFileId:
          AddInteger(insert, c.column, core::Value(chmFileId).ToLong());
          break;
        case Fill::BrowserFileId:
          AddInteger(insert, c.column, core::Value(browserFileId).ToLong());
          break;
      }
    }
    insert.Execute();
    definitionWritten = true;

    const std::optional<XmlElement> features = doc.FindByTag("g2_lu_f_lu");
    if (!features) return true;
    std::optional<XmlElement> feature = features->ChildWithTag("feature");
    for (int i = 0, n = features->ChildCount(); i < n; ++i) {
      if (!feature || feature->ChildCount() != 3) {
        DeleteDefinitionRows(id, locale, version);
        Box(kBadXml, 0);
        return false;
      }
      Command row = TextCommand(connection_,
                                "insert into g2_LU_F_LU(LU_ID, LU_VERSION, LU_LOCALE_ID, KEYVALUE, CURVALUE, KEY_DESC) "
                                "values (?, ?, ?, ?, ?, ?)");
      AddKey(row, id, version, locale);
      AddText(row, "KEYVALUE", core::Value(feature->ChildText("KEYVALUE")));
      AddText(row, "CURVALUE", core::Value(feature->ChildText("CURVALUE")));
      AddText(row, "KEY_DESC", core::Value(feature->ChildText("KEY_DESC")));
      row.Execute();
      feature = feature->NextSibling();
    }
    return true;
  } catch (const std::exception& e) {
    // No part of a definition stays behind; a row this upload did not write is left alone.
    if (definitionWritten) DeleteDefinitionRows(id, locale, version);
    Box(ErrorText(e) + " Could not insert recordes into g2_lu or g2_lu_f_lu.", 0);
    return false;
  }
}
