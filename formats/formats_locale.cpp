// The locale text: number separators, numeric input characters, logical
// letters and words (message 0019), month names and the long date template
// (message 0117), kept together in slot 0 of group 0 as
//
//   <message 0019> NUL <message 0117> NUL " "
#include <cstring>

#include "core/arena.h"
#include "core/messages.h"
#include "core/slots.h"
#include "formats/internal.h"

namespace formats {

using core::operator""_t;

namespace {

constexpr Text kBuiltInNumbers = ".,'0123456789.-D',' NY','  ,NO,YES'"_t;

// The numbers part (1) or the months part (2) of the locale slot.
Text slot_part(int part) {
  Text s = core::slot_get(core::kGroupEnv, core::kEnvLocale);
  if (s.empty()) return Text{};
  uint16_t first = core::text_find_char(s, '\0', 0, true);
  if (part == 1) return first == core::kNoPos ? s : core::text_sub(s, 0, first);
  if (first == core::kNoPos) return Text{};
  Text rest = core::text_sub(s, first + 1, core::kToEnd);
  uint16_t second = core::text_find_char(rest, '\0', 0, true);
  return second == core::kNoPos ? rest : core::text_sub(rest, 0, second);
}

Text numbers_part(Locale which) {
  if (which == Locale::BuiltIn) return kBuiltInNumbers;
  Text s = slot_part(1);
  return s.empty() ? kBuiltInNumbers : s;
}

Text months_part() {
  Text s = slot_part(2);
  if (!s.empty()) return s;
  Text m = core::message_text_c("0117");
  return m.ok() ? m : Text{};
}

// Field n of the list that follows the two separator characters, unquoted;
// the built-in field when the locale's own is missing or empty.
Text numbers_field(Locale which, uint16_t n) {
  Text list = core::text_sub(numbers_part(which), 2, core::kToEnd);
  Text field = core::text_unquote(core::list_field(list, ',', n));
  if (!field.empty() || which == Locale::BuiltIn) return field;
  return numbers_field(Locale::BuiltIn, n);
}

}  // namespace

Status locale_build() {
  core::ArenaScope scope;
  Text numbers = core::message_text_c("0019");
  if (!numbers.ok()) return numbers.len;
  Text months = core::message_text_c("0117");
  if (!months.ok()) return months.len;
  // The messages may be views into the slot store, which the write below
  // moves: assemble the text in the arena first.
  uint32_t n = numbers.len + 1u + months.len + 2u;
  Text error;
  char* p = result_buffer(n, &error);
  if (p == nullptr) return error.len;
  std::memcpy(p, numbers.ptr, numbers.len);
  p[numbers.len] = '\0';
  std::memcpy(p + numbers.len + 1, months.ptr, months.len);
  p[n - 2] = '\0';
  p[n - 1] = ' ';
  return core::slot_set(core::kGroupEnv, core::kEnvLocale, Text{p, static_cast<uint16_t>(n)});
}

char locale_decimal(Locale which) {
  Text s = numbers_part(which);
  return s.len >= 1 ? static_cast<char>(s.at(0)) : '.';
}

char locale_thousands(Locale which) {
  Text s = numbers_part(which);
  return s.len >= 2 ? static_cast<char>(s.at(1)) : ',';
}

Text locale_numeric_set(Locale which) { return numbers_field(which, 1); }
Text locale_logical_letters(Locale which) { return numbers_field(which, 2); }

Text locale_logical_word(Locale which, int n) {
  if (n < 1 || n > 3) return Text{};
  return core::list_field(numbers_field(which, 3), ',', static_cast<uint16_t>(n));
}

Text locale_month_name(int month) {
  if (month < 1 || month > 12) return Text{};
  return core::list_field(months_part(), ',', static_cast<uint16_t>(month));
}

Text locale_long_template() { return core::text_unquote(core::list_field(months_part(), ',', 13)); }

bool date_order_dmy() {
  Text code = core::slot_get(core::kGroupEnv, core::kEnvLanguage);
  if (code.len != 2) return false;
  char a = static_cast<char>(code.at(0) & ~0x20);  // ASCII upper case
  char b = static_cast<char>(code.at(1) & ~0x20);
  return (a == 'E' && b == 'S') || (a == 'F' && b == 'R') || (a == 'I' && b == 'T');
}

}  // namespace formats
