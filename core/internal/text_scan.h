// Scanning helpers shared by the string, list and parameter code. Only the
// core's own implementation files include this.
//
// Positions here are 32-bit and "not found" is the length of the text, so
// that a caller never has to tell a real position from the kNoPos marker.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/text.h"

namespace core::detail {

constexpr bool is_quote(uint8_t c) { return c == '\'' || c == '"'; }

inline const uint8_t* bytes(Text s) { return reinterpret_cast<const uint8_t*>(s.ptr); }

// The first error value among the inputs, or nullptr when all are valid.
inline const Text* first_error(const Text& a) { return a.ok() ? nullptr : &a; }
inline const Text* first_error(const Text& a, const Text& b) {
  return !a.ok() ? &a : (!b.ok() ? &b : nullptr);
}
inline const Text* first_error(const Text& a, const Text& b, const Text& c) {
  return !a.ok() ? &a : (!b.ok() ? &b : (!c.ok() ? &c : nullptr));
}

// A writable arena allocation for a result of n bytes: the result Text, or
// STRINGTOOLONG when n does not fit 16 bits, or OUTOFMEMORY when the arena
// is full (then *out is nullptr).
Text result_alloc(uint64_t n, char** out);

// Quote-aware scan: the first position at or after `from` that lies outside
// quoted sections and whose byte satisfies hit(); s.len when there is none.
// A quote byte is never offered to hit(), and an unclosed quote ends the scan.
template <class Hit>
uint32_t scan(Text s, uint32_t from, Hit hit) {
  const uint8_t* p = bytes(s);
  const uint32_t n = s.len;
  for (uint32_t i = from; i < n; ++i) {
    const uint8_t c = p[i];
    if (is_quote(c)) {
      const void* close = std::memchr(p + i + 1, c, n - i - 1);
      if (close == nullptr) return n;
      i = static_cast<uint32_t>(static_cast<const uint8_t*>(close) - p);
      continue;
    }
    if (hit(c)) return i;
  }
  return n;
}

// The next list separator at or after `from`, or s.len. NUL separates
// plainly (lists of NUL-separated texts hold quotes freely); any other
// separator is found only outside quotes.
inline uint32_t next_sep(Text s, uint32_t from, char sep) {
  if (from >= s.len) return s.len;
  if (sep == '\0') {
    const void* hit = std::memchr(s.ptr + from, 0, s.len - from);
    return hit == nullptr ? s.len : static_cast<uint32_t>(static_cast<const char*>(hit) - s.ptr);
  }
  const uint8_t want = static_cast<uint8_t>(sep);
  return scan(s, from, [want](uint8_t c) { return c == want; });
}

// Position of t in s at or after `from` (quote-aware unless plain), or s.len.
// An empty t is never found; a t holding a quote is never found quote-aware.
uint32_t find_from(Text s, uint32_t from, Text t, bool plain);

// Walks the fields of a separated list in order. An empty list has no field;
// otherwise there is one more field than there are separators.
class FieldCursor {
 public:
  FieldCursor(Text list, char sep) : list_(list), sep_(sep), more_(list.ok() && list.len > 0) {}

  bool next(Text* field) {
    if (!more_) return false;
    start_ = pos_;
    end_ = next_sep(list_, pos_, sep_);
    *field = Text{list_.ptr + start_, static_cast<uint16_t>(end_ - start_)};
    if (end_ >= list_.len) {
      more_ = false;
    } else {
      pos_ = end_ + 1;
    }
    return true;
  }
  // Bounds of the field the last next() returned.
  uint32_t start() const { return start_; }
  uint32_t end() const { return end_; }

 private:
  Text list_;
  char sep_;
  bool more_;
  uint32_t pos_ = 0;
  uint32_t start_ = 0;
  uint32_t end_ = 0;
};

// Bounds of field n (1-based) of a list; false when it has fewer fields.
bool field_bounds(Text list, char sep, uint32_t n, uint32_t* start, uint32_t* end);

}  // namespace core::detail
