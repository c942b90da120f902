#pragma once

#include <string>

// Passwords never reach a log line. A setting whose last key part ends in
// "PASSWORD" holds one; so does the Password (or PWD) pair of a connection text.
// The configuration store's dump and every log line that shows a setting or a
// connection text go through these.
namespace CommonGlobals {

bool IsSecretSetting(const std::string& key);
// The text with the value of every Password/PWD pair masked; other texts unchanged.
std::string MaskedPasswords(const std::string& connectionText);
// A setting's value as a log line may show it.
std::string ShownSettingValue(const std::string& key, const std::string& value);

}  // namespace CommonGlobals
