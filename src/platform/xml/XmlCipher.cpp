#include "platform/xml/XmlCipher.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <memory>

namespace platform::xml {

namespace {

constexpr int kKeyBytes = 32;
constexpr int kNonceBytes = 12;
constexpr int kTagBytes = 16;
constexpr int kIterations = 20000;
// Fixed: the same key text must give the same cipher key on every machine.
constexpr std::string_view kSalt = "k30418.xml-element.content.v1";
// EVP lengths are int; big contents go through in pieces of this size.
constexpr std::size_t kPiece = 1 << 20;

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct CtxDeleter {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Ctx = std::unique_ptr<EVP_CIPHER_CTX, CtxDeleter>;

bool DeriveKey(std::string_view key, std::array<unsigned char, kKeyBytes>& out, std::string& error) {
  if (key.empty()) {
    error = "No key was given";
    return false;
  }
  if (PKCS5_PBKDF2_HMAC(key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(kSalt.data()),
                        static_cast<int>(kSalt.size()), kIterations, EVP_sha256(), kKeyBytes, out.data()) != 1) {
    error = "The key could not be derived";
    return false;
  }
  return true;
}

// Runs the bytes through EVP_CipherUpdate piece by piece.
bool Update(EVP_CIPHER_CTX* ctx, std::string_view in, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + in.size() + kTagBytes);
  std::size_t written = start;
  for (std::size_t pos = 0; pos < in.size(); pos += kPiece) {
    const std::size_t n = std::min(kPiece, in.size() - pos);
    int got = 0;
    if (EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data() + written), &got,
                         reinterpret_cast<const unsigned char*>(in.data() + pos), static_cast<int>(n)) != 1)
      return false;
    written += static_cast<std::size_t>(got);
  }
  out.resize(written);
  return true;
}

}  // namespace

bool XmlCipher::Seal(std::string_view plain, std::string_view key, std::string& sealed, std::string& error) {
  std::array<unsigned char, kKeyBytes> k{};
  if (!DeriveKey(key, k, error)) return false;
  std::array<unsigned char, kNonceBytes> nonce{};
  if (RAND_bytes(nonce.data(), kNonceBytes) != 1) {
    error = "No random nonce could be made";
    return false;
  }
  Ctx ctx(EVP_CIPHER_CTX_new());
  std::string bytes(reinterpret_cast<const char*>(nonce.data()), kNonceBytes);
  int last = 0;
  std::array<unsigned char, kTagBytes> tag{};
  std::array<unsigned char, 16> tail{};  // GCM writes nothing at the end
  if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, k.data(), nonce.data()) != 1 ||
      !Update(ctx.get(), plain, bytes) || EVP_EncryptFinal_ex(ctx.get(), tail.data(), &last) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagBytes, tag.data()) != 1) {
    error = "The content could not be encrypted";
    return false;
  }
  bytes.append(reinterpret_cast<const char*>(tag.data()), kTagBytes);
  sealed = Base64Encode(bytes);
  return true;
}

bool XmlCipher::Open(std::string_view sealedText, std::string_view key, std::string& plain, std::string& error) {
  std::string bytes;
  if (!Base64Decode(sealedText, bytes)) {
    error = "The encrypted text is not valid base64";
    return false;
  }
  if (bytes.size() < static_cast<std::size_t>(kNonceBytes + kTagBytes)) {
    error = "The encrypted text is too short";
    return false;
  }
  std::array<unsigned char, kKeyBytes> k{};
  if (!DeriveKey(key, k, error)) return false;
  const auto* nonce = reinterpret_cast<const unsigned char*>(bytes.data());
  std::string_view body(bytes.data() + kNonceBytes, bytes.size() - kNonceBytes - kTagBytes);
  std::array<unsigned char, kTagBytes> tag{};
  std::copy(bytes.end() - kTagBytes, bytes.end(), tag.begin());

  Ctx ctx(EVP_CIPHER_CTX_new());
  std::string out;
  int last = 0;
  if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, k.data(), nonce) != 1 ||
      !Update(ctx.get(), body, out) ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagBytes, tag.data()) != 1) {
    error = "The content could not be decrypted";
    return false;
  }
  // GCM writes nothing at the end; the call only checks the tag.
  std::array<unsigned char, 16> tail{};
  if (EVP_DecryptFinal_ex(ctx.get(), tail.data(), &last) != 1) {
    error = "The encrypted text was damaged or made with another key";
    return false;
  }
  plain = std::move(out);
  return true;
}

std::string XmlCipher::Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool XmlCipher::Base64Decode(std::string_view text, std::string& bytes) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  unsigned acc = 0;
  int bits = 0;
  std::size_t symbols = 0;
  std::size_t padding = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++padding;
      ++symbols;
      continue;
    }
    if (padding > 0) return false;  // data after padding
    const auto pos = kAlphabet.find(c);
    if (pos == std::string_view::npos) return false;
    acc = (acc << 6) | static_cast<unsigned>(pos);
    bits += 6;
    ++symbols;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  if (symbols % 4 != 0 || padding > 2) return false;
  bytes = std::move(out);
  return true;
}

}  // namespace platform::xml
