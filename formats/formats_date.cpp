// Dates and times: parsing typed dates into YYYYMMDD, the date forms, the
// century window, the time styles of TIME$ and six-character "F" dates.
#include <cstring>

#include "core/arena.h"
#include "formats/internal.h"

namespace formats {

using core::operator""_t;

namespace {

constexpr Text kDateSeparators = "-./"_t;
constexpr Text kShortTemplate = "[M] [Y]"_t;

bool leap_year(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t month_days(int32_t y, int32_t m) {
  static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap_year(y) ? 29 : kDays[m - 1];
}

bool day_exists(int32_t y, int32_t m, int32_t d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= month_days(y, m);
}

// YYYYMMDD for a real calendar date, else eight blanks.
Text date_text(int32_t y, int32_t m, int32_t d) {
  if (!day_exists(y, m, d)) return blanks(8);
  return core::text_format(8, "%04d%02d%02d", y, m, d);
}

// Eight digits YYYYMMDD that name a real day.
bool stored_date_real(Text t) {
  return t.len == 8 && all_digits(t) &&
         day_exists(small_number(core::text_sub(t, 0, 4)), small_number(core::text_sub(t, 4, 2)),
                    small_number(core::text_sub(t, 6, 2)));
}

// A number field of a typed date: blanks around it allowed, digits only.
int32_t date_number(Text field) { return small_number(core::text_trim(field, core::kTrimBoth)); }

// The year field: absent (-1) when empty; two characters go through the
// century window.
int32_t date_year(Text field) {
  Text t = core::text_trim(field, core::kTrimBoth);
  int32_t y = small_number(t);
  if (y < 0) return -1;
  return t.len == 2 ? year_widen(y) : y;
}

Text date_from_fields(Text first, Text second, Text year) {
  bool dmy = date_order_dmy();
  int32_t d = date_number(dmy ? first : second);
  int32_t m = date_number(dmy ? second : first);
  int32_t y = date_year(year);
  if (d <= 0 || m <= 0 || y < 0) return blanks(8);
  return date_text(y, m, d);
}

// Field n (0-based) of s split at every sep, plainly.
Text split_field(Text s, char sep, int n) {
  uint32_t start = 0;
  for (int i = 0; i < n; ++i) {
    uint16_t p = core::text_find_char(s, sep, static_cast<uint16_t>(start), true);
    if (p == core::kNoPos) return Text{};
    start = p + 1u;
  }
  Text rest = core::text_sub(s, static_cast<int>(start), core::kToEnd);
  uint16_t end = core::text_find_char(rest, sep, 0, true);
  return end == core::kNoPos ? rest : core::text_sub(rest, 0, end);
}

// Fills a template: D the day, M the month name, Y the four-digit year.
// One pass, so letters inside an inserted month name stay as they are.
Text date_template(Text tpl, Text digits, Text month) {
  uint32_t n = 0;
  for (uint32_t i = 0; i < tpl.len; ++i) {
    uint8_t c = tpl.at(i);
    n += c == 'D' ? 2u : c == 'M' ? month.len : c == 'Y' ? 4u : 1u;
  }
  Text error;
  char* out = result_buffer(n, &error);
  if (out == nullptr) return error;
  char* p = out;
  for (uint32_t i = 0; i < tpl.len; ++i) {
    uint8_t c = tpl.at(i);
    if (c == 'D') {
      std::memcpy(p, digits.ptr + 6, 2);
      p += 2;
    } else if (c == 'M') {
      std::memcpy(p, month.ptr, month.len);
      p += month.len;
    } else if (c == 'Y') {
      std::memcpy(p, digits.ptr, 4);
      p += 4;
    } else {
      *p++ = static_cast<char>(c);
    }
  }
  return Text{out, static_cast<uint16_t>(n)};
}

bool time_valid(int32_t h, int32_t m, int32_t s) {
  return h >= 0 && h <= 23 && m >= 0 && m <= 59 && s >= 0 && s <= 59;
}

}  // namespace

int32_t year_widen(int32_t year) {
  if (year < 0 || year > 99) return year;
  int32_t base = status_word(core::kSwBYear);
  return year < status_word(core::kSwBkYear) ? year + base : year + base - 100;
}

Text date_parse(Text text) {
  if (!text.ok()) return text;
  Text t = core::text_trim(text, core::kTrimBoth);
  uint16_t sep = core::text_find_any(t, kDateSeparators, true);
  if (sep == core::kNoPos) {
    if (t.len == 0) return (status_word(core::kSwDate) & 1) != 0 ? blanks(8) : today_text();
    if (t.len != 6) return t;
    // DDMMYY whatever the language.
    int32_t d = date_number(core::text_sub(t, 0, 2));
    int32_t m = date_number(core::text_sub(t, 2, 2));
    int32_t y = date_year(core::text_sub(t, 4, 2));
    if (d <= 0 || m <= 0 || y < 0) return blanks(8);
    return date_text(y, m, d);
  }
  char c = static_cast<char>(t.at(sep));
  return date_from_fields(split_field(t, c, 0), split_field(t, c, 1), split_field(t, c, 2));
}

Text date_input(Text typed) {
  if (!typed.ok()) return typed;
  core::ArenaScope scope;
  Text date = date_parse(typed);
  if (core::text_trim(typed, core::kTrimBoth).len == 0) return scope.keep(date);
  // Only a real day passes: the eight digits date_parse lets through may
  // be any eight digits, and a date it cannot read comes back blank.
  if (!date.ok()) return scope.keep(date);
  if (!stored_date_real(date)) return core::text_error_value(core::BADDATA);
  return scope.keep(date);
}

Text date_format(Text yyyymmdd, int form) {
  if (!yyyymmdd.ok()) return yyyymmdd;
  Text t = core::text_trim(yyyymmdd, core::kTrimBoth);
  if (t.len == 0) return form == 1 ? blanks(8) : form == 2 ? blanks(10) : Text{};
  if (t.len != 8 || !all_digits(t) || form < 1 || form > 4) return t;
  Text year = core::text_sub(t, 0, 4);
  Text month = core::text_sub(t, 4, 2);
  Text day = core::text_sub(t, 6, 2);
  if (form == 1 || form == 2) {
    Text y = form == 1 ? core::text_sub(year, 2, 2) : year;
    bool dmy = date_order_dmy();
    Text a = dmy ? day : month, b = dmy ? month : day;
    return core::text_format(10, "%.*s-%.*s-%.*s", a.len, a.ptr, b.len, b.ptr, y.len, y.ptr);
  }
  Text name = locale_month_name(small_number(month));
  if (form == 3) return date_template(kShortTemplate, t, core::text_sub(name, 0, 3));
  // The template may be a view into the slot store: no slot write follows.
  return date_template(locale_long_template(), t, name);
}

Text time_format(Text time, int style) {
  if (!time.ok()) return time;
  core::ArenaScope scope;
  Text t = core::text_trim(time, core::kTrimBoth);
  if (t.len == 0) t = now_text();
  int32_t h = -1, m = 0, s = 0;
  if (core::text_find_char(t, ':', 0, true) != core::kNoPos) {
    h = small_number(split_field(t, ':', 0));
    m = small_number(split_field(t, ':', 1));
    Text sec = split_field(t, ':', 2);
    s = sec.len == 0 ? 0 : small_number(sec);
    if (!split_field(t, ':', 3).empty()) h = -1;
  } else if (all_digits(t) && t.len <= 6) {
    // Digits read from the right: seconds only when there are five or six.
    int32_t v = small_number(t);
    if (t.len >= 5) {
      h = v / 10000, m = v / 100 % 100, s = v % 100;
    } else if (t.len >= 3) {
      h = v / 100, m = v % 100;
    } else {
      h = v;
    }
  }
  if (!time_valid(h, m, s)) return scope.keep(Text{});
  if (style == 1) return scope.keep(core::text_format(5, "%02d:%02d", h, m));
  if (style == 2) return scope.keep(core::text_format(6, "%02d%02d%02d", h, m, s));
  return scope.keep(core::text_format(8, "%02d:%02d:%02d", h, m, s));
}

bool date_f6_enabled() { return (status_word(core::kSwCompat) & 4) != 0; }

Text date_f6_read(Text six) {
  if (!six.ok() || six.len != 6) return six;
  if (core::text_trim(six, core::kTrimBoth).len == 0) return blanks(8);
  char out[8] = {'1', '9', 0, 0, 0, 0, 0, 0};
  for (uint32_t i = 0; i < 6; ++i) {
    uint8_t c = six.at(i);
    out[2 + i] = c == ' ' ? '0' : static_cast<char>(c);
  }
  uint8_t first = six.at(0);
  if (first >= 'A' && first <= 'J') {
    out[0] = '2', out[1] = '0';
    out[2] = static_cast<char>(first - 17);
  }
  return core::text_copy(core::text_view(out, 8));
}

Text date_f6_write(Text date) {
  if (!date.ok()) return date;
  Text t = core::text_trim(date, core::kTrimBoth);
  if (t.len == 0) return blanks(6);
  if (t.len != 8 || !all_digits(t)) return core::text_error_value(core::DATAOUTBOUND);
  char out[6];
  std::memcpy(out, t.ptr + 2, 6);
  // Only the 1900s keep their digit, so that reading gives the same year.
  if (t.at(0) == '2' && t.at(1) == '0') {
    out[0] = static_cast<char>(out[0] + 17);
  } else if (t.at(0) != '1' || t.at(1) != '9') {
    return core::text_error_value(core::DATAOUTBOUND);
  }
  return core::text_copy(core::text_view(out, 6));
}

}  // namespace formats
