#include "foundation/QALConfiguration.h"

#include <atomic>
#include <exception>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/OutsideText.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "foundation/QALLoggerTXT.h"
#include "foundation/SecretSettings.h"
#include "platform/xml/XmlElement.h"

using platform::xml::XmlElement;

namespace {

constexpr const char* kSource = "QALConfiguration";
constexpr int kKeyMissing = 10781;
constexpr const char* kRootTag = "qalconfigurationxml";
constexpr const char* kSpecTag = "spec";
constexpr const char* kDataTag = "data";
constexpr const char* kSpecText = "K30418 collector settings; edit them through the program's configuration forms.";

const std::string& Separator() {
  static const std::string line = ">>>" + std::string(62, '-');
  return line;
}

// The fixed key of the data part, put together from its ten pieces when the store is made. The
// program file must never hold it whole: an optimiser folds a list of constant characters into
// one constant, so each piece is kept masked and unmasked with a value the compiler cannot know.
constexpr unsigned char kKeyMask = 0x5A;
constexpr unsigned char kMaskedKeyPieces[] = {
    'v' ^ (kKeyMask + 0), '4' ^ (kKeyMask + 1), 'R' ^ (kKeyMask + 2), 'q' ^ (kKeyMask + 3), '#' ^ (kKeyMask + 4),
    '8' ^ (kKeyMask + 5), 'k' ^ (kKeyMask + 6), 'T' ^ (kKeyMask + 7), 'z' ^ (kKeyMask + 8), '2' ^ (kKeyMask + 9),
};

std::string MakeEncryptionKey() {
  volatile unsigned char mask = kKeyMask;
  std::string key;
  for (std::size_t i = 0; i < sizeof kMaskedKeyPieces; ++i)
    key += static_cast<char>(kMaskedKeyPieces[i] ^ static_cast<unsigned char>(mask + i));
  return key;
}

std::string ErrorText(const std::exception& e) {
  if (const auto* rt = dynamic_cast<const core::RuntimeError*>(&e))
    return std::to_string(rt->Number()) + " - " + rt->Description();
  return e.what();
}

// Whether the element's own text holds more than blanks and line breaks.
bool HoldsText(const XmlElement& e) {
  const std::string text = e.Text();
  return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

// Revisions count over every store of the program, so that no two states of any stores share one.
std::uint64_t NextRevision() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

}  // namespace

struct QALConfiguration::Impl {
  std::string path;
  HashTable treeHash;
  XmlElement documentRoot;
  std::optional<XmlElement> dataNode;
  QALLoggerTXT* logHandler = nullptr;
  std::string encryptionKey = MakeEncryptionKey();
  bool encryptData = false;
  bool changeWasMade = false;
  std::uint64_t revision = NextRevision();
  // Why the last read failed ("" after a good one), and whether it did: a file that
  // could not be read is never replaced by a save from what the table holds.
  std::string lastReadError;
  bool readFailed = false;
  // The component's reason for the last failed load or save.
  std::string fileError;

  Impl() { treeHash.SetSize(4096); }

  void Log(const std::string& text, int level) const {
    if (logHandler != nullptr) logHandler->WriteLog(text, level);
  }
  void LogFailureBlock(const std::string& headline, const std::string& details) const {
    Log(Separator(), 2);
    Log(headline, 2);
    Log("    Details:", 2);
    Log(details, 2);
    Log(Separator(), 2);
  }

  bool ConfigFileExists() const;
  bool LoadXML(const std::string& file);
  bool SaveXML(XmlElement& root, const std::string& file);
  bool ValidateXMLformat(XmlElement& root, std::string& reason);
  bool XMLtoTreeHash(XmlElement& data, std::string& reason);
  bool TreeHashToXML(XmlElement& data) const;
  bool CreateDefaultConfigFile();
  // Ends a read that failed: the store's own line, then one line naming the file and
  // the reason; both at level 0 whatever the verbosity, since the program cannot
  // run on such a file.
  bool ReadFailed(const std::string& line, const std::string& reason);
  bool EncyptTree(XmlElement& data) const { return data.Encrypt(encryptionKey); }
  bool DecryptTree(XmlElement& data) const { return data.Decrypt(encryptionKey); }

