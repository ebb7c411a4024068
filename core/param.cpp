// Keyed parameter strings: texts such as KEY1=value KEY2:value/KEY3=value in
// which a key is found by name and its value read or replaced.
#include <cstring>

#include "core/arena.h"
#include "core/internal/text_scan.h"
#include "core/text.h"

namespace core {

using detail::first_error;
using detail::is_quote;
using detail::scan;

namespace {

// The bytes a key must follow (or stand at the start) and a value ends at.
constexpr bool is_boundary(uint8_t c) { return c == ':' || c == ' ' || c == '&' || c == '/'; }

struct Pair {
  uint32_t key = 0;    // where the key starts
  uint32_t value = 0;  // where its value starts (after ":" or "=")
  uint32_t end = 0;    // where the value ends
  char form = ':';
};

bool has_quote(Text s) {
  for (uint32_t i = 0; i < s.len; ++i) {
    if (is_quote(s.at(i))) return true;
  }
  return false;
}

bool find_form(Text text, Text key, char form, Pair* pair) {
  const uint8_t first = key.at(0);
  auto starts_key = [first](uint8_t c) { return c == first; };
  for (uint32_t i = scan(text, 0, starts_key); i < text.len; i = scan(text, i + 1, starts_key)) {
    if (uint32_t{key.len} + 1 > text.len - i) break;  // no later place can hold it either
    if (i > 0 && !is_boundary(text.at(i - 1))) continue;
    // The key holds no quote, so a byte match cannot reach into a quoted section.
    if (std::memcmp(text.ptr + i, key.ptr, key.len) != 0 || text.ptr[i + key.len] != form) continue;
    pair->key = i;
    pair->value = i + key.len + 1;
    pair->end = scan(text, pair->value, is_boundary);
    pair->form = form;
    return true;
  }
  return false;
}

// The ":" form wins wherever it stands; "=" is tried only when there is none.
bool find_pair(Text text, Text key, Pair* pair) {
  if (key.len == 0 || has_quote(key)) return false;
  return find_form(text, key, ':', pair) || find_form(text, key, '=', pair);
}

bool ends_inside_quote(Text s) {
  for (uint32_t i = 0; i < s.len; ++i) {
    if (!is_quote(s.at(i))) continue;
    const void* close = std::memchr(s.ptr + i + 1, s.ptr[i], s.len - i - 1);
    if (close == nullptr) return true;
    i = static_cast<uint32_t>(static_cast<const char*>(close) - s.ptr);
  }
  return false;
}

// True when the text ends in a bare word (after its last boundary, with no
// "=" and no quote), which a ":" written behind it would turn into a key.
bool ends_in_bare_word(Text text) {
  uint32_t last = text.len;  // the last boundary outside quotes
  for (uint32_t at = scan(text, 0, is_boundary); at < text.len; at = scan(text, at + 1, is_boundary)) last = at;
  const uint32_t from = last == text.len ? 0 : last + 1;
  if (from >= text.len) return false;
  for (uint32_t i = from; i < text.len; ++i) {
    if (text.at(i) == '=' || is_quote(text.at(i))) return false;
  }
  return true;
}

// One whole quoted section, such as 'a b' (and not 'a' 'b').
bool is_one_quoted(Text s) {
  if (s.len < 2 || !is_quote(s.at(0))) return false;
  const void* close = std::memchr(s.ptr + 1, s.ptr[0], s.len - 1u);
  return close == s.ptr + s.len - 1;
}

// The value as it is written into a parameter string: quoted when it would
// otherwise end early or open a quote, so that it reads back unchanged.
Text written_value(Text value) {
  if (is_one_quoted(value)) return value;
  bool plain = true;
  for (uint32_t i = 0; i < value.len && plain; ++i) {
    plain = !is_boundary(value.at(i)) && !is_quote(value.at(i));
  }
  return plain ? value : text_quote(value, '"');
}

Text paste(const Text* pieces, int count) {
  uint64_t size = 0;
  for (int i = 0; i < count; ++i) size += pieces[i].len;
  char* out = nullptr;
  Text r = detail::result_alloc(size, &out);
  if (out == nullptr) return r;
  for (int i = 0; i < count; ++i) {
    if (pieces[i].len > 0) std::memcpy(out, pieces[i].ptr, pieces[i].len);
    out += pieces[i].len;
  }
  return r;
}

}  // namespace

Text param_find(Text text, Text key) {
  if (const Text* e = first_error(text, key)) return *e;
  Pair pair;
  if (!find_pair(text, key, &pair)) return text_error_value(NOVALUE);
  return Text{text.ptr + pair.value, static_cast<uint16_t>(pair.end - pair.value)};
}

Text param_value(Text text, Text key) {
  if (const Text* e = first_error(text, key)) return *e;
  const Text raw = param_find(text, key);
  if (!raw.ok()) return Text{};
  const Text v = text_unquote(text_trim(raw, kTrimBoth));
  // Both steps only ever shorten, so an equal length means neither applied:
  // a bare word, compared without regard to case.
  if (v.len == raw.len) return text_case(raw, Case::Upper);
  return v;
}

Text param_set(Text text, Text key, Text value) {
  if (const Text* e = first_error(text, key, value)) return *e;
  // A key with a quote, a boundary byte or "=" could not be told apart from
  // its neighbours or its value when read again.
  for (uint32_t i = 0; i < key.len; ++i) {
    if (is_quote(key.at(i)) || is_boundary(key.at(i)) || key.at(i) == '=') return text_error_value(NOVALUE);
  }
  if (key.len == 0) return text_error_value(NOVALUE);
  ArenaScope scope;
  const Text v = written_value(value);
  if (!v.ok()) return v;  // the value holds both quote characters
  Pair pair;
  if (find_pair(text, key, &pair)) {
    // The pair keeps its own form: written as "=" after a ":" form, a later
    // "KEY:" would be found instead of it.
    const char form = pair.form;
    const Text pieces[] = {Text{text.ptr, static_cast<uint16_t>(pair.key)}, key, Text{&form, 1}, v,
                           Text{text.ptr + pair.end, static_cast<uint16_t>(text.len - pair.end)}};
    return scope.keep(paste(pieces, 5));
  }
  // Appended behind an unclosed quote, the pair would be hidden.
  if (ends_inside_quote(text)) return text_error_value(NOVALUE);
  // Behind a bare word ("A=1 FLAG"), a ":" would make "FLAG:" a pair whose
  // value is the new pair; a blank keeps them apart.
  const Text joiner = ends_in_bare_word(text) ? " "_t : ":"_t;
  const Text pieces[] = {text, joiner, key, "="_t, v};
  return scope.keep(paste(pieces, 5));
}

}  // namespace core
