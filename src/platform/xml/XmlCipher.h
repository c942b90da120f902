#pragma once

#include <string>
#include <string_view>

namespace platform::xml {

// The cipher behind XmlElement::Encrypt and Decrypt: AES-256-GCM with a key
// stretched from the given text (PBKDF2-HMAC-SHA256, fixed salt). A sealed
// text is base64 of nonce (12 bytes) | ciphertext | tag (16 bytes), so any
// change to it, or another key, is detected when it is opened.
class XmlCipher {
 public:
  static bool Seal(std::string_view plain, std::string_view key, std::string& sealed, std::string& error);
  static bool Open(std::string_view sealed, std::string_view key, std::string& plain, std::string& error);

  static std::string Base64Encode(std::string_view bytes);
  // Blanks and line breaks are skipped; anything else outside the alphabet,
  // or a wrong length or padding, is refused.
  static bool Base64Decode(std::string_view text, std::string& bytes);
};

}  // namespace platform::xml
