#include "platform/db/ConnectionStringParts.h"

#include <cctype>

namespace platform::db {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The value between open and close, a close inside doubled: how both forms quote a value
// that cannot stand as it is.
std::string Enclosed(std::string_view value, char open, char close) {
  std::string out(1, open);
  for (char c : value) {
    out += c;
    if (c == close) out += close;
  }
  out += close;
  return out;
}

}  // namespace

ConnectionStringParts::ConnectionStringParts(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    // The name runs to "=" or to the end of the piece.
    size_t nameEnd = i;
    while (nameEnd < n && text[nameEnd] != '=' && text[nameEnd] != ';') ++nameEnd;
    std::string name(Trim(text.substr(i, nameEnd - i)));
    if (nameEnd >= n || text[nameEnd] == ';') {
      if (!name.empty()) pairs_.emplace_back(std::move(name), "");
      i = nameEnd + 1;
      continue;
    }
    // The value: quoted, braced, or plain up to the next ";".
    size_t j = nameEnd + 1;
    while (j < n && IsBlank(text[j])) ++j;
    std::string value;
    if (j < n && (text[j] == '"' || text[j] == '\'' || text[j] == '{')) {
      const char open = text[j];
      const char close = open == '{' ? '}' : open;
      size_t k = j + 1;
      bool closed = false;
      while (k < n) {
        if (text[k] == close) {
          if (k + 1 < n && text[k + 1] == close) {  // a doubled closing mark stands for itself
            value += close;
            k += 2;
            continue;
          }
          closed = true;
          ++k;
          break;
        }
        value += text[k++];
      }
      if (!closed) {
        // An unbalanced quote: the text is taken as it stands rather than
        // swallowing the rest of the string.
        size_t end = text.find(';', j);
        if (end == std::string_view::npos) end = n;
        value = std::string(Trim(text.substr(j, end - j)));
        k = end;
      }
      // Anything between the closing mark and the next ";" is ignored.
      while (k < n && text[k] != ';') ++k;
      i = k + 1;
    } else {
      size_t end = text.find(';', j);
      if (end == std::string_view::npos) end = n;
      value = std::string(Trim(text.substr(j, end - j)));
      i = end + 1;
    }
    if (!name.empty()) pairs_.emplace_back(std::move(name), std::move(value));
  }
}

bool ConnectionStringParts::SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::optional<std::string> ConnectionStringParts::Get(std::string_view name) const {
  std::optional<std::string> found;
  for (const auto& [n, v] : pairs_) {
    if (SameName(n, name)) found = v;
  }
  return found;
}

std::string ConnectionStringParts::OdbcValue(std::string_view value) {
  const bool plain = value.find_first_of(";{}") == std::string_view::npos &&
                     (value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back())));
  return plain ? std::string(value) : BracedValue(value);
}

std::string ConnectionStringParts::BracedValue(std::string_view value) { return Enclosed(value, '{', '}'); }

std::string ConnectionStringParts::OleDbValue(std::string_view value) {
  const bool plain = value.find(';') == std::string_view::npos &&
                     (value.empty() || (value.front() != '"' && value.front() != '\'' && value.front() != '{' &&
                                        !IsBlank(value.front()) && !IsBlank(value.back())));
  return plain ? std::string(value) : Enclosed(value, '"', '"');
}

}  // namespace platform::db
