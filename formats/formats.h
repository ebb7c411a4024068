// Masks and value formats: how a field value is typed in (input), written
// into a record at the field's width (storage) and shown (display), for the
// field types "ABCDFLNPV" and the digit types "1" to "9" (a number with that
// many decimals), together with masks, dates and the locale text.
//
// Stored forms never depend on the language: text types as written, left
// aligned and blank padded; numbers as decimal text with "." and a fixed
// number of decimals, right aligned; dates as the eight digits YYYYMMDD;
// logical values as one character of " 01" (unknown, no, yes).
//
// Pure logic over the core: it reads the locale text (slot 0 of group 0),
// the language code (slot 4 of group 0) and three status words of the
// variable store through a hook, so the script layer sits above it.
//
// Every function taking a Text returns an error value given to it
// unchanged. Results are arena copies or views of their inputs; a result
// longer than 65,535 bytes is the error value STRINGTOOLONG, one that does
// not fit the arena OUTOFMEMORY. A width of -1 (any negative width) means
// "no field width".
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/status_words.h"
#include "core/text.h"

namespace formats {

using core::Status;
using core::Text;

// --- status words and the clock ---------------------------------------------
// The status words formats reads. Bit 1 of the date flags: an empty date
// stays empty instead of meaning today. Bit 4 of the compatibility word: six
// character "F" dates (see date_f6_read).

// The variable store installs its getter at start-up; nullptr restores the
// default, which answers the defaults above and 0 for every other word.
using StatusWordGetter = int32_t (*)(uint16_t index);
void formats_status_word_getter_set(StatusWordGetter getter);
// What the value formats ask of the layers above them.
struct Hooks {
  StatusWordGetter status_words = nullptr;
};
void hooks_install(const Hooks& hooks);
int32_t status_word(uint16_t index);

// Pins today's date ("YYYYMMDD") or the time of day ("HHMMSS") for tests;
// nullptr goes back to the system clock.
void formats_today_set_for_test(const char* yyyymmdd);
void formats_now_set_for_test(const char* hhmmss);
Text today_text();  // YYYYMMDD, an arena copy
Text now_text();    // HHMMSS, an arena copy

// --- locale -------------------------------------------------------------------
// The locale text is message 0019, a NUL, message 0117, a NUL and a blank.
// Message 0019: decimal separator, thousands separator, then the comma list
// 'numeric input set','logical input letters (unknown, no, yes)','display
// words'. Message 0117: twelve month names, then the long date template.
enum class Locale {
  BuiltIn,  // ".,'0123456789.-D',' NY','  ,NO,YES'": always used for storage
  Current,  // slot 0 of group 0; the built-in value while that slot is empty
};

// Builds the locale text from the current catalogue into slot 0 of group 0.
// Called whenever a language is loaded.
[[nodiscard]] Status locale_build();

// The accessors return views into the slot store or the catalogue: valid
// until the next slot write. A part missing from a loaded locale falls back
// to the built-in one; the month part falls back to message 0117.
char locale_decimal(Locale which);
char locale_thousands(Locale which);
Text locale_numeric_set(Locale which);
Text locale_logical_letters(Locale which);
Text locale_logical_word(Locale which, int n);  // n = 1 unknown, 2 no, 3 yes
Text locale_month_name(int month);              // 1 to 12; else empty
Text locale_long_template();                    // field 13 of 0117, unquoted
// True when the language code (slot 4 of group 0) is ES, FR or IT: dates are
// then written and read day-month-year, otherwise month-day-year.
bool date_order_dmy();

// --- masks ----------------------------------------------------------------------
// Mask characters: "\" and "?" text positions, "#" a digit shown blank when
// it is a leading zero, "0" a digit always shown, "." the decimal point, ","
// a thousands separator; anything else is copied. The first of "\?#0" in a
// mask decides: "\" or "?" make a text mask, "#" or "0" a numeric mask.

// The default mask of a field: width "\" for A, B, D, L; width "#" for N and
// the digit types, with "." at position width - d - 1 for d decimals. Empty
// for other letters. The mask always holds the metacharacters "." and ",":
// which separators are shown is chosen when it is applied.
Text mask_default(char type, int32_t width);

// Dispatches on the first metacharacter. An empty mask gives the value
// unchanged; a mask without metacharacters is copied. Numeric masks show
// the separators of `separators`.
Text mask_apply(Text mask, Text value, Locale separators = Locale::Current);

// Lays a decimal text ("-1234.5", "12D3" meaning 12000) into the numeric
// part of the mask, rounding half away from zero to the mask's decimals.
// When the integer part does not fit, the commas become digit positions,
// then decimals are given up one at a time; DATAOUTBOUND (168) when even
// that is not enough. The result has the mask's length.
Text mask_fill_numeric(Text mask, Text value, Locale separators);

// Blanks between two "\" become "\" first; then "\" positions (and, when the
// first text position is "\", also "?" positions) take the next unused value
// character, "?" positions of a "?" mask the value character at the same
// position. Missing characters are blanks. The result has the mask's length.
Text mask_fill_text(Text mask, Text value);

// A typed number to a plain decimal text (at most 20 characters): leading
// characters of the locale's numeric input set, the locale decimal separator
// turned into "."; a "-" only first; leading zeros dropped. Thousands
// separators before the decimal point are skipped, so a formatted number
// reads back.
Text number_clean(Text typed);

// --- dates and times ---------------------------------------------------------------
// A typed date to YYYYMMDD. Six digits without separator are DDMMYY in every
// language; other texts without "-", "." or "/" pass unchanged; an empty
// text is today (unless bit 1 of the date flags); otherwise three numbers
// split at the first separator character, in the language's order, with a
// two-digit year widened. An invalid or empty date gives eight blanks.
Text date_parse(Text text);

// A typed date as a field takes it: date_parse, but a text that names no
// real day (31-02-26, an eight-digit 08122026 read as YYYYMMDD, abc) is the
// error value BADDATA instead of blanks or the text as typed. A blank text
// is what date_parse makes of it.
Text date_input(Text typed);

// Form 0 the stored digits; 1 DD-MM-YY (MM-DD-YY outside ES, FR, IT); 2 the
// same with a four-digit year; 3 "[M] [Y]" with a three-letter month; 4 the
// long template. In templates D is the day, M the month name and Y the year;
// everything else, brackets included, stays. An empty date gives 8 blanks
// (form 1), 10 blanks (form 2) or an empty text; a text that is not eight
// digits is returned as it is. Other forms act as form 0.
Text date_format(Text yyyymmdd, int form);

// A two-digit year through the century window (status words 33 and 34);
// other years unchanged.
int32_t year_widen(int32_t year);

// A time formatted for TIME$. The time is "H:M[:S]", or digits HHMMSS (five
// or six digits), HHMM (three or four) or HH (one or two); empty is now.
// Styles: 0 "HH:MM:SS", 1 "HH:MM", 2 "HHMMSS"; other styles act as 0. An
// invalid time gives an empty text.
Text time_format(Text time, int style);

// Six-character "F" dates, used when bit 4 of status word 20 is set: the
// first character "A" to "J" stands for a year digit of the 2000s, a digit
// for one of the 1900s; blanks read as "0". A blank field stays blank.
bool date_f6_enabled();
Text date_f6_read(Text six);    // -> YYYYMMDD; not six characters: unchanged
Text date_f6_write(Text date);  // YYYYMMDD -> six; DATAOUTBOUND outside 1900-2099

// --- field values ------------------------------------------------------------------
// Typed text -> stored text, fitted by value_store when a width is given.
Text value_input(char type, Text typed, int32_t width);
// Value -> exactly `width` characters, or DATAOUTBOUND when a number cannot
// be fitted. A negative width returns the value (blank for "V").
Text value_store(char type, Text value, int32_t width);
// Stored text -> the text shown on a screen or a report. A number that does
// not fit its field shows as `width` asterisks.
Text value_display(char type, Text stored, int32_t width);

}  // namespace formats
