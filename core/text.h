// Counted strings, separated lists and keyed parameter strings.
//
// A Text is a pointer and a 16-bit length, passed by value and never
// NUL-terminated. A null pointer makes it an error value whose length holds a
// status code; every operation given an error value returns it unchanged, so
// an error raised deep in a chain of string operations reaches the caller.
//
// Results are either views (fields, substrings, trims point into their source
// and live as long as it does) or copies in the scratch arena (see arena.h).
// A result that would exceed 65,535 bytes is the error value STRINGTOOLONG;
// a copy that does not fit the arena is the error value OUTOFMEMORY.
//
// Searches are quote-aware unless `plain` is asked for: a quoted section starts
// at ' or " and runs to the next occurrence of the same quote; nothing inside
// it is found, an unclosed quote hides the rest of the string, and a quote
// character itself is never found.
//
// Operations that return a number or a truth value treat an error value as
// an empty text: positions are kNoPos, counts 0, tests false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/status.h"

namespace core {

inline constexpr uint16_t kNoPos = 65535;     // "not found" for positions
inline constexpr uint16_t kToEnd = 65535;     // count meaning "to the end"
inline constexpr uint32_t kMaxTextLen = 65535;

struct Text {
  const char* ptr = "";
  uint16_t len = 0;

  constexpr bool ok() const { return ptr != nullptr; }
  constexpr bool empty() const { return ptr == nullptr || len == 0; }
  // Byte i as unsigned; 0 outside the string or for an error value.
  constexpr uint8_t at(uint32_t i) const {
    return (ptr != nullptr && i < len) ? static_cast<uint8_t>(ptr[i]) : 0;
  }
};

constexpr Text text_error_value(Status code) { return Text{nullptr, code}; }

// "abc"_t: a view of a literal (the literal's NUL is not part of it).
constexpr Text operator""_t(const char* s, std::size_t n) {
  return Text{s, static_cast<uint16_t>(n > kMaxTextLen ? kMaxTextLen : n)};
}

// Byte-exact equality (error values equal only the same error value).
bool text_equal(Text a, Text b);

// --- construction and copies -------------------------------------------------
Text text_from_c(const char* s);                    // null -> error value NOVALUE
// The pair as given. A null pointer is NOVALUE (or the empty text when n is
// 0); more than 65,535 bytes is STRINGTOOLONG rather than a cut text.
inline Text text_view(const char* p, std::size_t n) {
  if (p == nullptr) return n == 0 ? Text{} : text_error_value(NOVALUE);
  if (n > kMaxTextLen) return text_error_value(STRINGTOOLONG);
  return Text{p, static_cast<uint16_t>(n)};
}

// --- bridges to the standard library's strings --------------------------------
// A view of a standard string's bytes (STRINGTOOLONG beyond 65,535 bytes).
inline Text text_view(std::string_view s) { return text_view(s.data(), s.size()); }
// The bytes of a text; empty for an error value.
std::string_view text_bytes(Text t);
std::string text_str(Text t);
// An arena copy (STRINGTOOLONG beyond 65,535 bytes, OUTOFMEMORY when the
// arena is full).
Text arena_text(std::string_view s);
Status text_error(Text s);                          // 0 when valid, else the code (NOVALUE for code 0)
Text text_copy(Text s);
Text text_concat(Text a, Text b);
Text text_join(Text a, Text sep, Text b);           // a copy of just b when a is empty, of just a when b is
const char* text_cstr(Text s);                      // NUL-terminated arena copy; "" for errors
Text text_repeat(Text s, uint16_t n);
Text text_char(uint8_t byte);

// --- parts -------------------------------------------------------------------
// Count bytes from start, clipped to the string; count kToEnd means to the
// end. A negative start means the last -start bytes (the count is ignored).
Text text_sub(Text s, int start, uint16_t count);
// Overwrites s in place from position (negative: from the end) with as much
// of t as fits; never grows s. s must point into writable memory.
Text text_put(Text s, int position, Text t);
Text text_overwrite_copy(Text s, int position, Text t);

enum TrimSide : int { kTrimLeft = 1, kTrimRight = 2, kTrimBoth = 3 };
Text text_trim(Text s, int which);                  // blanks: space and tab
Text text_trim_set(Text s, int which, Text blanks);

enum class Case { Upper, Lower };
Text text_case(Text s, Case to);                    // ASCII letters only
Text text_unquote(Text s);
Text text_enclose(Text s, char c);                  // [ ( { < pair with ] ) } >
// Encloses in `quote`, or in the other quote (' and ") when s holds it;
// NOVALUE when s holds both.
Text text_quote(Text s, char quote);
Text text_between(Text s, char c);                  // empty with fewer than two c
Text text_collapse(Text s, char c);
Text text_keep_only(Text s, Text set);
// Each byte found in `from` becomes the byte at the same position in `to`;
// the first occurrence in `from` decides, and one with no partner in `to`
// stays as it is.
Text text_translate(Text s, Text from, Text to);

// --- searching ---------------------------------------------------------------
uint16_t text_span(Text s, Text set);
bool text_all_in(Text s, Text set);
uint16_t text_find_char(Text s, char c, uint16_t from, bool plain);
// The first byte of a line that no text file holds: a control character
// other than tab, form feed, the end-of-file mark (Ctrl+Z), the printer
// controls ESC, SO, SI, DC2 and DC4 and the report templates' line markers
// (0x17 to 0x19); or DEL. kNoPos for a line of text.
uint16_t text_binary_at(Text line);
uint16_t text_find_any(Text s, Text set, bool plain);
uint16_t text_find(Text s, Text t, bool plain);     // an empty t is never found
// Last occurrences are plain byte searches.
uint16_t text_find_last_char(Text s, char c);
uint16_t text_find_last_any(Text s, Text set);
uint16_t text_find_last(Text s, Text t);
uint16_t text_count(Text s, Text t);                // non-overlapping, plain
uint16_t text_null_pos(Text s);

// Quote-aware scanning for other modules, done the same way as here: the
// position of the next quote character (' or ") at or after `from`, and for a
// quote at open_pos the position just after its closing quote, kNoPos when it
// is unclosed (the rest of the text is then hidden). A position that holds no
// quote is returned unchanged.
uint16_t text_next_quote(Text s, uint16_t from);
uint16_t text_skip_quoted(Text s, uint16_t open_pos);

// --- replacing ---------------------------------------------------------------
// Quote-aware unless plain, or unless t is a single quote character.
Text text_replace(Text s, Text t, Text u, bool plain);
// Applies text_replace (plain) for each field pair, from the last to the first.
Text text_replace_lists(Text s, Text from_list, Text to_list, char sep);
// Replaces %name% by value (byte-exact, inside quotes too); *percent_left
// tells whether any "%" remains. An empty name replaces nothing.
Text text_template(Text s, Text name, Text value, bool* percent_left = nullptr);

// --- comparing ---------------------------------------------------------------
// -1, 0, 1 over unsigned bytes; on an equal prefix the shorter is smaller.
// Error values sort before every valid text (among themselves by code).
int text_compare(Text a, Text b);
// code 1 equal, 2 greater, 3 greater or equal, 4 less, 5 less or equal; any
// other code, or an error value, is false.
bool text_test(Text a, Text b, int code);
// Codes 0 and 1: a unless it is empty, then b. Any other code: a when a is
// not empty and (text_test(a, b, code) or b is empty), else b; so code 2
// gives the greater and code 4 the smaller of two filled texts.
Text text_pick(Text a, Text b, int code);

// --- formatting and numbers --------------------------------------------------
// printf-style; a result longer than `maximum` is the error value
// STRINGTOOLONG (recorded in context FORMATSTRING) and nothing is written
// past the maximum. A null format is NOVALUE, an encoding failure
// FORMATFAILURE. A result of 512 bytes or more occupies one byte more of the
// arena than its length (the NUL vsnprintf writes).
Text text_format(uint16_t maximum, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
bool text_is_true(Text s);                          // YES,SI,Y,S,ON in any case
// 1 when true, else atoi rules (leading white space, a sign, digits up to the
// first non-digit; 0 without digits). Saturates at INT32_MIN / INT32_MAX.
int32_t text_to_int(Text s);
// Trimmed; "-" negates; "0x" hex, a leading "0" octal, else decimal, with
// the digits 0-9a-f (lower case only). Stops at the first byte that is not
// a digit of the base; saturates at the 64-bit limits.
int64_t text_to_int_radix(Text s);
Text int_to_text(int64_t v);

// --- separated lists (fields numbered from 1) --------------------------------
// 0 for an empty list. 65,535 separators make 65,536 fields; the count is
// clamped to 65,535, so the very last of them has no field number.
uint16_t list_count(Text list, char sep);
Text list_field(Text list, char sep, uint16_t n);   // empty for 0 or beyond the count
int32_t list_field_int(Text list, char sep, uint16_t n);
Text list_to_bytes(Text list);                      // one byte per comma field (its low byte)
uint16_t list_index(Text list, char sep, Text item);
// n > 0 replaces field n, first extending a shorter list with separators;
// n == 0 appends (an empty list becomes just value); n < 0 removes field -n
// with the separator before it (after it, for field 1), and removing a
// field the list lacks changes nothing. Always a copy.
Text list_set(Text list, char sep, int n, Text value);
// a, then (joined with sep_a) each non-empty field of b that neither a nor
// an earlier field of b holds, in b's order.
Text list_union(Text a, char sep_a, Text b, char sep_b);
// The fields of a that b lacks, in a's order, joined with sep_b.
Text list_minus(Text a, char sep_a, Text b, char sep_b);

// An arena array of views, one per field. Read by 1-based index; an index out
// of range gives an empty string. `status` is 0 or the failure code: the
// error of the list, or OUTOFMEMORY when the array (16 bytes a field) does
// not fit the arena, which holds some 3,000 fields at most.
struct TextArray {
  const Text* items = nullptr;
  uint16_t count = 0;
  Status status = 0;
  Text at(uint16_t n) const { return (n >= 1 && n <= count) ? items[n - 1] : Text{}; }
};
TextArray list_split(Text list, char sep);
uint16_t list_shortest(Text list, char sep);
uint16_t list_longest(Text list, char sep);

// --- keyed parameter strings (KEY1=value KEY2:value/KEY3=value) -------------
// A key is found where it stands at the start or after one of ":", " ", "&",
// "/" and is followed by ":"; only when there is no such place, followed by
// "=". Keys match byte for byte; the search is quote-aware. The value runs
// to the next ":", " ", "&" or "/" outside quotes, or to the end.
//
// The raw value of key (a view), or the error value NOVALUE when absent.
Text param_find(Text text, Text key);
// Trimmed and unquoted; upper-cased when neither changed it. Missing: empty.
Text param_value(Text text, Text key);
// Replaces the pair the key is found in (from the key to the end of its
// value) by KEY=value, keeping a ":" form as KEY:value so that the same pair
// is found again; else appends ":KEY=value" (" KEY=value" to a text that
// ends in a bare word, which a ":" would turn into a key). A value that would end early
// or open a quote is written quoted (text_quote with '"'), so that
// param_find gives back exactly what was written. NOVALUE for an empty key
// or one holding a quote, "=" or a boundary byte, for a value holding both
// quotes, and for a text ending inside an unclosed quote (where an appended
// pair would be hidden).
Text param_set(Text text, Text key, Text value);

}  // namespace core
