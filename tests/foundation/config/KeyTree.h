#pragma once

#include <string>
#include <vector>

#include "foundation/QALConfiguration.h"
#include "support/KeyTreeTable.h"

// The program's key tree with its defaults, as start-up declares it (title "K30418").
struct DeclaredKey {
  std::string key;
  std::string value;
};

inline const std::vector<DeclaredKey>& ProgramKeyTree() {
  static const std::vector<DeclaredKey> keys = [] {
    std::vector<DeclaredKey> out;
    for (auto& [key, value] : testsupport::ProgramKeyTree("K30418", false)) out.push_back({key, value});
    return out;
  }();
  return keys;
}

inline void DeclareProgramKeyTree(QALConfiguration& config) {
  for (const auto& k : ProgramKeyTree()) config.DefineTree(k.key, k.value);
}
