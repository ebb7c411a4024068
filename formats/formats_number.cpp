// Numbers: the clean-up of typed numbers and the numeric mask fill.
//
// The fill works on the digits of the decimal text as written, never on a
// binary value, so values of any length round and align exactly. A "D"
// suffix (12D3 = 12000) is read as extra zeros without writing them out.
#include <cstring>

#include "core/arena.h"
#include "formats/internal.h"

namespace formats {

using core::operator""_t;

namespace {

constexpr uint32_t kCleanMax = 20;            // characters a typed number keeps
constexpr uint32_t kMaxSuffixZeros = 200000;  // beyond any field; keeps counts small
constexpr uint32_t kNone = 0xFFFFFFFFu;

// --- the value --------------------------------------------------------------------

// A decimal text: sign, integer digits (leading zeros included) followed by
// int_zeros zeros from a "D" suffix, and decimal digits.
struct Decimal {
  bool negative = false;
  Text int_digits;
  uint32_t int_zeros = 0;
  Text dec_digits;

  uint32_t int_len() const { return int_digits.len + int_zeros; }
  uint8_t int_at(uint32_t i) const { return i < int_digits.len ? int_digits.at(i) : '0'; }
  uint8_t dec_at(uint32_t i) const { return i < dec_digits.len ? dec_digits.at(i) : '0'; }
};

uint32_t digit_run(Text s, uint32_t i) {
  uint32_t j = i;
  while (j < s.len && is_digit(s.at(j))) ++j;
  return j - i;
}

// Leading blanks, a sign, digits, a point and digits, then "D" and a count.
// Whatever follows is not part of the number.
Decimal decimal_parse(Text s) {
  Decimal d;
  uint32_t i = 0;
  while (i < s.len && (s.at(i) == ' ' || s.at(i) == '\t')) ++i;
  if (i < s.len && (s.at(i) == '-' || s.at(i) == '+')) d.negative = s.at(i++) == '-';
  uint32_t n = digit_run(s, i);
  d.int_digits = core::text_view(s.ptr + i, n);
  i += n;
  bool decimals = false;
  if (i < s.len && s.at(i) == '.') {
    decimals = true;
    n = digit_run(s, ++i);
    d.dec_digits = core::text_view(s.ptr + i, n);
    i += n;
  }
  if (i < s.len && (s.at(i) == 'D' || s.at(i) == 'd')) {
    uint32_t zeros = 0;
    for (++i; i < s.len && is_digit(s.at(i)); ++i) {
      zeros = zeros * 10 + (s.at(i) - '0');
      if (zeros > kMaxSuffixZeros) zeros = kMaxSuffixZeros;
    }
    // Zeros appended to the decimals change nothing.
    if (!decimals) d.int_zeros = zeros;
  }
  return d;
}

// The value rounded half away from zero to `places` decimals, read digit by
// digit: the integer part (with a possible new leading "1" from a carry),
// then the decimals.
class Rounded {
 public:
  Rounded(const Decimal& v, uint32_t places) : v_(v) {
    raw_int_ = v.int_len();
    uint32_t total = raw_int_ + places;
    if (v.dec_at(places) >= '5') {
      round_up_ = true;
      carry_pos_ = kNone;  // every raw digit is 9: a new leading digit
      for (uint32_t k = total; k > 0; --k) {
        if (raw(k - 1) != '9') {
          carry_pos_ = k - 1;
          break;
        }
      }
    }
    int_len_ = raw_int_ + (round_up_ && carry_pos_ == kNone ? 1 : 0);
    lead_ = 0;
    while (lead_ < int_len_ && int_digit(lead_) == '0') ++lead_;
    zero_ = lead_ == int_len_;
    for (uint32_t k = 0; zero_ && k < places; ++k) zero_ = dec_digit(k) == '0';
  }

  uint32_t significant() const { return int_len_ - lead_; }
  // Significant integer digit i (0 = the most significant).
  uint8_t sig_digit(uint32_t i) const { return int_digit(lead_ + i); }
  uint8_t dec_digit(uint32_t k) const { return digit(int_len_ + k); }
  bool negative() const { return v_.negative && !zero_; }

 private:
  uint8_t raw(uint32_t k) const { return k < raw_int_ ? v_.int_at(k) : v_.dec_at(k - raw_int_); }
  uint8_t int_digit(uint32_t i) const { return digit(i); }
  // Digit k of the rounded sequence.
  uint8_t digit(uint32_t k) const {
    if (!round_up_) return raw(k);
    if (carry_pos_ == kNone) return k == 0 ? '1' : '0';
    if (k > carry_pos_) return '0';
    return k == carry_pos_ ? static_cast<uint8_t>(raw(k) + 1) : raw(k);
  }

