#pragma once

#include <string>
#include <utility>
#include <vector>

#include "foundation/QALConfiguration.h"
#include "support/KeyTreeTable.h"

// The program's key tree with its defaults, as start-up declares it (title "K30418"), as
// key and value.
inline const std::vector<std::pair<std::string, std::string>>& ProgramKeyTree() {
  static const auto keys = testsupport::ProgramKeyTree("K30418", false);
  return keys;
}

inline void DeclareProgramKeyTree(QALConfiguration& config) {
  for (const auto& [key, value] : ProgramKeyTree()) config.DefineTree(key, value);
}
