#include "platform/db/WideText.h"

namespace platform::db {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::vector<SQLWCHAR>& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<SQLWCHAR>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<SQLWCHAR>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<SQLWCHAR>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::vector<SQLWCHAR> WideText::FromUtf8(std::string_view text) {
  std::vector<SQLWCHAR> out;
  out.reserve(text.size() + 1);
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, cp = c & 0x07;
    } else {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    bool ok = i + extra < text.size();  // all continuation bytes present
    for (int k = 1; ok && k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not text.
    if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
               (cp >= 0xD800 && cp <= 0xDFFF)))
      ok = false;
    if (!ok) {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += extra + 1;
  }
  out.push_back(0);
  return out;
}

std::string WideText::ToUtf8(const SQLWCHAR* units, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = kReplacement;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string WideText::ToUtf8(const SQLWCHAR* units) {
  size_t n = 0;
  while (units[n] != 0) ++n;
  return ToUtf8(units, n);
}

}  // namespace platform::db
