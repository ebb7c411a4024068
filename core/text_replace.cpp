// Replacing in counted strings: one text by another, pairs from two lists,
// and %name% tokens of templates.
#include <cstring>

#include "core/arena.h"
#include "core/internal/text_scan.h"
#include "core/text.h"

namespace core {

using detail::find_from;
using detail::first_error;
using detail::is_quote;

Text text_replace(Text s, Text t, Text u, bool plain) {
  if (const Text* e = first_error(s, t, u)) return *e;
  if (t.len == 0) return text_copy(s);
  // A lone quote character is looked for plainly: quote-aware, it could
  // never be found at all.
  if (t.len == 1 && is_quote(t.at(0))) plain = true;

  // Count first, so the result is allocated once and its length checked
  // before anything is written.
  uint32_t matches = 0;
  for (uint32_t at = find_from(s, 0, t, plain); at < s.len; at = find_from(s, at + t.len, t, plain)) {
    ++matches;
  }
  if (matches == 0) return text_copy(s);
  const int64_t size = int64_t{s.len} + int64_t{matches} * (int64_t{u.len} - t.len);
  char* out = nullptr;
  Text r = detail::result_alloc(static_cast<uint64_t>(size), &out);
  if (out == nullptr) return r;

  uint32_t from = 0;
  char* w = out;
  for (uint32_t at = find_from(s, 0, t, plain); at < s.len; at = find_from(s, from, t, plain)) {
    std::memcpy(w, s.ptr + from, at - from);
    w += at - from;
    if (u.len > 0) std::memcpy(w, u.ptr, u.len);
    w += u.len;
    from = at + t.len;
  }
  if (s.len > from) std::memcpy(w, s.ptr + from, s.len - from);
  return r;
}

Text text_replace_lists(Text s, Text from_list, Text to_list, char sep) {
  if (const Text* e = first_error(s, from_list, to_list)) return *e;
  ArenaScope scope;
  Text current = s;
  // From the last pair to the first, so that an earlier pair can undo or
  // build on a later one the way list authors expect.
  for (uint32_t i = list_count(from_list, sep); i > 0; --i) {
    const Text from = list_field(from_list, sep, static_cast<uint16_t>(i));
    if (from.len == 0) continue;
    Text next = text_replace(current, from, list_field(to_list, sep, static_cast<uint16_t>(i)), true);
    if (!next.ok()) return next;
    // Only the newest version is kept above the mark.
    current = arena_keep(scope.mark(), next);
    if (!current.ok()) return current;
  }
  return scope.keep(current);
}

Text text_template(Text s, Text name, Text value, bool* percent_left) {
  if (percent_left != nullptr) *percent_left = false;
  if (const Text* e = first_error(s, name, value)) return *e;
  ArenaScope scope;
  Text result = s;
  // An empty name would make the token "%%", which is not a name.
  if (name.len > 0) {
    const Text token = text_enclose(name, '%');
    if (!token.ok()) return token;
    result = text_replace(s, token, value, true);
  } else {
    result = text_copy(s);
  }
  if (!result.ok()) return result;
  if (percent_left != nullptr) *percent_left = std::memchr(result.ptr, '%', result.len) != nullptr;
  return scope.keep(result);
}

}  // namespace core
