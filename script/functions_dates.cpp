// Value formats in expressions: numbers read from formatted texts, date
// arithmetic, dates, masks and times (the rules themselves are in formats).
#include <climits>

#include "core/arena.h"
#include "core/errors.h"
#include "formats/formats.h"
#include "script/internal/fn_call.h"
#include "script/numbers.h"

namespace script::fn {
namespace {

using core::kNoPos;
using core::operator""_t;

constexpr int64_t kSecondDate = 10000;  // amounts above are a date YYYYMMDD
constexpr int64_t kLongestSpan = 10000 * 366;  // more days than years 1 to 9999 hold

struct Ymd {
  int64_t y = 0;
  int64_t m = 0;
  int64_t d = 0;
};

// Gregorian leap years. (Every fourth year alone would make 1900 and 2100
// leap years and put a February 29 where there is none.)
bool leap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int64_t month_length(int64_t y, int64_t m) {
  static constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kLengths[m - 1];
}

bool valid(const Ymd& v) {
  return v.y >= 1 && v.y <= 9999 && v.m >= 1 && v.m <= 12 && v.d >= 1 && v.d <= month_length(v.y, v.m);
}

bool from_number(int64_t n, Ymd* v) {
  *v = Ymd{n / 10000, n / 100 % 100, n % 100};
  return n > 0 && valid(*v);
}

int64_t to_number(const Ymd& v) { return v.y * 10000 + v.m * 100 + v.d; }

// Days since 1970-01-01 and back (proleptic Gregorian calendar).
int64_t serial(const Ymd& v) {
  int64_t y = v.y - (v.m <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (v.m > 2 ? v.m - 3 : v.m + 9) + 2) / 5 + v.d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Ymd civil(int64_t z) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  Ymd v;
  v.d = doy - (153 * mp + 2) / 5 + 1;
  v.m = mp < 10 ? mp + 3 : mp - 9;
  v.y = yoe + era * 400 + (v.m <= 2 ? 1 : 0);
  return v;
}

// A date argument as YYYYMMDD: eight digits, or a typed date with "-", "."
// or "/" read in the language's order first. False when it is not a date.
bool date_argument(const Call& c, int i, Ymd* v) {
  Text t = core::text_trim(c.text(i), core::kTrimBoth);
  if (core::text_find_any(t, "-./"_t, true) != kNoPos) t = core::text_trim(formats::date_parse(t), core::kTrimBoth);
  if (!t.ok() || t.len != 8 || !core::text_all_in(t, "0123456789"_t)) return false;
  return from_number(core::text_to_int(t), v);
}

Status give_date(const Ymd& v, Value* out) {
  if (!valid(v)) return core::DATAOUTBOUND;
  *out = Value::num(number_from_int(to_number(v)));
  return 0;
}

Status give_text(Text t, Value* out) {
  if (!t.ok()) return t.len;
  *out = Value::txt(t);
  return 0;
}

// (date; letter; amount): days, months or years added, or with a second
// date the difference in those units; V checks the date. A text that is not
// a date gives 0.
Status date_arithmetic(const Call& c, char letter, Value* out) {
  *out = Value::num(0);
  Ymd date;
  if (!date_argument(c, 0, &date)) return 0;
  if (letter == 'V') return give_date(date, out);
  int64_t amount = c.integer(2, 0);
  if (amount > kSecondDate) {
    Ymd other;
    if (!from_number(amount, &other)) return 0;
    int64_t diff = letter == 'D'   ? serial(other) - serial(date)
                   : letter == 'M' ? (other.y - date.y) * 12 + (other.m - date.m)
                                   : other.y - date.y;
    *out = Value::num(number_from_int(diff));
    return 0;
  }
  // No amount this far back lands on a date of years 1 to 9999 (and the
  // arithmetic below stays far from the 64-bit limits).
  if (amount < -kLongestSpan) return core::DATAOUTBOUND;
  if (letter == 'D') return give_date(civil(serial(date) + amount), out);
  // Months and years keep the day, clipped to the new month's length.
  int64_t months = date.y * 12 + (date.m - 1) + (letter == 'M' ? amount : amount * 12);
  if (months < 0) return core::DATAOUTBOUND;
  Ymd moved{months / 12, months % 12 + 1, date.d};
  if (moved.y >= 1 && moved.y <= 9999 && moved.d > month_length(moved.y, moved.m))
    moved.d = month_length(moved.y, moved.m);
  return give_date(moved, out);
}

}  // namespace

// FN#VALN(text) or (text; "N"): the number of a formatted text; with a letter
// of "DMYV", date arithmetic.
Status fn_valn(Call& c, Value* out) {
  Text letter = core::text_case(core::text_trim(c.text(1, "N"_t), core::kTrimBoth), core::Case::Upper);
  if (!letter.ok()) return letter.len;
  if (letter.len != 1 || core::text_find_char("NDMYV"_t, static_cast<char>(letter.at(0)), 0, true) == kNoPos)
    return core::SINTAXERROR;
  if (letter.at(0) != 'N') return date_arithmetic(c, static_cast<char>(letter.at(0)), out);
  if (!c.is_text(0)) {
    *out = Value::num(c.scaled(0));
    return 0;
  }
  Text clean = formats::number_clean(c.arg[0].text);
  if (!clean.ok()) return clean.len;
  *out = Value::num(number_from_text(clean));
  return 0;
}

// FN$DATE(date; form): a typed date (holding "-", "." or "/") is read first.
Status fn_date(Call& c, Value* out) {
  Text date = c.text(0);
  if (core::text_find_any(date, "-./"_t, true) != kNoPos) date = formats::date_parse(date);
  int form = clip(c.integer(1, 0), INT_MIN, INT_MAX);
  return give_text(formats::date_format(date, form), out);
}

// FN$MASK(mask; value; style): style 0 (default) shows the separators of the
// current language, 1 the built-in ones that stored values use.
Status fn_mask(Call& c, Value* out) {
  int64_t style = c.integer(2, 0);
  if (style != 0 && style != 1) return core::SINTAXERROR;
  formats::Locale which = style == 1 ? formats::Locale::BuiltIn : formats::Locale::Current;
  return give_text(formats::mask_apply(c.text(0), c.text(1), which), out);
}

// TIME$(time; style): 0 HH:MM:SS, 1 HH:MM, 2 HHMMSS; an empty time is now.
Status fn_time(Call& c, Value* out) {
  int style = clip(c.integer(1, 0), INT_MIN, INT_MAX);
  return give_text(formats::time_format(c.text(0), style), out);
}

}  // namespace script::fn
