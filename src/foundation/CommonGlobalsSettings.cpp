#include "foundation/CommonGlobalsSettings.h"

#include <algorithm>

#include "core/Text.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"
#include "platform/db/ConnectionStringParts.h"

namespace CommonGlobals {

namespace {

constexpr const char* kSource = "CommonGlobals";
// A value is quoted in the error up to this length: enough to recognise it, never a
// whole pasted document in one log line.
constexpr std::size_t kShownValueLength = 80;
// What a log line shows in place of a password: always the same, so that not even
// its length is told.
constexpr const char* kMask = "********";

QALConfiguration& Config() {
  QALConfiguration* config = Program().config;
  if (!config) core::Raise(91, kSource);
  return *config;
}

// The value as it may stand inside one log line: control characters (line breaks
// above all, which could fake further lines) shown as "?", and cut short.
std::string Shown(const std::string& value) {
  std::string shown = value.substr(0, kShownValueLength);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  if (value.size() > kShownValueLength) shown += "...";
  return shown;
}

// Runs a conversion of the setting's text; its type and range errors name the key.
template <class Convert>
auto Converted(const std::string& key, Convert convert) {
  const std::string text = Config().item(key);
  try {
    return convert(core::Value(text));
  } catch (const core::RuntimeError& e) {
    if (e.Number() == core::err::kTypeMismatch || e.Number() == core::err::kOverflow)
      throw SettingError(e.Number(), key, text);
    throw;
  }
}

}  // namespace

core::RuntimeError SettingError(int number, const std::string& key, const std::string& value) {
  return core::RuntimeError(
      number, core::ErrorDescription(number) + ": the setting " + core::UCase(key) + " holds '" + Shown(value) + "'",
      kSource);
}

std::int16_t IntegerSetting(const std::string& key) {
  return Converted(key, [](const core::Value& v) { return v.ToInteger(); });
}

std::int32_t LongSetting(const std::string& key) {
  return Converted(key, [](const core::Value& v) { return v.ToLong(); });
}

core::Date DateSetting(const std::string& key) {
  return Converted(key, [](const core::Value& v) { return v.ToDate(); });
}

std::int32_t ClampedNumber(const std::string& text, std::int32_t low, std::int32_t high, std::int32_t fallback) {
  const auto number = core::ParseNumber(text);
  if (!number) return fallback;
  const double rounded = core::RoundHalfEven(*number);
  return static_cast<std::int32_t>(std::clamp(rounded, static_cast<double>(low), static_cast<double>(high)));
}

std::int32_t ClampedSetting(const std::string& key, std::int32_t low, std::int32_t high, std::int32_t fallback) {
  QALConfiguration& config = Config();
  const std::int32_t result = ClampedNumber(config.item(key), low, high, fallback);
  config.item(key, std::to_string(result));
  return result;
}

std::int16_t LogVerbositySetting() {
  return static_cast<std::int16_t>(ClampedSetting("OPTIONS\\LOG_VERBOSITY", 0, 9, 0));
}

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
