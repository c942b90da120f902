#pragma once

#include <cstdint>
#include <string>

#include "core/Date.h"
#include "core/RuntimeError.h"

// The one way a setting that holds a number or a date is read from the program's
// configuration (Program().config). Settings are texts; a text that is not what its
// key should hold raises the usual run-time error (13, or 6 for a number out of
// range) with a description that names the key and the text it holds, so the log
// says which setting to mend. Without a configuration the reads raise error 91.
namespace CommonGlobals {

// A whole number, halves rounded to even: 16 or 32 bits.
std::int16_t IntegerSetting(const std::string& key);
std::int32_t LongSetting(const std::string& key);
// A date, read as the program reads dates everywhere ("MM-dd-yyyy HH:mm:ss" and the
// other forms core::ParseDate knows).
core::Date DateSetting(const std::string& key);

// A number that is used within a range: halves rounded to even, held to low..high
// (a number beyond the 32-bit range counts as the nearest bound), fallback when the
// text is no number. ClampedSetting writes the result back to the setting as text.
std::int32_t ClampedNumber(const std::string& text, std::int32_t low, std::int32_t high, std::int32_t fallback);
std::int32_t ClampedSetting(const std::string& key, std::int32_t low, std::int32_t high, std::int32_t fallback);
// OPTIONS\LOG_VERBOSITY as the log applies it: 0..9, 0 when it is no number.
std::int16_t LogVerbositySetting();

// The error a setting's reader raises for a value it cannot use (number 13 or 6),
// its description naming the key and the value.
core::RuntimeError SettingError(int number, const std::string& key, const std::string& value);

}  // namespace CommonGlobals
