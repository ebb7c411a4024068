// Counted strings: construction, copies, parts, trims, case and quoting.
#include <cstring>

#include "core/arena.h"
#include "core/internal/text_scan.h"
#include "core/text.h"

namespace core {

using detail::first_error;
using detail::is_quote;
using detail::result_alloc;

namespace detail {

Text result_alloc(uint64_t n, char** out) {
  *out = nullptr;
  if (n > kMaxTextLen) return text_error_value(STRINGTOOLONG);
  Status st = kOk;
  char* p = arena_new(static_cast<uint32_t>(n), &st);
  if (p == nullptr) return text_error_value(st != kOk ? st : OUTOFMEMORY);
  *out = p;
  return Text{p, static_cast<uint16_t>(n)};
}

}  // namespace detail

namespace {

bool in_set(uint8_t c, Text set) { return set.len > 0 && std::memchr(set.ptr, c, set.len) != nullptr; }

// Pastes up to three pieces into one new arena string.
Text paste(Text a, Text b, Text c) {
  char* out = nullptr;
  Text r = result_alloc(uint64_t{a.len} + b.len + c.len, &out);
  if (out == nullptr) return r;
  if (a.len > 0) std::memcpy(out, a.ptr, a.len);
  if (b.len > 0) std::memcpy(out + a.len, b.ptr, b.len);
  if (c.len > 0) std::memcpy(out + a.len + b.len, c.ptr, c.len);
  return r;
}

uint32_t clip_position(int position, uint32_t len) {
  if (position >= 0) return static_cast<uint32_t>(position);
  int64_t p = static_cast<int64_t>(len) + position;
  return p < 0 ? 0 : static_cast<uint32_t>(p);
}

}  // namespace

bool text_equal(Text a, Text b) {
  if (!a.ok() || !b.ok()) return !a.ok() && !b.ok() && a.len == b.len;
  return a.len == b.len && (a.len == 0 || std::memcmp(a.ptr, b.ptr, a.len) == 0);
}

// --- construction and copies -------------------------------------------------

Text text_from_c(const char* s) {
  if (s == nullptr) return text_error_value(NOVALUE);
  return text_view(s, std::strlen(s));
}

std::string_view text_bytes(Text t) { return t.ok() ? std::string_view(t.ptr, t.len) : std::string_view{}; }

std::string text_str(Text t) { return std::string(text_bytes(t)); }

Text arena_text(std::string_view s) {
  if (s.size() > kMaxTextLen) return text_error_value(STRINGTOOLONG);
  return text_copy(text_view(s.data(), s.size()));
}

Status text_error(Text s) {
  if (s.ok()) return kOk;
  return s.len != 0 ? s.len : NOVALUE;
}

Text text_copy(Text s) {
  if (!s.ok()) return s;
  Status st = arena_push(s);
  return st == kOk ? arena_top() : text_error_value(st);
}

Text text_concat(Text a, Text b) {
  if (const Text* e = first_error(a, b)) return *e;
  return paste(a, b, Text{});
}

Text text_join(Text a, Text sep, Text b) {
  if (const Text* e = first_error(a, sep, b)) return *e;
  if (a.len == 0) return text_copy(b);
  if (b.len == 0) return text_copy(a);
  return paste(a, sep, b);
}

const char* text_cstr(Text s) {
  if (!s.ok()) return "";
  char* out = nullptr;
  if (!result_alloc(uint64_t{s.len} + 1, &out).ok()) return "";
  if (s.len > 0) std::memcpy(out, s.ptr, s.len);
  out[s.len] = '\0';
  return out;
}

Text text_repeat(Text s, uint16_t n) {
  if (!s.ok()) return s;
  char* out = nullptr;
  Text r = result_alloc(uint64_t{s.len} * n, &out);
  if (out == nullptr) return r;
  for (uint32_t i = 0; i < n; ++i) std::memcpy(out + i * s.len, s.ptr, s.len);
  return r;
}

Text text_char(uint8_t byte) {
  const char c = static_cast<char>(byte);
  return text_copy(Text{&c, 1});
}

// --- parts -------------------------------------------------------------------

Text text_sub(Text s, int start, uint16_t count) {
  if (!s.ok()) return s;
  const uint32_t len = s.len;
  uint32_t from = 0;
  uint32_t n = 0;
  if (start < 0) {
    // The last -start bytes: the count does not apply.
    from = clip_position(start, len);
    n = len - from;
  } else {
    from = static_cast<uint32_t>(start) < len ? static_cast<uint32_t>(start) : len;
    n = len - from;
    if (count != kToEnd && count < n) n = count;
  }
  return Text{s.ptr + from, static_cast<uint16_t>(n)};
}

Text text_put(Text s, int position, Text t) {
  if (const Text* e = first_error(s, t)) return *e;
  const uint32_t from = clip_position(position, s.len);
  if (from >= s.len || t.len == 0) return s;
  uint32_t n = s.len - from;
  if (t.len < n) n = t.len;
  // t may overlap s (a part of s written over another part).
  std::memmove(const_cast<char*>(s.ptr) + from, t.ptr, n);
  return s;
}

Text text_overwrite_copy(Text s, int position, Text t) {
  if (const Text* e = first_error(s, t)) return *e;
  Text copy = text_copy(s);
  if (!copy.ok()) return copy;
  return text_put(copy, position, t);
}

Text text_trim_set(Text s, int which, Text blanks) {
  if (const Text* e = first_error(s, blanks)) return *e;
  uint32_t from = 0;
  uint32_t to = s.len;
  if ((which & kTrimLeft) != 0) {
    while (from < to && in_set(s.at(from), blanks)) ++from;
  }
  if ((which & kTrimRight) != 0) {
    while (to > from && in_set(s.at(to - 1), blanks)) --to;
  }
  return Text{s.ptr + from, static_cast<uint16_t>(to - from)};
}

Text text_trim(Text s, int which) { return text_trim_set(s, which, " \t"_t); }

Text text_case(Text s, Case to) {
  Text r = text_copy(s);
  if (!r.ok()) return r;
  char* p = const_cast<char*>(r.ptr);
  for (uint32_t i = 0; i < r.len; ++i) {
    const char c = p[i];
    if (to == Case::Upper && c >= 'a' && c <= 'z') p[i] = static_cast<char>(c - 'a' + 'A');
    if (to == Case::Lower && c >= 'A' && c <= 'Z') p[i] = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

Text text_unquote(Text s) {
  if (!s.ok() || s.len < 2) return s;
  const uint8_t q = s.at(0);
  if (!is_quote(q) || s.at(s.len - 1u) != q) return s;
  return Text{s.ptr + 1, static_cast<uint16_t>(s.len - 2)};
}

Text text_enclose(Text s, char c) {
  if (!s.ok()) return s;
  char partner = c;
  switch (c) {
    case '[': partner = ']'; break;
    case '(': partner = ')'; break;
    case '{': partner = '}'; break;
    case '<': partner = '>'; break;
    default: break;
  }
  return paste(Text{&c, 1}, s, Text{&partner, 1});
}

Text text_quote(Text s, char quote) {
  if (!s.ok()) return s;
  if (std::memchr(s.ptr, quote, s.len) == nullptr) return text_enclose(s, quote);
  const char other = quote == '"' ? '\'' : '"';
  if (std::memchr(s.ptr, other, s.len) != nullptr) return text_error_value(NOVALUE);
  return text_enclose(s, other);
}

Text text_between(Text s, char c) {
  if (!s.ok()) return s;
  const char* first = static_cast<const char*>(std::memchr(s.ptr, c, s.len));
  if (first == nullptr) return Text{};
  const uint32_t from = static_cast<uint32_t>(first - s.ptr) + 1;
  const char* second = static_cast<const char*>(std::memchr(s.ptr + from, c, s.len - from));
  if (second == nullptr) return Text{};
  return Text{s.ptr + from, static_cast<uint16_t>(second - (s.ptr + from))};
}

Text text_collapse(Text s, char c) {
  if (!s.ok()) return s;
  uint32_t n = 0;
  for (uint32_t i = 0; i < s.len; ++i) {
    if (!(s.ptr[i] == c && i > 0 && s.ptr[i - 1] == c)) ++n;
  }
  char* out = nullptr;
  Text r = result_alloc(n, &out);
  if (out == nullptr) return r;
  uint32_t k = 0;
  for (uint32_t i = 0; i < s.len; ++i) {
    if (!(s.ptr[i] == c && i > 0 && s.ptr[i - 1] == c)) out[k++] = s.ptr[i];
  }
  return r;
}

Text text_keep_only(Text s, Text set) {
  if (const Text* e = first_error(s, set)) return *e;
  uint32_t n = 0;
  for (uint32_t i = 0; i < s.len; ++i) n += in_set(s.at(i), set) ? 1 : 0;
  char* out = nullptr;
  Text r = result_alloc(n, &out);
  if (out == nullptr) return r;
  uint32_t k = 0;
  for (uint32_t i = 0; i < s.len; ++i) {
    if (in_set(s.at(i), set)) out[k++] = s.ptr[i];
  }
  return r;
}

Text text_translate(Text s, Text from, Text to) {
  if (const Text* e = first_error(s, from, to)) return *e;
  // map[c] is the replacement of c; the first occurrence of c in `from`
  // decides, and a byte of `from` with no partner in `to` stays as it is.
  uint8_t map[256];
  bool set[256] = {};
  for (int c = 0; c < 256; ++c) map[c] = static_cast<uint8_t>(c);
  for (uint32_t i = 0; i < from.len; ++i) {
    const uint8_t c = from.at(i);
    if (set[c]) continue;
    set[c] = true;
    if (i < to.len) map[c] = to.at(i);
  }
  Text r = text_copy(s);
  if (!r.ok()) return r;
  char* p = const_cast<char*>(r.ptr);
  for (uint32_t i = 0; i < r.len; ++i) p[i] = static_cast<char>(map[static_cast<uint8_t>(p[i])]);
  return r;
}

}  // namespace core
