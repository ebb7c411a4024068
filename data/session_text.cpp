// Texts of the session: SQL literals, connection-string values and the
// cleaning of server messages.
#include <cstring>
#include <string>

#include "core/arena.h"
#include "data/internal/session.h"
#include "data/session.h"

namespace data {

using internal::arena_text;
using internal::view;

namespace internal {

Text arena_text(std::string_view s) {
  if (s.size() > core::kMaxTextLen) return core::text_error_value(core::STRINGTOOLONG);
  return core::text_copy(core::text_view(s.data(), s.size()));
}

std::string conninfo_value(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  out += '\'';
  return out;
}

std::string conninfo_build(std::string_view host, std::string_view database, std::string_view user,
                           std::string_view password) {
  std::string s;
  auto add = [&s](const char* key, std::string_view value) {
    if (!s.empty()) s += ' ';
    s += key;
    s += '=';
    s += conninfo_value(value);
  };
  if (!database.empty()) add("dbname", database);
  if (!host.empty()) add("host", host);
  add("user", user);
  if (!password.empty()) add("password", password);
  add("client_encoding", "WIN1252");
  // Dates come back as YYYY-MM-DD whatever the server's own style.
  add("options", "-c DateStyle=ISO");
  return s;
}

}  // namespace internal

Text sql_literal(Text value) {
  if (!value.ok()) return value;
  std::string_view v = view(value);
  std::string out;
  if (v.find_first_of("'\"\\") == std::string_view::npos) {
    out.reserve(v.size() + 2);
    out += '\'';
    out += v;
    out += '\'';
    return arena_text(out);
  }
  // The escape form, so that the meaning of a backslash does not depend on
  // the server's standard_conforming_strings.
  out = "E'";
  for (char c : v) {
    if (c == '\'') {
      out += "\\x27";
    } else if (c == '"') {
      out += "\\x22";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  out += '\'';
  return arena_text(out);
}

namespace {

// Windows-1252 bytes 80 to 9F by their Unicode code points; 0 where the
// code page defines none.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char cp1252_of(uint32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF))
    return static_cast<char>(code_point);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == code_point) return static_cast<char>(0x80 + i);
  return '?';
}

// Decodes strict UTF-8; false when s is not UTF-8 or holds only ASCII
// (nothing to convert).
bool utf8_to_cp1252(std::string_view s, std::string* out) {
  bool multibyte = false;
  out->clear();
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<uint8_t>(s[i]);
    if (c < 0x80) {
      *out += static_cast<char>(c);
      ++i;
      continue;
    }
    int extra = (c >= 0xC2 && c <= 0xDF)   ? 1
                : (c >= 0xE0 && c <= 0xEF) ? 2
                : (c >= 0xF0 && c <= 0xF4) ? 3
                                           : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) return false;
    uint32_t cp = c & (0x3Fu >> extra);
    for (int k = 1; k <= extra; ++k) {
      auto cc = static_cast<uint8_t>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    // Overlong forms and surrogates are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    *out += cp1252_of(cp);
    multibyte = true;
    i += static_cast<size_t>(extra) + 1;
  }
  return multibyte;
}

bool trailing_noise(char c) {
  return static_cast<uint8_t>(c) < 0x20 || std::strchr(" .,;:!", c) != nullptr;
}

}  // namespace

Text sql_message_clean(Text message) {
  if (!message.ok()) return message;
  std::string s(view(message));
  std::string converted;
  if (utf8_to_cp1252(s, &converted)) s = converted;
  for (char& c : s)
    if (c == '\xAB' || c == '\xBB') c = '"';
  while (!s.empty() && trailing_noise(s.back())) s.pop_back();
  return arena_text(s);
}

}  // namespace data
