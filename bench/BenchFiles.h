#pragma once

// What the bench programs share: reading a file of the checkout, and names for their databases.

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace bench {

// The whole file, "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The prefix and eight random hex digits.
inline std::string RandomName(const char* prefix) {
  std::random_device rd;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%08X", prefix, static_cast<unsigned>(rd()));
  return buf;
}

}  // namespace bench
