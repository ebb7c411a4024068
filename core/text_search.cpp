// Searching counted strings: spans, first and last occurrences, counts and
// the quote-aware scanning the rest of the runtime shares.
#include <cstring>

#include "core/internal/text_scan.h"
#include "core/text.h"

namespace core {

using detail::bytes;
using detail::is_quote;
using detail::scan;

namespace {

struct ByteSet {
  bool has[256] = {};
  explicit ByteSet(Text set) {
    for (uint32_t i = 0; i < set.len; ++i) has[set.at(i)] = true;
  }
};

uint16_t to_pos(uint32_t i, uint32_t len) { return i >= len ? kNoPos : static_cast<uint16_t>(i); }

uint32_t plain_find(Text s, uint32_t from, Text t) {
  if (from >= s.len || t.len > s.len - from) return s.len;
  const void* hit = memmem(s.ptr + from, s.len - from, t.ptr, t.len);
  return hit == nullptr ? s.len : static_cast<uint32_t>(static_cast<const char*>(hit) - s.ptr);
}

}  // namespace

namespace detail {

uint32_t find_from(Text s, uint32_t from, Text t, bool plain) {
  if (!s.ok() || !t.ok() || t.len == 0) return s.len;
  if (plain) return plain_find(s, from, t);
  for (uint32_t i = 0; i < t.len; ++i) {
    if (is_quote(t.at(i))) return s.len;
  }
  // Search each unquoted stretch on its own: t holds no quote, so a match
  // can never reach across one.
  const uint8_t* p = bytes(s);
  uint32_t at = from;
  while (at < s.len) {
    uint32_t q = at;
    while (q < s.len && !is_quote(p[q])) ++q;
    const uint32_t hit = plain_find(Text{s.ptr, static_cast<uint16_t>(q)}, at, t);
    if (hit < q) return hit;
    if (q >= s.len) break;
    const void* close = std::memchr(p + q + 1, p[q], s.len - q - 1);
    if (close == nullptr) break;
    at = static_cast<uint32_t>(static_cast<const uint8_t*>(close) - p) + 1;
  }
  return s.len;
}

}  // namespace detail

uint16_t text_span(Text s, Text set) {
  if (!s.ok() || !set.ok()) return 0;
  const ByteSet in(set);
  uint32_t i = 0;
  while (i < s.len && in.has[s.at(i)]) ++i;
  return static_cast<uint16_t>(i);
}

bool text_all_in(Text s, Text set) {
  if (!s.ok() || !set.ok()) return false;
  return text_span(s, set) == s.len;
}

uint16_t text_find_char(Text s, char c, uint16_t from, bool plain) {
  if (!s.ok() || from >= s.len) return kNoPos;
  const uint8_t want = static_cast<uint8_t>(c);
  if (plain) {
    const void* hit = std::memchr(s.ptr + from, want, s.len - from);
    return hit == nullptr ? kNoPos : static_cast<uint16_t>(static_cast<const char*>(hit) - s.ptr);
  }
  return to_pos(scan(s, from, [want](uint8_t b) { return b == want; }), s.len);
}

uint16_t text_find_any(Text s, Text set, bool plain) {
  if (!s.ok() || !set.ok()) return kNoPos;
  const ByteSet in(set);
  if (plain) {
    for (uint32_t i = 0; i < s.len; ++i) {
      if (in.has[s.at(i)]) return static_cast<uint16_t>(i);
    }
    return kNoPos;
  }
  return to_pos(scan(s, 0, [&in](uint8_t b) { return in.has[b]; }), s.len);
}

uint16_t text_find(Text s, Text t, bool plain) {
  if (!s.ok()) return kNoPos;
  return to_pos(detail::find_from(s, 0, t, plain), s.len);
}

uint16_t text_find_last_char(Text s, char c) {
  if (!s.ok()) return kNoPos;
  for (uint32_t i = s.len; i > 0; --i) {
    if (s.ptr[i - 1] == c) return static_cast<uint16_t>(i - 1);
  }
  return kNoPos;
}

uint16_t text_find_last_any(Text s, Text set) {
  if (!s.ok() || !set.ok()) return kNoPos;
  const ByteSet in(set);
  for (uint32_t i = s.len; i > 0; --i) {
    if (in.has[s.at(i - 1)]) return static_cast<uint16_t>(i - 1);
  }
  return kNoPos;
}

uint16_t text_find_last(Text s, Text t) {
  if (!s.ok() || !t.ok() || t.len == 0 || t.len > s.len) return kNoPos;
  for (uint32_t i = s.len - t.len + 1u; i > 0; --i) {
    if (s.ptr[i - 1] == t.ptr[0] && std::memcmp(s.ptr + i - 1, t.ptr, t.len) == 0) {
      return static_cast<uint16_t>(i - 1);
    }
  }
  return kNoPos;
}

uint16_t text_count(Text s, Text t) {
  if (!s.ok() || !t.ok() || t.len == 0) return 0;
  uint32_t n = 0;
  for (uint32_t at = plain_find(s, 0, t); at < s.len; at = plain_find(s, at + t.len, t)) ++n;
  return static_cast<uint16_t>(n);  // at most 65,535 one-byte matches
}

uint16_t text_null_pos(Text s) { return text_find_char(s, '\0', 0, true); }

uint16_t text_next_quote(Text s, uint16_t from) {
  if (!s.ok()) return kNoPos;
  for (uint32_t i = from; i < s.len; ++i) {
    if (is_quote(s.at(i))) return static_cast<uint16_t>(i);
  }
  return kNoPos;
}

uint16_t text_skip_quoted(Text s, uint16_t open_pos) {
  if (!s.ok() || open_pos >= s.len || !is_quote(s.at(open_pos))) return open_pos;
  const uint32_t from = uint32_t{open_pos} + 1;
  const void* close = std::memchr(s.ptr + from, s.ptr[open_pos], s.len - from);
  if (close == nullptr) return kNoPos;
  // At most s.len; only a quote closing at the last byte of a 65,535-byte
  // text gives kNoPos, and then nothing follows it either way.
  return static_cast<uint16_t>(static_cast<const char*>(close) - s.ptr + 1);
}

uint16_t text_binary_at(Text line) {
  if (!line.ok()) return kNoPos;
  for (uint16_t i = 0; i < line.len; ++i) {
    auto c = static_cast<uint8_t>(line.ptr[i]);
    // Bit n stands for the control character n that text may hold.
    constexpr uint32_t kTextControls = (1u << '\t') | (1u << '\f') | (1u << 0x0E) | (1u << 0x0F) | (1u << 0x12) |
                                       (1u << 0x14) | (1u << 0x17) | (1u << 0x18) | (1u << 0x19) | (1u << 0x1A) |
                                       (1u << 0x1B);
    if ((c < 0x20 && (kTextControls & (1u << c)) == 0) || c == 0x7F) return i;
  }
  return kNoPos;
}

}  // namespace core
