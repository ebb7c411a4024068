// Texts of the session: SQL literals, connection-string values and the
// cleaning of server messages.
#include <cstring>
#include <string>

#include "core/arena.h"
#include "core/cp1252.h"
#include "data/internal/session.h"
#include "data/session.h"

namespace data {


namespace internal {

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
  std::string_view v = core::text_bytes(value);
  std::string out;
  if (v.find_first_of("'\"\\") == std::string_view::npos) {
    out.reserve(v.size() + 2);
    out += '\'';
    out += v;
    out += '\'';
    return core::arena_text(out);
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
  return core::arena_text(out);
}

namespace {

bool trailing_noise(char c) {
  return static_cast<uint8_t>(c) < 0x20 || std::strchr(" .,;:!", c) != nullptr;
}

}  // namespace

Text sql_message_clean(Text message) {
  if (!message.ok()) return message;
  std::string s(core::text_bytes(message));
  std::string converted;
  if (core::utf8_to_cp1252_strict(s, &converted)) s = converted;
  for (char& c : s)
    if (c == '\xAB' || c == '\xBB') c = '"';
  while (!s.empty() && trailing_noise(s.back())) s.pop_back();
  return core::arena_text(s);
}

}  // namespace data
