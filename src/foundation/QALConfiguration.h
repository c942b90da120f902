#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/HashTable.h"

class QALLoggerTXT;

// The settings: a flat table of upper-case key paths ("OPTIONS\LOG_VERBOSITY")
// with string values, declared with defaults before the XML file beside the
// executable is read, and saved back whole. The file is
//   <qalconfigurationxml><spec version="1" encrypted="False|True">...</spec>
//   <data>one nested element per key part</data></qalconfigurationxml>
// with the elements in the table's enumeration order; the data part may be
// encrypted with the store's fixed key.
//
// The logger is borrowed and must outlive the store; without one the store
// works but writes nothing. Reading or writing an undeclared key raises
// core::RuntimeError 10781; file problems give a False result and log lines,
// and the table keeps its values. After a file that exists could not be read
// (not XML, another shape, a data part that does not decrypt) nothing is saved
// over it until a read succeeds. Password values never reach the log.
//
// The spec's encrypted attribute is "True" or "False" exactly (a file without it
// is plain); any other value, or a plain data part that holds text where its
// elements belong (encrypted content not marked so), makes the file unreadable.
class QALConfiguration {
 public:
  QALConfiguration();
  ~QALConfiguration();
  QALConfiguration(const QALConfiguration&) = delete;
  QALConfiguration& operator=(const QALConfiguration&) = delete;

  void path(const std::string& p);  // stores the trimmed text
  const std::string& path() const;
  void LogHandler(QALLoggerTXT* logger);
  void EncryptData(bool on);
  bool EncryptData() const;

  // The key exactly as given (no upper-casing, no trimming); an empty key raises 1001.
  bool ItemExists(const std::string& key) const;
  // Key upper-cased; error 10781 for a key that was never declared.
  std::string item(const std::string& key) const;
  // Key upper-cased; error 10781 for a key that was never declared. Sets
  // ChangeWasMade, also when the value is the same.
  void item(const std::string& key, const std::string& value);

  bool ChangeWasMade() const;
  void ChangeWasMade(bool on);
  // Changes whenever a value may have changed (a write, a declaration, a read of the file);
  // no two states of any stores of the program have the same revision, so that a reader may
  // keep what it derived from the values until the revision changes.
  std::uint64_t Revision() const;

  // Reads the file (creating it with the defaults when it is missing) and takes
  // the values of the declared keys found in it. A failure logs, at level 0, a
  // line naming the file and the reason.
  bool ReadConfig();
  // The reason the last ReadConfig failed (the parser's message and position, the
  // failed decryption...); "" after a successful read.
  const std::string& LastReadError() const;
  // Rebuilds the file from the table; the old file is replaced only once the
  // new one is completely written. Refused (False) while the last read failed.
  bool SaveConfig();
  // Declares a key (trimmed, upper-cased) with its default; a second
  // declaration keeps the first default. An empty path raises 1001. A path whose
  // parts cannot be element names (empty parts, blanks, a leading digit) is
  // declared, but the file cannot hold it: SaveConfig then fails and writes nothing.
  void DefineTree(const std::string& treePath, const std::string& defaultValue);
  // The whole table at level 2, when the logger's verbosity is 2 or more;
  // passwords are shown masked.
  void dumpConfiguration();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