  // The tree that SaveConfig writes, without its data part filled in yet.
  struct FileTree {
    XmlElement root, spec, data;
  };
  static FileTree NewFileTree();
  // The innermost element of a key path below data, the missing elements being
  // made on the way; nothing when a part cannot be an element name.
  static std::optional<XmlElement> WalkOrCreate(XmlElement data, const std::string& key, bool& complete);
};

bool QALConfiguration::Impl::ConfigFileExists() const {
  try {
    const std::string p = core::Trim(path);
    if (p.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
  } catch (...) {
    return false;
  }
}

bool QALConfiguration::Impl::LoadXML(const std::string& file) {
  const bool ok = documentRoot.LoadFile(file);
  if (!ok) {
    fileError = documentRoot.LastError();
    LogFailureBlock("DocumentRoot.LoadXmlFile returned 0 in QALConfiguration.LoadXML()", fileError);
    // The reason is told beside the file's name; it need not repeat it.
    const std::string prefix = file + ": ";
    if (fileError.starts_with(prefix)) fileError.erase(0, prefix.size());
  }
  return ok;
}

bool QALConfiguration::Impl::SaveXML(XmlElement& root, const std::string& file) {
  const bool ok = root.SaveFile(file);
  if (!ok) {
    fileError = root.LastError();
    LogFailureBlock("XMLTree.SaveXML returned 0 in QALConfiguration.SaveXML()", fileError);
  }
  return ok;
}

bool QALConfiguration::Impl::ValidateXMLformat(XmlElement& root, std::string& reason) {
  auto count = [&root](const char* tag) { return root.CountChildrenWithTag(tag); };
  try {
    if (root.Tag() != kRootTag) {
      reason = "the root element is <" + root.Tag() + ">, not <" + kRootTag + ">";
      return false;
    }
    for (const char* tag : {kSpecTag, kDataTag}) {
      if (count(tag) != 1) {
        reason = "it holds " + std::to_string(count(tag)) + " <" + tag + "> elements, not one";
        return false;
      }
    }
    XmlElement spec = *root.ChildWithTag(kSpecTag);
    if (!spec.TestAttribute("version", "1")) {
      reason = "its <spec> element does not say version=\"1\"";
      return false;
    }
    XmlElement data = *root.ChildWithTag(kDataTag);
    const std::optional<std::string> encrypted = spec.Attribute("encrypted");
    if (encrypted == "True") {
      // Without its data part the file cannot be used: running on the built-in
      // values instead would let the next save replace the user's settings.
      if (!DecryptTree(data)) {
        Log("Failed to decrypt XML data in QALConfiguration.ValidateXMLformat()", 0);
        reason = "its encrypted data part cannot be decrypted: " + data.LastError();
        return false;
      }
      return true;
    }
    // Any other word is no plain file either: read as one, every key would keep its built-in
    // value, and the next save would replace the user's settings with them.
    if (encrypted && *encrypted != "False") {
      reason = "its <spec> element says encrypted=\"" + *encrypted +
               "\", which is neither \"True\" (the data part is encrypted) nor \"False\" (it is not)";
      return false;
    }
    // A plain data part holds elements only; text there is a data part encrypted but not marked so.
    if (HoldsText(data)) {
      reason = "its <data> element holds text where its elements belong, but its <spec> element " +
               std::string(encrypted ? "says encrypted=\"False\"" : "does not say encrypted=\"True\"") +
               "; an encrypted data part must be marked encrypted=\"True\"";
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    reason = ErrorText(e);
    return false;
  } catch (...) {
    reason = "the file could not be examined";
    return false;
  }
}

bool QALConfiguration::Impl::ReadFailed(const std::string& line, const std::string& reason) {
  Log(line, 0);
  lastReadError = reason;
  readFailed = true;
  const std::string told = "Configuration file " + path + " cannot be used: " + core::OutsideText(reason);
  Log(told, 0);
  // The program cannot run on it: whoever runs it learns why also when the log cannot be written.
  if (logHandler != nullptr) logHandler->ReportFileFailure(path, reason, told);
  return false;
}

std::optional<XmlElement> QALConfiguration::Impl::WalkOrCreate(XmlElement current, const std::string& key,
                                                               bool& complete) {
  complete = true;
  for (const std::string& part : core::Split(key, "\\")) {
    if (auto child = current.ChildWithTag(part)) {
      current = *child;
      continue;
    }
    XmlElement made;
    if (!made.SetTag(part) || !current.AppendChild(made)) return std::nullopt;
    complete = false;
    current = made;
  }
  return current;
}

bool QALConfiguration::Impl::XMLtoTreeHash(XmlElement& data, std::string& reason) {
  try {
    for (const std::string& key : treeHash.Keys()) {
      bool complete = false;
      auto leaf = WalkOrCreate(data, key, complete);
      if (!leaf) {
        reason = "the key " + key + " cannot be an element path";
        Log("XMLtoTreeHash(): " + reason, 2);
        return false;
      }
      if (complete) treeHash.item(key, leaf->Text());
    }
    return true;
  } catch (const std::exception& e) {
    reason = ErrorText(e);
    Log("XMLtoTreeHash(): " + reason, 2);
    return false;
  }
}

bool QALConfiguration::Impl::TreeHashToXML(XmlElement& data) const {
  try {
    for (const std::string& key : treeHash.Keys()) {
      const std::string value = treeHash.item(key).Text();
      bool complete = false;
      auto leaf = WalkOrCreate(data, key, complete);
      if (!leaf) {
        Log("TreeHashToXML(): the key " + key + " cannot be an element path", 2);
        return false;
      }
      if (!value.empty()) leaf->SetText(value);
    }
    return true;
  } catch (const std::exception& e) {
    Log("TreeHashToXML(): " + ErrorText(e), 2);
    return false;
  }
}

QALConfiguration::Impl::FileTree QALConfiguration::Impl::NewFileTree() {
  FileTree t;
  t.root.SetTag(kRootTag);
  t.spec.SetTag(kSpecTag);
  t.spec.SetText(kSpecText);
  t.spec.AddAttribute("version", "1");
  t.spec.AddAttribute("encrypted", "False");
  t.data.SetTag(kDataTag);
  return t;
}

bool QALConfiguration::Impl::CreateDefaultConfigFile() {
  FileTree t = NewFileTree();
  if (!TreeHashToXML(t.data)) return false;
  t.root.AppendChild(t.spec);
  t.root.AppendChild(t.data);
  return SaveXML(t.root, path);
}

QALConfiguration::QALConfiguration() : impl_(std::make_unique<Impl>()) {}
QALConfiguration::~QALConfiguration() = default;

void QALConfiguration::path(const std::string& p) { impl_->path = core::Trim(p); }
const std::string& QALConfiguration::path() const { return impl_->path; }
void QALConfiguration::LogHandler(QALLoggerTXT* logger) { impl_->logHandler = logger; }
void QALConfiguration::EncryptData(bool on) { impl_->encryptData = on; }
bool QALConfiguration::EncryptData() const { return impl_->encryptData; }
bool QALConfiguration::ChangeWasMade() const { return impl_->changeWasMade; }
void QALConfiguration::ChangeWasMade(bool on) { impl_->changeWasMade = on; }
std::uint64_t QALConfiguration::Revision() const { return impl_->revision; }

bool QALConfiguration::ItemExists(const std::string& key) const {
  return impl_->treeHash.Exists(key);  // an empty key raises 1001, as every keyed lookup does
}

std::string QALConfiguration::item(const std::string& key) const {
  const std::string k = core::UCase(key);
  if (!impl_->treeHash.Exists(k))
    throw core::RuntimeError(kKeyMissing, "Key does not exist in TreeHash (KB10781): " + k, kSource);
  return impl_->treeHash.item(k).Text();
}

void QALConfiguration::item(const std::string& key, const std::string& value) {
  const std::string k = core::UCase(key);
  if (!impl_->treeHash.Exists(k))
    throw core::RuntimeError(kKeyMissing, "Key does not exist in TreeHash (KB10781): " + k, kSource);
  impl_->treeHash.item(k, value);
  impl_->changeWasMade = true;
  impl_->revision = NextRevision();
}

void QALConfiguration::DefineTree(const std::string& treePath, const std::string& defaultValue) {
  const std::string key = core::UCase(core::Trim(treePath));
  // An empty key is refused here (error 1001). A key that cannot be an element path is taken:
  // the file cannot hold it, so a save then fails and writes nothing.
  if (impl_->treeHash.Exists(key)) return;
  impl_->treeHash.Add(key, defaultValue);
  impl_->revision = NextRevision();
}

bool QALConfiguration::ReadConfig() {
  Impl& s = *impl_;
  s.revision = NextRevision();  // the values the file holds replace the table's, also when the read fails midway
  s.fileError.clear();
  if (!s.ConfigFileExists()) {
    // Something else in the file's place is not made anew (and cannot be).
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(s.path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_symlink(status)) {
      const std::string what = std::filesystem::is_directory(status) ? "a directory" : "not a regular file";
      return s.ReadFailed("Configuration file at " + s.path + " is " + what + ".", "it is " + what + ", not a file");
    }
    s.Log("Configuration file does not exist at " + s.path, 0);
    s.Log("Attempting to create a default configuration file...", 0);
    if (!s.CreateDefaultConfigFile())
      return s.ReadFailed("Unable to create default configuration file in QALConfiguration.ReadConfig().",
                          "it does not exist and cannot be created: " +
                              (s.fileError.empty() ? std::string("the default file could not be made") : s.fileError));
    s.Log("Default configuration file successfully created.", 0);
  }

  s.documentRoot = XmlElement();
  s.dataNode.reset();
  if (!s.LoadXML(s.path)) return s.ReadFailed("LoadXML() failed in QALConfiguration.ReadConfig().", s.fileError);
  std::string reason;
  if (!s.ValidateXMLformat(s.documentRoot, reason))
    return s.ReadFailed("ValidateXMLFormat failed in QALConfiguration.ReadConfig().", reason);
  s.dataNode = s.documentRoot.ChildWithTag(kDataTag);
  if (!s.dataNode)
    return s.ReadFailed("XMLtoTreeHash() failed in QALConfiguration.ReadConfig().", "it holds no <data>");
  if (!s.XMLtoTreeHash(*s.dataNode, reason))
    return s.ReadFailed("XMLtoTreeHash() failed in QALConfiguration.ReadConfig().", reason);
  s.changeWasMade = false;
  s.readFailed = false;
  s.lastReadError.clear();
  if (s.logHandler != nullptr) s.logHandler->FileRecovered(s.path, "Configuration file " + s.path + " is read again.");
  return true;
}

const std::string& QALConfiguration::LastReadError() const { return impl_->lastReadError; }

bool QALConfiguration::SaveConfig() {
  Impl& s = *impl_;
  if (s.readFailed) {
    s.Log("The configuration was not saved: " + s.path +
              " could not be read, and saving would replace it with the values held in memory.",
          0);
    return false;
  }
  Impl::FileTree t = Impl::NewFileTree();
  if (!s.TreeHashToXML(t.data)) return false;

  if (s.encryptData) {
    if (s.EncyptTree(t.data)) {
      t.spec.UpdateAttribute("encrypted", "True");
    } else {
      s.Log("EncyptTree() failed in QALConfiguration.SaveConfig(). Will have to save without requested encyption.", 2);
      s.Log("    Details: " + t.data.LastError(), 2);
      t.spec.UpdateAttribute("encrypted", "False");
    }
  } else {
    t.spec.UpdateAttribute("encrypted", "False");
  }

  t.root.AppendChild(t.spec);
  t.root.AppendChild(t.data);
  const bool saved = s.SaveXML(t.root, s.path);
  s.changeWasMade = false;
  return saved;
}

void QALConfiguration::dumpConfiguration() {
  const Impl& s = *impl_;
  if (s.logHandler == nullptr || s.logHandler->Verbosity() < 2) return;
  s.Log(Separator(), 2);
  s.Log("Configuration Settings :", 2);
  if (s.treeHash.Count() > 0)
    for (const std::string& key : s.treeHash.Keys())
      s.Log(key + " : " + core::OutsideText(CommonGlobals::ShownSettingValue(key, s.treeHash.item(key).Text())), 2);
  s.Log(Separator(), 2);
}
