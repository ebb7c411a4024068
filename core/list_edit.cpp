// Separated lists: replacing, appending and removing fields, union and
// difference of two lists.
#include <cstring>

#include "core/arena.h"
#include "core/internal/text_scan.h"
#include "core/text.h"

namespace core {

using detail::FieldCursor;
using detail::field_bounds;

namespace {

struct Piece {
  const char* ptr;  // nullptr: `len` copies of the separator
  uint32_t len;
};

Text paste(const Piece* pieces, int count, char sep) {
  uint64_t size = 0;
  for (int i = 0; i < count; ++i) size += pieces[i].len;
  char* out = nullptr;
  Text r = detail::result_alloc(size, &out);
  if (out == nullptr) return r;
  for (int i = 0; i < count; ++i) {
    if (pieces[i].len == 0) continue;
    if (pieces[i].ptr == nullptr) {
      std::memset(out, sep, pieces[i].len);
    } else {
      std::memcpy(out, pieces[i].ptr, pieces[i].len);
    }
    out += pieces[i].len;
  }
  return r;
}

Text remove_field(Text list, char sep, uint32_t m) {
  uint32_t start = 0;
  uint32_t end = 0;
  // Removing a field the list does not have changes nothing.
  if (m > 0xFFFFu || !field_bounds(list, sep, m, &start, &end)) return text_copy(list);
  const char* p = list.ptr;
  const uint32_t len = list.len;
  if (start == 0) {
    if (end >= len) return Text{};  // the only field
    // The first field goes with the separator after it.
    const Piece pieces[] = {{p + end + 1, len - end - 1}};
    return paste(pieces, 1, sep);
  }
  // Any other field goes with the separator before it.
  const Piece pieces[] = {{p, start - 1}, {p + end, len - end}};
  return paste(pieces, 2, sep);
}

// Writes the selected fields of `from`, joined by sep, after `prefix`
// (with a separator between prefix and the first when prefix is not empty).
template <class Keep>
Text join_fields(Text prefix, Text from, char from_sep, char sep, Keep keep) {
  // Pass 1 sizes the result, pass 2 writes it: nothing is written before the
  // length is known to fit.
  uint64_t size = prefix.len;
  bool any = prefix.len > 0;
  FieldCursor sizing(from, from_sep);
  Text f;
  for (uint32_t i = 1; sizing.next(&f); ++i) {
    if (!keep(f, i)) continue;
    size += f.len + (any ? 1 : 0);
    any = true;
  }
  char* out = nullptr;
  Text r = detail::result_alloc(size, &out);
  if (out == nullptr) return r;
  if (prefix.len > 0) std::memcpy(out, prefix.ptr, prefix.len);
  char* w = out + prefix.len;
  any = prefix.len > 0;
  FieldCursor writing(from, from_sep);
  for (uint32_t i = 1; writing.next(&f); ++i) {
    if (!keep(f, i)) continue;
    if (any) *w++ = sep;
    if (f.len > 0) std::memcpy(w, f.ptr, f.len);
    w += f.len;
    any = true;
  }
  return r;
}

// True when field `item` occurs among the first `before` fields of list.
bool occurs_before(Text list, char sep, Text item, uint32_t before) {
  FieldCursor cursor(list, sep);
  Text f;
  for (uint32_t i = 1; i < before && cursor.next(&f); ++i) {
    if (text_equal(f, item)) return true;
  }
  return false;
}

}  // namespace

Text list_set(Text list, char sep, int n, Text value) {
  if (const Text* e = detail::first_error(list, value)) return *e;
  const char* p = list.ptr;
  const uint32_t len = list.len;
  if (n < 0) {
    const int64_t m = -static_cast<int64_t>(n);
    return remove_field(list, sep, m > 0xFFFF ? 0x10000u : static_cast<uint32_t>(m));
  }
  if (n == 0) {
    if (len == 0) return text_copy(value);
    const Piece pieces[] = {{p, len}, {nullptr, 1}, {value.ptr, value.len}};
    return paste(pieces, 3, sep);
  }
  const uint32_t count = list_count(list, sep);
  const uint32_t k = count > 1 ? count : 1;
  const uint32_t want = static_cast<uint32_t>(n);
  if (want > k) {
    // Extended with separators so that field n exists.
    const uint32_t extra = want - k;
    if (extra > kMaxTextLen) return text_error_value(STRINGTOOLONG);
    const Piece pieces[] = {{p, len}, {nullptr, extra}, {value.ptr, value.len}};
    return paste(pieces, 3, sep);
  }
  uint32_t start = 0;
  uint32_t end = 0;
  if (len > 0) (void)field_bounds(list, sep, want, &start, &end);
  const Piece pieces[] = {{p, start}, {value.ptr, value.len}, {p + end, len - end}};
  return paste(pieces, 3, sep);
}

Text list_union(Text a, char sep_a, Text b, char sep_b) {
  if (const Text* e = detail::first_error(a, b)) return *e;
  // A field of b joins when a lacks it and no earlier field of b was the
  // same (which either joined already or is in a). Empty fields of b are
  // not items and never join.
  return join_fields(a, b, sep_b, sep_a, [&](Text f, uint32_t i) {
    return f.len > 0 && list_index(a, sep_a, f) == 0 && !occurs_before(b, sep_b, f, i);
  });
}

Text list_minus(Text a, char sep_a, Text b, char sep_b) {
  if (const Text* e = detail::first_error(a, b)) return *e;
  return join_fields(Text{}, a, sep_a, sep_b,
                     [&](Text f, uint32_t) { return list_index(b, sep_b, f) == 0; });
}

}  // namespace core
