// Helpers shared by the formats implementation files; not part of the
// module's interface.
#pragma once

#include <cstdint>

#include "formats/formats.h"

namespace formats {

// A fresh writable arena allocation of n bytes for a result. nullptr with
// *error set to the error value (STRINGTOOLONG beyond 65,535 bytes,
// OUTOFMEMORY when the arena is full).
char* result_buffer(uint32_t n, Text* error);

// n blanks as an arena copy.
Text blanks(uint32_t n);

// The value followed by blanks, cut to width (left aligned); a negative
// width returns the value.
Text fit_left(Text value, int32_t width);

bool is_digit(uint8_t c);
bool all_digits(Text s);
// The decimal value of a text made only of digits, at most 9 of them; -1
// for anything else (empty text included).
int32_t small_number(Text s);

}  // namespace formats
