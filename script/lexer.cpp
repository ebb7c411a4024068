// Reading expression texts: delimiters, operators, parentheses, and the
// preparation that runs before every evaluation.
#include "script/lexer.h"

#include <array>
#include <cstring>

#include "core/arena.h"

using core::operator""_t;

namespace script::lex {
namespace {

using core::kNoPos;

// The delimiters; 0xF7 is the percentage-off operator of code page 1252.
constexpr const char kDelimiters[] = "*/!%\xF7+-(;,:)=><&@|";

constexpr std::array<bool, 256> make_delimiter_table() {
  std::array<bool, 256> t{};
  for (const char* p = kDelimiters; *p != 0; ++p) t[static_cast<uint8_t>(*p)] = true;
  return t;
}
constexpr std::array<bool, 256> kIsDelimiter = make_delimiter_table();

// The operator list, in its fixed order: "*,/,!,%,\xF7,+,-,=,>,<,==,>=,<=,<>,&,|,@,&&,||,@@".
// An operator's number is its field number there; kPrecedence[number - 1]
// is how tightly it binds ("|" binds tighter than "*").
constexpr int kPrecedence[] = {4, 4, 4, 4, 4, 3, 3, 0, 2, 2, 2, 2, 2, 2, 1, 5, 1, 1, 1, 1};

constexpr std::array<int8_t, 256> make_single_table() {
  std::array<int8_t, 256> t{};
  const char* singles = "*/!%\xF7+-=><&|@";
  const int8_t numbers[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 16, 17};
  for (int k = 0; singles[k] != 0; ++k) t[static_cast<uint8_t>(singles[k])] = numbers[k];
  return t;
}
constexpr std::array<int8_t, 256> kSingleOperator = make_single_table();

// The number of a two-character operator, 0 for a pair that is none.
int two_char_operator(uint8_t a, uint8_t b) {
  switch (a) {
    case '=': return b == '=' ? 11 : 0;
    case '>': return b == '=' ? 12 : 0;
    case '<': return b == '=' ? 13 : (b == '>' ? 14 : 0);
    case '&': return b == '&' ? 18 : 0;
    case '|': return b == '|' ? 19 : 0;
    case '@': return b == '@' ? 20 : 0;
    default: return 0;
  }
}

bool is_second_operator_char(uint8_t c) {
  return c == '=' || c == '>' || c == '<' || c == '&' || c == '@' || c == '|';
}

bool is_blank(uint8_t c) { return c == ' ' || c == '\t'; }
bool is_quote(uint8_t c) { return c == '\'' || c == '"'; }

// Position after the quoted section opening at pos, or s.len when unclosed.
uint16_t skip_quote(Text s, uint16_t pos) {
  uint8_t q = s.at(pos);
  for (uint32_t i = pos + 1u; i < s.len; ++i)
    if (s.at(i) == q) return static_cast<uint16_t>(i + 1);
  return s.len;
}

Text expand_macro(Text s, Text call, const char* templ) {
  core::ArenaScope scope;
  for (;;) {
    uint16_t at = core::text_find(s, call, false);
    if (at == kNoPos) break;
    uint16_t open = static_cast<uint16_t>(at + call.len - 1);
    uint16_t close = matching_paren(s, open);
    if (close == kNoPos) break;  // the balance check reports it
    Text arg = core::text_sub(s, open + 1, static_cast<uint16_t>(close - open - 1));
    Text body = core::text_format(core::kMaxTextLen, templ, core::text_cstr(arg));
    Text head = core::text_sub(s, 0, at);
    Text tail = core::text_sub(s, close + 1, core::kToEnd);
    s = core::text_concat(core::text_concat(head, body), tail);
    if (!s.ok()) break;
  }
  return scope.keep(s);
}

}  // namespace

bool is_delimiter(uint8_t c) { return kIsDelimiter[c]; }

uint16_t next_delimiter(Text s, uint16_t pos) {
  uint32_t i = pos;
  while (i < s.len) {
    uint8_t c = s.at(i);
    if (is_quote(c)) {
      i = skip_quote(s, static_cast<uint16_t>(i));
      continue;
    }
    if (kIsDelimiter[c]) return static_cast<uint16_t>(i);
    ++i;
  }
  return s.len;
}

uint16_t matching_paren(Text s, uint16_t open) {
  int depth = 0;
  uint32_t i = open;
  while (i < s.len) {
    uint8_t c = s.at(i);
    if (is_quote(c)) {
      i = skip_quote(s, static_cast<uint16_t>(i));
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return static_cast<uint16_t>(i);
    ++i;
  }
  return kNoPos;
}

Operator read_operator(Text s, uint16_t pos) {
  Operator op;
  if (pos >= s.len) return op;
  uint8_t c = s.at(pos);
  if (c == ',' || c == ';') return op;
  bool two = pos + 1u < s.len && is_second_operator_char(s.at(pos + 1u));
  op.length = two ? 2 : 1;
  op.number = two ? two_char_operator(c, s.at(pos + 1u)) : kSingleOperator[c];
  if (op.number > 0) op.precedence = kPrecedence[op.number - 1];
  return op;
}

Text prepare(Text expr) {
  if (!expr.ok()) return expr;
  core::ArenaScope scope;
  core::Status st = 0;
  char* out = core::arena_new(expr.len, &st);
  if (out == nullptr) return core::text_error_value(st);
  uint16_t n = 0;
  int depth = 0;
  bool has_macro = false;
  for (uint32_t i = 0; i < expr.len;) {
    uint8_t c = expr.at(i);
    if (is_quote(c)) {
      uint16_t end = skip_quote(expr, static_cast<uint16_t>(i));
      while (i < end) out[n++] = expr.ptr[i++];
      continue;
    }
    ++i;
    if (is_blank(c)) continue;
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == '_' && !has_macro && expr.len - i >= 6 && std::memcmp(expr.ptr + i, "ACCEPT", 6) == 0)
      has_macro = true;
    out[n++] = static_cast<char>(c);
  }
  if (depth != 0) return core::text_error_value(core::LOOPFAIL);
  Text s{out, n};
  if (has_macro) {
    s = expand_macro(s, "_ACCEPT#("_t, "FN#VALN(FN$TRIM(FN$PARM(_$(.envvar;.dialog);%s);'FIT'))");
    s = expand_macro(s, "_ACCEPT$("_t, "FN$TRIM(FN$PARM(_$(.envvar;.dialog);%s);'FIT')");
  }
  return scope.keep(s);
}

}  // namespace script::lex
