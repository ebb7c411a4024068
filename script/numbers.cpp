// Fixed-point number values: conversions and rounded arithmetic helpers.
#include "script/numbers.h"

#include <limits>

#include "core/arena.h"
#include "script/internal/var_state.h"
#include "script/variables.h"

namespace script {
namespace {

// 128-bit intermediates keep products of two scaled values exact.
__extension__ typedef __int128 Wide;

constexpr int64_t kPowers[] = {1, 10, 100, 1000, 10000};
constexpr int kMaxLiteralDigits = 20;

int64_t saturate(Wide v) {
  if (v > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
  if (v < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

Wide div_round_wide(Wide n, Wide d) {
  if (d == 0) return 0;
  bool negative = (n < 0) != (d < 0);
  Wide an = n < 0 ? -n : n;
  Wide ad = d < 0 ? -d : d;
  // floor(an / ad + 1/2) on the magnitudes: halves go away from zero.
  Wide q = (2 * an + ad) / (2 * ad);
  return negative ? -q : q;
}

// The same rounding on 64 bits, for the usual magnitudes: |n| and |d| below
// 2^61, so that 2|n| + |d| cannot overflow.
int64_t div_round_narrow(int64_t n, int64_t d) {
  bool negative = (n < 0) != (d < 0);
  int64_t an = n < 0 ? -n : n;
  int64_t ad = d < 0 ? -d : d;
  int64_t q = (2 * an + ad) / (2 * ad);
  return negative ? -q : q;
}

constexpr int64_t kNarrowLimit = int64_t{1} << 61;

bool narrow(int64_t v) { return v < kNarrowLimit && v > -kNarrowLimit; }

}  // namespace

int number_precis() {
  int p = internal::int_word(core::kSwPrecis);
  if (p < 0) return 0;
  return p > kMaxPrecis ? kMaxPrecis : p;
}

int64_t number_scale() { return kPowers[number_precis()]; }

int64_t div_round(int64_t n, int64_t d) {
  if (d != 0 && narrow(n) && narrow(d)) return div_round_narrow(n, d);
  return saturate(div_round_wide(n, d));
}

int64_t mul_div_round(int64_t n, int64_t m, int64_t d) {
  // Products of values of everyday size stay clear of the 128-bit division.
  int64_t product = 0;
  if (d != 0 && !__builtin_mul_overflow(n, m, &product) && narrow(product) && narrow(d))
    return div_round_narrow(product, d);
  return saturate(div_round_wide(static_cast<Wide>(n) * m, d));
}

int64_t number_from_text(Text s) {
  if (!s.ok()) return 0;
  uint32_t i = 0;
  while (i < s.len && (s.at(i) == ' ' || s.at(i) == '\t')) ++i;
  bool negative = false;
  if (i < s.len && (s.at(i) == '-' || s.at(i) == '+')) negative = s.at(i++) == '-';

  // Collect the digits as written, then the zeros a "D" suffix appends.
  char digits[kMaxLiteralDigits];
  int count = 0;
  int decimals = 0;  // how many of the collected digits follow the point
  bool in_decimals = false;
  for (; i < s.len; ++i) {
    uint8_t c = s.at(i);
    if (c >= '0' && c <= '9') {
      if (count < kMaxLiteralDigits) {
        digits[count++] = static_cast<char>(c);
        if (in_decimals) ++decimals;
      }
    } else if (c == '.' && !in_decimals) {
      in_decimals = true;
    } else {
      break;
    }
  }
  if (i < s.len && (s.at(i) == 'D' || s.at(i) == 'd')) {
    int zeros = 0;
    for (++i; i < s.len && s.at(i) >= '0' && s.at(i) <= '9'; ++i)
      zeros = zeros * 10 + (s.at(i) - '0') > 40 ? 40 : zeros * 10 + (s.at(i) - '0');
    for (; zeros > 0 && count < kMaxLiteralDigits; --zeros) {
      digits[count++] = '0';
      if (in_decimals) ++decimals;
    }
  }

  int precis = number_precis();
  Wide value = 0;
  int integer_digits = count - decimals;
  for (int k = 0; k < integer_digits; ++k) value = value * 10 + (digits[k] - '0');
  for (int k = 0; k < precis; ++k) {
    int d = integer_digits + k < count ? digits[integer_digits + k] - '0' : 0;
    value = value * 10 + d;
  }
  // The first dropped decimal decides the rounding (half away from zero).
  int dropped = integer_digits + precis;
  if (dropped < count && digits[dropped] >= '5') value += 1;
  return saturate(negative ? -value : value);
}

Text number_to_text(int64_t value) {
  int precis = number_precis();
  bool negative = value < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (n < precis + 1) digits[n++] = '0';

  char out[28];
  int len = 0;
  if (negative) out[len++] = '-';
  for (int k = n - 1; k >= precis; --k) out[len++] = digits[k];
  int last = 0;  // lowest decimal digit that is not a trailing zero
  while (last < precis && digits[last] == '0') ++last;
  if (last < precis) {
    out[len++] = '.';
    for (int k = precis - 1; k >= last; --k) out[len++] = digits[k];
  }
  return core::text_copy(core::text_view(out, static_cast<size_t>(len)));
}

int64_t number_to_int(int64_t value) { return div_round(value, number_scale()); }

int64_t number_from_int(int64_t value) {
  return saturate(static_cast<Wide>(value) * number_scale());
}

}  // namespace script
