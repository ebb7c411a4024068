// Comparing counted strings, printf-style formatting, truth values and the
// conversions between texts and integers.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/arena.h"
#include "core/errors.h"
#include "core/internal/text_scan.h"
#include "core/text.h"

namespace core {

int text_compare(Text a, Text b) {
  // Error values carry no bytes: they sort before every valid text, and
  // among themselves by code.
  if (!a.ok() || !b.ok()) {
    if (a.ok()) return 1;
    if (b.ok()) return -1;
    return a.len < b.len ? -1 : (a.len > b.len ? 1 : 0);
  }
  const uint32_t n = a.len < b.len ? a.len : b.len;
  const int c = n > 0 ? std::memcmp(a.ptr, b.ptr, n) : 0;  // memcmp compares unsigned bytes
  if (c != 0) return c < 0 ? -1 : 1;
  return a.len < b.len ? -1 : (a.len > b.len ? 1 : 0);
}

bool text_test(Text a, Text b, int code) {
  if (!a.ok() || !b.ok()) return false;
  const int c = text_compare(a, b);
  switch (code) {
    case 1: return c == 0;
    case 2: return c > 0;
    case 3: return c >= 0;
    case 4: return c < 0;
    case 5: return c <= 0;
    default: return false;
  }
}

Text text_pick(Text a, Text b, int code) {
  if (const Text* e = detail::first_error(a, b)) return *e;
  if (code == 0 || code == 1) return a.len > 0 ? a : b;
  // An empty side never wins against a filled one.
  if (a.len > 0 && (b.len == 0 || text_test(a, b, code))) return a;
  return b;
}

Text text_format(uint16_t maximum, const char* format, ...) {
  if (format == nullptr) return text_error_value(NOVALUE);
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  // Most results fit here; a longer one is formatted a second time straight
  // into its arena string, once its length is known to be within bounds.
  char buffer[512];
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Text result;
  if (n < 0) {
    result = text_error_value(FORMATFAILURE);
  } else if (static_cast<uint32_t>(n) > maximum) {
    (void)error_record(kRecord, Context::FORMATSTRING, STRINGTOOLONG, STRINGTOOLONG);
    result = text_error_value(STRINGTOOLONG);
  } else if (static_cast<size_t>(n) < sizeof buffer) {
    result = text_copy(Text{buffer, static_cast<uint16_t>(n)});
  } else {
    // One byte more for vsnprintf's NUL, which is not part of the text.
    char* out = nullptr;
    Text room = detail::result_alloc(static_cast<uint64_t>(n) + 1, &out);
    if (out == nullptr) {
      result = room;
    } else {
      std::vsnprintf(out, static_cast<size_t>(n) + 1, format, again);
      result = Text{out, static_cast<uint16_t>(n)};
    }
  }
  va_end(again);
  return result;
}

bool text_is_true(Text s) {
  if (!s.ok() || s.len == 0 || s.len > 3) return false;
  char up[3] = {};
  for (uint32_t i = 0; i < s.len; ++i) {
    const char c = s.ptr[i];
    up[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const Text u{up, s.len};
  return text_equal(u, "YES"_t) || text_equal(u, "SI"_t) || text_equal(u, "Y"_t) ||
         text_equal(u, "S"_t) || text_equal(u, "ON"_t);
}

int32_t text_to_int(Text s) {
  if (!s.ok()) return 0;
  if (text_is_true(s)) return 1;
  uint32_t i = 0;
  while (i < s.len && (s.ptr[i] == ' ' || (s.ptr[i] >= '\t' && s.ptr[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.len && (s.ptr[i] == '-' || s.ptr[i] == '+')) negative = s.ptr[i++] == '-';
  // Saturates at the 32-bit limits instead of overflowing.
  int64_t v = 0;
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  for (; i < s.len && s.ptr[i] >= '0' && s.ptr[i] <= '9'; ++i) {
    v = v * 10 + (s.ptr[i] - '0');
    if (v > kLimit) v = kLimit;
  }
  if (negative) return static_cast<int32_t>(-v);
  return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

int64_t text_to_int_radix(Text s) {
  if (!s.ok()) return 0;
  s = text_trim(s, kTrimBoth);
  uint32_t i = 0;
  bool negative = false;
  if (i < s.len && s.ptr[i] == '-') {
    negative = true;
    ++i;
  }
  uint32_t base = 10;
  if (i + 1 < s.len && s.ptr[i] == '0' && s.ptr[i + 1] == 'x') {
    base = 16;
    i += 2;
  } else if (i < s.len && s.ptr[i] == '0') {
    base = 8;
    ++i;
  }
  // Reading stops at the first byte that is not a digit of the base;
  // the value saturates at the 64-bit limits.
  static constexpr char kDigits[] = "0123456789abcdef";
  uint64_t v = 0;
  constexpr uint64_t kLimit = uint64_t{INT64_MAX} + 1;
  for (; i < s.len; ++i) {
    const void* d = std::memchr(kDigits, s.ptr[i], base);
    if (d == nullptr) break;
    const uint64_t digit = static_cast<uint64_t>(static_cast<const char*>(d) - kDigits);
    v = v > (kLimit - digit) / base ? kLimit : v * base + digit;
  }
  if (negative) return v >= kLimit ? INT64_MIN : -static_cast<int64_t>(v);
  return v > uint64_t{INT64_MAX} ? INT64_MAX : static_cast<int64_t>(v);
}

Text int_to_text(int64_t v) {
  char buffer[24];
  const int n = std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v));
  return text_copy(Text{buffer, static_cast<uint16_t>(n)});
}

}  // namespace core
