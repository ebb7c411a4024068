// Number values of the script language: a 64-bit signed integer holding the
// value times S = 10^_PRECIS (_PRECIS from 0 to 4, default 2). Every division
// rounds to the nearest, halves away from zero, so money computes exactly.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace script {

using core::Status;
using core::Text;

inline constexpr int kMaxPrecis = 4;

// The current number of decimals (status word 32, clipped to 0..4) and scale.
int number_precis();
int64_t number_scale();

// Rounded division, halves away from zero; 0 when d is 0.
int64_t div_round(int64_t n, int64_t d);
// n * m / d without intermediate overflow for the magnitudes the runtime uses.
int64_t mul_div_round(int64_t n, int64_t m, int64_t d);

// A number literal: digits with an optional "." and decimals, an optional
// "D" followed by n that appends n zeros before the D, at most 20 digits used,
// scaled to _PRECIS decimals with the dropped decimals rounded. Leading
// blanks and a sign are accepted; reading stops at the first other byte.
int64_t number_from_text(Text s);
// Decimal text: at least _PRECIS + 1 digits, trailing decimal zeros dropped
// (150 -> "1.5", 100 -> "1", -5 -> "-0.05"). An arena copy.
Text number_to_text(int64_t value);
int64_t number_to_int(int64_t value);    // value / S rounded
int64_t number_from_int(int64_t value);  // value * S

}  // namespace script
