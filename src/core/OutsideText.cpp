#include "core/OutsideText.h"

#include <algorithm>
#include <cstdint>

namespace core {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendByteEscape(std::string& out, unsigned char b) {
  out += "\\x";
  out += kHex[b >> 4];
  out += kHex[b & 0xF];
}

void AppendCodePointEscape(std::string& out, std::uint32_t cp) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
}

// The length of the valid UTF-8 sequence at s[i], 0 when the byte there starts none.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = at(i);
  if (b < 0x80) return 1;
  std::size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) lo = 0xA0;  // no overlong forms
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (at(i + 1) < lo || at(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  return n;
}

// Appends the character at s[i] as a line shows it and returns how many bytes it took; with
// keepBreaks CR and LF stay as they are (a window shows them as line breaks).
std::size_t AppendEscaped(std::string& out, std::string_view s, std::size_t i, bool keepBreaks) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (keepBreaks && (b == '\r' || b == '\n')) {
    out += static_cast<char>(b);
    return 1;
  }
  if (b == '\r') {
    out += "\\r";
    return 1;
  }
  if (b == '\n') {
    out += "\\n";
    return 1;
  }
  if ((b < 0x20 && b != '\t') || b == 0x7F) {
    AppendByteEscape(out, b);
    return 1;
  }
  const std::size_t n = SequenceLength(s, i);
  if (n == 0) {
    AppendByteEscape(out, b);
    return 1;
  }
  if (n == 2 && b == 0xC2 && static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
    AppendCodePointEscape(out, static_cast<unsigned char>(s[i + 1]));  // U+0080..U+009F
    return 2;
  }
  if (n == 3 && b == 0xE2 && static_cast<unsigned char>(s[i + 1]) == 0x80) {
    const auto third = static_cast<unsigned char>(s[i + 2]);
    if (third == 0xA8 || third == 0xA9) {
      AppendCodePointEscape(out, 0x2000u + 0x28u + (third - 0xA8u));
      return 3;
    }
  }
  out.append(s.substr(i, n));
  return n;
}

// The text escaped, cut after limit bytes with a note of its full length.
std::string Quoted(std::string_view text, std::size_t limit, bool keepBreaks) {
  std::string out;
  out.reserve(std::min(text.size(), limit) + 16);
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t before = out.size();
    const std::size_t took = AppendEscaped(out, text, i, keepBreaks);
    if (out.size() > limit) {
      out.resize(before);
      out += "... (cut, " + std::to_string(text.size()) + " bytes in all)";
      return out;
    }
    i += took;
  }
  return out;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) i += AppendEscaped(out, text, i, false);
  return out;
}

std::string EscapeInvalidUtf8(std::string_view bytes, bool* hadInvalid) {
  std::string out;
  out.reserve(bytes.size());
  bool invalid = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = SequenceLength(bytes, i);
    if (n == 0) {
      AppendByteEscape(out, static_cast<unsigned char>(bytes[i]));
      invalid = true;
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  if (hadInvalid) *hadInvalid = invalid;
  return out;
}

std::string OutsideText(std::string_view text, std::size_t limit) { return Quoted(text, limit, false); }

std::string WindowText(std::string_view text, std::size_t limit) { return Quoted(text, limit, true); }

std::string SafeLine(std::string_view line) { return OutsideText(line, kLineLimit); }

}  // namespace core
