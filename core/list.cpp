// Separated lists: counting, reading and splitting fields.
#include <new>

#include "core/arena.h"
#include "core/internal/text_scan.h"
#include "core/text.h"

namespace core {

using detail::FieldCursor;

namespace detail {

bool field_bounds(Text list, char sep, uint32_t n, uint32_t* start, uint32_t* end) {
  FieldCursor cursor(list, sep);
  Text f;
  for (uint32_t i = 1; cursor.next(&f); ++i) {
    if (i == n) {
      *start = cursor.start();
      *end = cursor.end();
      return true;
    }
  }
  return false;
}

}  // namespace detail

uint16_t list_count(Text list, char sep) {
  if (!list.ok() || list.len == 0) return 0;
  uint32_t n = 1;
  for (uint32_t at = detail::next_sep(list, 0, sep); at < list.len; at = detail::next_sep(list, at + 1, sep)) {
    ++n;
  }
  // 65,535 separators make 65,536 fields; the count stays within 16 bits,
  // so the last of them can be read by a cursor but not by number.
  return n > 0xFFFFu ? 0xFFFF : static_cast<uint16_t>(n);
}

Text list_field(Text list, char sep, uint16_t n) {
  if (!list.ok()) return list;
  uint32_t start = 0;
  uint32_t end = 0;
  if (n == 0 || !detail::field_bounds(list, sep, n, &start, &end)) return Text{};
  return Text{list.ptr + start, static_cast<uint16_t>(end - start)};
}

int32_t list_field_int(Text list, char sep, uint16_t n) {
  // Normalised as a parameter value would be: trimmed, then unquoted (the
  // upper-casing changes no digits and no truth word).
  return text_to_int(text_unquote(text_trim(list_field(list, sep, n), kTrimBoth)));
}

Text list_to_bytes(Text list) {
  if (!list.ok()) return list;
  char* out = nullptr;
  Text r = detail::result_alloc(list_count(list, ','), &out);
  if (out == nullptr) return r;
  FieldCursor cursor(list, ',');
  Text f;
  for (uint32_t i = 0; i < r.len && cursor.next(&f); ++i) {
    const int32_t v = text_to_int(text_unquote(text_trim(f, kTrimBoth)));
    out[i] = static_cast<char>(static_cast<uint8_t>(v & 0xFF));  // the low byte
  }
  return r;
}

uint16_t list_index(Text list, char sep, Text item) {
  if (!list.ok() || !item.ok()) return 0;
  FieldCursor cursor(list, sep);
  Text f;
  for (uint32_t i = 1; i <= 0xFFFFu && cursor.next(&f); ++i) {
    if (text_equal(f, item)) return static_cast<uint16_t>(i);
  }
  return 0;
}

TextArray list_split(Text list, char sep) {
  TextArray a;
  if (!list.ok()) {
    a.status = text_error(list);
    return a;
  }
  const uint16_t count = list_count(list, sep);
  if (count == 0) return a;
  // Arena entries are 4-byte aligned; the slack lets the array start on a
  // boundary that suits Text.
  constexpr uint32_t kSlack = alignof(Text) > 4 ? alignof(Text) - 4 : 0;
  const uint32_t size = uint32_t{count} * sizeof(Text) + kSlack;
  char* raw = nullptr;
  Text room = detail::result_alloc(size, &raw);
  if (raw == nullptr) {
    // STRINGTOOLONG here only says that the array is beyond the arena.
    a.status = text_error(room) == STRINGTOOLONG ? OUTOFMEMORY : text_error(room);
    return a;
  }
  const uintptr_t base = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (base + alignof(Text) - 1) & ~(uintptr_t{alignof(Text)} - 1);
  Text* items = reinterpret_cast<Text*>(raw + (aligned - base));
  FieldCursor cursor(list, sep);
  Text f;
  uint16_t i = 0;
  while (i < count && cursor.next(&f)) new (&items[i++]) Text(f);
  a.items = items;
  a.count = i;
  return a;
}

uint16_t list_shortest(Text list, char sep) {
  FieldCursor cursor(list, sep);
  Text f;
  uint16_t best = 0;
  for (bool first = true; cursor.next(&f); first = false) {
    const uint16_t n = text_unquote(f).len;
    if (first || n < best) best = n;
  }
  return best;
}

uint16_t list_longest(Text list, char sep) {
  FieldCursor cursor(list, sep);
  Text f;
  uint16_t best = 0;
  while (cursor.next(&f)) {
    const uint16_t n = text_unquote(f).len;
    if (n > best) best = n;
  }
  return best;
}

}  // namespace core
