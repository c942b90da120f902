#include "foundation/SecretSettings.h"

#include <algorithm>

#include "core/Text.h"
#include "platform/db/ConnectionStringParts.h"

namespace CommonGlobals {

namespace {

// What a log line shows in place of a password: always the same, so that not even
// its length is told.
constexpr const char* kMask = "********";

}  // namespace

bool IsSecretSetting(const std::string& key) {
  const std::string upper = core::UCase(core::Trim(key));
  const std::string last = upper.substr(upper.rfind('\\') + 1);  // the whole key without a backslash
  return last.ends_with("PASSWORD");
}

std::string MaskedPasswords(const std::string& connectionText) {
  // Pairs are walked as the connection layer reads them (a value in quotes or braces may
  // hold ";"); everything but a password's value is kept letter for letter.
  const std::string& text = connectionText;
  std::string masked;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t eq = text.find_first_of("=;", at);
    if (eq == std::string::npos || text[eq] == ';') {  // a piece without a value
      const std::size_t next = eq == std::string::npos ? text.size() : eq + 1;
      masked.append(text, at, next - at);
      at = next;
      continue;
    }
    std::size_t start = text.find_first_not_of(' ', eq + 1);
    if (start == std::string::npos) start = text.size();
    std::size_t end = start;
    if (start < text.size() && (text[start] == '"' || text[start] == '\'' || text[start] == '{')) {
      const char close = text[start] == '{' ? '}' : text[start];
      for (end = start + 1; end < text.size(); ++end) {
        if (text[end] != close) continue;
        if (end + 1 < text.size() && text[end + 1] == close) {
          ++end;  // a doubled closing mark stands for itself
          continue;
        }
        break;
      }
    }
    end = std::min(text.find(';', end), text.size());
    const std::string name = text.substr(at, eq - at);
    const std::string value = text.substr(eq + 1, end - eq - 1);
    const bool secret = platform::db::ConnectionStringParts::SameName(core::Trim(name), "Password") ||
                        platform::db::ConnectionStringParts::SameName(core::Trim(name), "PWD");
    masked += name + "=" + (secret && !core::Trim(value).empty() ? kMask : value);
    at = end;
  }
  return masked;
}

std::string ShownSettingValue(const std::string& key, const std::string& value) {
  if (IsSecretSetting(key)) return value.empty() ? value : kMask;
  return MaskedPasswords(value);
}

}  // namespace CommonGlobals