  const Decimal& v_;
  uint32_t raw_int_ = 0;
  bool round_up_ = false;
  uint32_t carry_pos_ = kNone;
  uint32_t int_len_ = 0;
  uint32_t lead_ = 0;
  bool zero_ = true;
};

// --- the mask ------------------------------------------------------------------------

// The numeric part runs from the first "#" or "0" to the last (a "." right
// in front of it included: ".##" has two decimals). Its first "." is the
// decimal point; the "," before the point are thousands separators.
struct NumericMask {
  uint32_t first = kNone, last = kNone;
  uint32_t point = kNone;
  uint32_t int_places = 0, commas = 0, dec_places = 0;

  uint32_t fillable() const { return int_places + commas + (point != kNone ? 1 : 0) + dec_places; }
  bool is_comma(Text mask, uint32_t pos) const {
    return mask.at(pos) == ',' && (point == kNone || pos < point);
  }
};

bool is_place(uint8_t c) { return c == '#' || c == '0'; }

NumericMask numeric_mask(Text mask) {
  NumericMask m;
  for (uint32_t i = 0; i < mask.len; ++i) {
    if (!is_place(mask.at(i))) continue;
    if (m.first == kNone) m.first = i;
    m.last = i;
  }
  if (m.first == kNone) return m;
  if (m.first > 0 && mask.at(m.first - 1) == '.') m.first -= 1;
  for (uint32_t i = m.first; i <= m.last; ++i) {
    uint8_t c = mask.at(i);
    if (c == '.' && m.point == kNone) {
      m.point = i;
    } else if (is_place(c)) {
      ++(m.point == kNone ? m.int_places : m.dec_places);
    } else if (c == ',' && m.point == kNone) {
      ++m.commas;
    }
  }
  return m;
}

struct FillChoice {
  bool keep_commas;
  uint32_t places;  // decimals shown
  bool lead_zero;   // "0" in front of the point when there is no integer digit
};

// Fills out (a copy of the mask) from the right end of the numeric part.
// False when the value's digits or its sign find no place.
bool fill(Text mask, const NumericMask& m, const Rounded& r, FillChoice c, char dec, char th,
          char* out) {
  const uint32_t places = c.places;
  const uint32_t sig = r.significant();
  const uint32_t zero = (sig == 0 && places > 0 && c.lead_zero) ? 1 : 0;
  // Value characters counted from the right: decimals, point, integer digits.
  const uint32_t total = places + (places > 0 ? 1 : 0) + sig + zero;
  uint32_t t = 0;
  uint32_t leftmost = kNone;  // leftmost position holding a value character
  for (uint32_t pos = m.last + 1; pos-- > m.first;) {
    uint8_t mc = mask.at(pos);
    bool comma = m.is_comma(mask, pos);
    bool fillable = is_place(mc) || pos == m.point || (comma && !c.keep_commas);
    if (!fillable && !comma) {
      out[pos] = static_cast<char>(mc);
      continue;
    }
    if (t < total && !fillable) {  // a kept comma between digits
      out[pos] = th;
      continue;
    }
    if (t < total) {
      uint8_t ch;
      if (t < places) {
        ch = r.dec_digit(places - 1 - t);
      } else if (places > 0 && t == places) {
        ch = '.';
      } else {
        uint32_t u = t - places - (places > 0 ? 1 : 0);
        ch = u < sig ? r.sig_digit(sig - 1 - u) : '0';
      }
      out[pos] = ch == '.' ? dec : static_cast<char>(ch);
      leftmost = pos;
      ++t;
      continue;
    }
    // The value is used up.
    if (mc == '#') {
      out[pos] = ' ';
    } else if (mc == '0') {
      out[pos] = '0';
    } else {
      bool after_hash = pos > 0 && mask.at(pos - 1) == '#';
      out[pos] = after_hash ? ' ' : (mc == ',' ? th : dec);
    }
  }
  if (t < total) return false;
  if (!r.negative()) return true;

  // The sign goes into the nearest blanked position left of the digits, or
  // else replaces the leftmost padding "0".
  uint32_t from = leftmost == kNone ? m.last + 1 : leftmost;
  for (uint32_t pos = from; pos-- > m.first;) {
    uint8_t mc = mask.at(pos);
    bool slot = is_place(mc) || pos == m.point || m.is_comma(mask, pos);
    if (slot && out[pos] == ' ') {
      out[pos] = '-';
      return true;
    }
  }
  for (uint32_t pos = m.first; pos < from; ++pos) {
    if (mask.at(pos) == '0' && out[pos] == '0') {
      out[pos] = '-';
      return true;
    }
  }
  return false;
}

// Tries a choice with the "0" before the point, then without it.
bool fill_either(Text mask, const NumericMask& m, const Decimal& v, FillChoice c, char dec, char th,
                 char* out) {
  Rounded r(v, c.places);
  c.lead_zero = true;
  if (fill(mask, m, r, c, dec, th, out)) return true;
  if (r.significant() != 0 || c.places == 0) return false;
  c.lead_zero = false;
  return fill(mask, m, r, c, dec, th, out);
}

}  // namespace

Text mask_fill_numeric(Text mask, Text value, Locale separators) {
  if (!mask.ok()) return mask;
  if (!value.ok()) return value;
  core::ArenaScope scope;
  NumericMask m = numeric_mask(mask);
  if (m.first == kNone) return scope.keep(mask);
  const char dec = locale_decimal(separators);
  const char th = locale_thousands(separators);
  Decimal v = decimal_parse(value);

  Text error;
  char* out = result_buffer(mask.len, &error);
  if (out == nullptr) return error;
  std::memcpy(out, mask.ptr, mask.len);
  Text result{out, mask.len};

  if (m.commas > 0 && fill_either(mask, m, v, FillChoice{true, m.dec_places, true}, dec, th, out))
    return scope.keep(result);
  // Without commas every position takes a digit; each decimal given up
  // frees one more place, and the point too once no decimal is left.
  const uint32_t all = m.fillable();
  uint32_t lead = 0;  // leading zeros of the integer part as written
  while (lead < v.int_len() && v.int_at(lead) == '0') ++lead;
  const uint32_t needed = v.int_len() - lead;
  for (uint32_t places = m.dec_places + 1; places-- > 0;) {
    uint32_t room = all - places - (places > 0 ? 1 : 0);
    if (room < needed) continue;  // rounding never shortens the integer part
    if (fill_either(mask, m, v, FillChoice{false, places, true}, dec, th, out))
      return scope.keep(result);
  }
  return core::text_error_value(core::DATAOUTBOUND);
}

Text number_clean(Text typed) {
  if (!typed.ok()) return typed;
  Text t = core::text_trim(typed, core::kTrimBoth);
  const char dec = locale_decimal(Locale::Current);
  const char th = locale_thousands(Locale::Current);
  const Text set = locale_numeric_set(Locale::Current);
  // A "." is the decimal point (as on a numeric keypad) unless it is the
  // thousands separator of a text that also holds the decimal separator.
  const bool has_dec = dec != '.' && core::text_find_char(t, dec, 0, true) != core::kNoPos;
  const bool dot_groups = th == '.' && has_dec;
  const bool th_groups = th != dec && !is_digit(static_cast<uint8_t>(th)) && th != '-' &&
                         th != 'D' && (th != '.' || dot_groups);
  auto is_point = [&](uint8_t c) {
    return c == static_cast<uint8_t>(dec) || (c == '.' && !dot_groups);
  };

  char out[kCleanMax];
  uint32_t n = 0;
  bool point = false, zero_dropped = false, digits = false;
  for (uint32_t i = 0; i < t.len && n < kCleanMax; ++i) {
    uint8_t c = t.at(i);
    if (is_point(c)) {
      if (point) break;
      point = true;
      out[n++] = '.';
    } else if (th_groups && c == static_cast<uint8_t>(th)) {
      if (point) break;  // grouping only stands in the integer part
    } else if (c == '-') {
      if (n != 0) break;
      out[n++] = '-';
    } else if (core::text_find_char(set, static_cast<char>(c), 0, true) == core::kNoPos) {
      break;
    } else if (c == '0' && n == 0 && !is_point(t.at(i + 1))) {
      // a leading zero is dropped unless it stands in front of the point
      zero_dropped = true;
    } else {
      digits |= is_digit(c);
      out[n++] = static_cast<char>(c);
    }
  }
  // A number made only of zeros ("0", "00", "0,00") is 0, not an empty
  // number: only a text without digits is empty.
  if (zero_dropped && !digits) return core::text_copy("0"_t);
  return core::text_copy(core::text_view(out, n));
}

}  // namespace formats
