#include "foundation/CommonGlobalsSettings.h"

#include <algorithm>

#include "core/Text.h"
#include "core/Value.h"
#include "foundation/ProgramContext.h"
#include "foundation/QALConfiguration.h"

namespace CommonGlobals {

namespace {

constexpr const char* kSource = "CommonGlobals";
// A value is quoted in the error up to this length: enough to recognise it, never a
// whole pasted document in one log line.
constexpr std::size_t kShownValueLength = 80;

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

}  // namespace CommonGlobals
