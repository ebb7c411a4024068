// Field values by type letter: typed text to stored text (input), value to
// the field's width (storage) and stored text to what is shown (display).
#include <cstring>

#include "core/arena.h"
#include "formats/internal.h"

namespace formats {

using core::operator""_t;

namespace {

constexpr Text kStoredLogical = " 01"_t;

bool is_digit_type(char type) { return type >= '1' && type <= '9'; }
bool is_number_type(char type) { return type == 'N' || is_digit_type(type); }
uint32_t decimals_of(char type) {
  return is_digit_type(type) ? static_cast<uint32_t>(type - '0') : 0;
}

// A width wide enough for any rounding of the decimal text: its length plus
// the suffix zeros it may stand for, the decimals, a sign and a carry.
int32_t natural_width(Text number, char type) {
  uint32_t zeros = 0;
  uint16_t d = core::text_find_char(number, 'D', 0, true);
  if (d == core::kNoPos) d = core::text_find_char(number, 'd', 0, true);
  if (d != core::kNoPos) {
    Text count = core::text_sub(number, d + 1, core::kToEnd);
    for (uint32_t i = 0; i < count.len && is_digit(count.at(i)) && zeros <= core::kMaxTextLen; ++i)
      zeros = zeros * 10 + (count.at(i) - '0');
  }
  uint64_t w = uint64_t{number.len} + zeros + decimals_of(type) + 3;
  return w > core::kMaxTextLen ? -1 : static_cast<int32_t>(w);
}

// A number through the default mask of its type: at the field width, or at
// a width of its own with the leading blanks dropped.
Text number_through_mask(char type, Text number, int32_t width, Locale separators) {
  core::ArenaScope scope;
  bool fitted = width >= 0;
  if (!fitted) width = natural_width(number, type);
  if (width < 0) return core::text_error_value(core::STRINGTOOLONG);
  Text result = mask_fill_numeric(mask_default(type, width), number, separators);
  if (!fitted) result = core::text_trim(result, core::kTrimLeft);
  return scope.keep(result);
}

// Storage of the letters without a rule of their own: trimmed and right
// aligned. A longer value with its decimal point inside the width is
// rounded into a mask with the point where the value has it.
Text fit_right(Text value, uint32_t width) {
  Text t = core::text_trim(value, core::kTrimBoth);
  if (t.len <= width) {
    Text error;
    char* p = result_buffer(width, &error);
    if (p == nullptr) return error;
    std::memset(p, ' ', width - t.len);
    std::memcpy(p + width - t.len, t.ptr, t.len);
    return Text{p, static_cast<uint16_t>(width)};
  }
  uint16_t point =
      core::text_find_char(core::text_sub(t, 0, static_cast<uint16_t>(width)), '.', 0, true);
  if (point == core::kNoPos) return core::text_error_value(core::DATAOUTBOUND);
  core::ArenaScope scope;
  Text mask = blanks(width);
  if (!mask.ok()) return mask;
  char* m = const_cast<char*>(mask.ptr);
  std::memset(m, '#', width);
  if (point + 1u < width) m[point] = '.';
  return scope.keep(mask_fill_numeric(mask, t, Locale::BuiltIn));
}

Text logical_input(Text typed) {
  if (typed.len == 0) return " "_t;
  uint8_t c = typed.at(0);
  if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
  uint16_t pos =
      core::text_find_char(locale_logical_letters(Locale::Current), static_cast<char>(c), 0, true);
  return pos < 3 ? core::text_sub(kStoredLogical, pos, 1) : " "_t;
}

Text logical_display(Text stored, int32_t width) {
  uint8_t c = stored.len == 0 ? ' ' : stored.at(0);
  uint16_t pos = core::text_find_char(kStoredLogical, static_cast<char>(c), 0, true);
  int word = pos == core::kNoPos ? 2 : pos + 1;
  return fit_left(locale_logical_word(Locale::Current, word), width);
}

Text date_display(char type, Text stored, int32_t width) {
  uint32_t w = width < 0 ? stored.len : static_cast<uint32_t>(width);
  if (w != 8 && w != 10) return blanks(w);
  int form = w == 8 ? 1 : 2;
  if (core::text_trim(stored, core::kTrimBoth).len != 0) return date_format(stored, form);
  if (type == 'F' || (status_word(core::kSwDate) & 1) != 0) return blanks(w);
  core::ArenaScope scope;
  return scope.keep(date_format(today_text(), form));
}

Text blank_to_zero(Text typed) {
  if (core::text_trim(typed, core::kTrimBoth).len == 0) return typed;
  Text error;
  char* p = result_buffer(typed.len, &error);
  if (p == nullptr) return error;
  for (uint32_t i = 0; i < typed.len; ++i)
    p[i] = typed.at(i) == ' ' ? '0' : static_cast<char>(typed.at(i));
  return Text{p, typed.len};
}

bool has_digit(Text t) {
  for (uint32_t i = 0; i < t.len; ++i) {
    if (is_digit(t.at(i))) return true;
  }
  return false;
}

bool width_too_big(int32_t width) { return width > static_cast<int32_t>(core::kMaxTextLen); }

}  // namespace

Text value_input(char type, Text typed, int32_t width) {
  if (!typed.ok()) return typed;
  if (width_too_big(width)) return core::text_error_value(core::STRINGTOOLONG);
  core::ArenaScope scope;
  Text value = typed;
  if (type == 'C') {
    value = blank_to_zero(typed);
  } else if (type == 'D' || type == 'F') {
    value = date_input(typed);
  } else if (type == 'L') {
    value = logical_input(typed);
  } else if (is_number_type(type)) {
    Text number = number_clean(typed);
    value = number_through_mask(type, number, width, Locale::BuiltIn);
    // The default mask of "N" shows a zero as blanks; a typed zero is kept
    // as 0, so that only a blank field is an empty number.
    if (value.ok() && core::text_trim(value, core::kTrimBoth).len == 0 && has_digit(number)) value = "0"_t;
  }
  if (width >= 0) value = value_store(type, value, width);
  return scope.keep(value);
}

Text value_store(char type, Text value, int32_t width) {
  if (!value.ok()) return value;
  if (width_too_big(width)) return core::text_error_value(core::STRINGTOOLONG);
  if (width < 0) return type == 'V' ? Text{} : value;
  uint32_t w = static_cast<uint32_t>(width);
  switch (type) {
    case 'V':
      return blanks(w);
    case 'A':
    case 'B':
    case 'C':
    case 'P':
      return fit_left(value, width);
    default:
      break;
  }
  if (is_digit_type(type)) return number_through_mask(type, value, width, Locale::BuiltIn);
  return fit_right(value, w);
}

Text value_display(char type, Text stored, int32_t width) {
  if (!stored.ok()) return stored;
  if (width_too_big(width)) return core::text_error_value(core::STRINGTOOLONG);
  if (type == 'D' || type == 'F') return date_display(type, stored, width);
  if (type == 'L') return logical_display(stored, width);
  if (is_number_type(type)) {
    core::ArenaScope scope;
    Text t = core::text_trim(stored, core::kTrimBoth);
    Text shown = number_through_mask(type, t, width, Locale::Current);
    if (!shown.ok() && shown.len == core::DATAOUTBOUND && width >= 0) {
      Text stars = blanks(static_cast<uint32_t>(width));
      if (stars.ok()) std::memset(const_cast<char*>(stars.ptr), '*', stars.len);
      return scope.keep(stars);
    }
    return scope.keep(shown);
  }
  if (width < 0 || static_cast<uint32_t>(width) == stored.len) return stored;
  return fit_left(stored, width);
}

}  // namespace formats
