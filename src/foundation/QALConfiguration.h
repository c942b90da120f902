#pragma once

#include <memory>
#include <string>

#include "foundation/HashTable.h"

class QALLoggerTXT;

// The settings: a flat table of upper-case key paths ("OPTIONS\LOG_VERBOSITY")
// with string values, declared with defaults before the XML file beside the
// executable is read, and saved back whole. The logger is borrowed.
class QALConfiguration {
 public:
  QALConfiguration();
  ~QALConfiguration();

  void path(const std::string& p);  // stores the trimmed text
  const std::string& path() const;
  void LogHandler(QALLoggerTXT* logger);
  void EncryptData(bool on);
  bool EncryptData() const;

  bool ItemExists(const std::string& key) const;
  // Key upper-cased; error 10781 for a key that was never declared.
  std::string item(const std::string& key) const;
  void item(const std::string& key, const std::string& value);

  bool ChangeWasMade() const;
  void ChangeWasMade(bool on);

  bool ReadConfig();
  bool SaveConfig();
  void DefineTree(const std::string& treePath, const std::string& defaultValue);
  void dumpConfiguration();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
