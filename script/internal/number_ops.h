// Internal to the evaluator: the arithmetic of scaled numbers that the
// interpreter and the compiled form share, inline because the compiled form
// runs it once an operator.
#pragma once

#include <cstdint>

#include "core/errors.h"
#include "core/status.h"
#include "script/numbers.h"

namespace script::ops {

using core::Status;

// Number values saturate at the 64-bit limits rather than wrap around: a
// sum too large for the type stays the largest value, never turns negative.
inline int64_t sat_add(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

inline int64_t sat_sub(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? INT64_MAX : INT64_MIN;
  return r;
}

inline constexpr int64_t kScales[kMaxPrecis + 1] = {1, 10, 100, 1000, 10000};

inline int64_t sat_mul(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_mul_overflow(a, b, &r)) return (a < 0) != (b < 0) ? INT64_MIN : INT64_MAX;
  return r;
}

// Applies operator number op to two scaled numbers at `precis` decimals
// (0..kMaxPrecis, read once by the caller); SINTAXERROR for an operator
// numbers do not have.
[[gnu::always_inline]] inline Status number_op(int op, int64_t a, int64_t b, int precis, int64_t* out) {
  const int64_t s = kScales[precis];
  // Integer parts, for the bit operators only.
  int64_t u = (op == 3 || op >= 15) ? a / s : 0;
  int64_t w = (op == 3 || op >= 15) ? b / s : 0;
  int64_t result = 0;
  switch (op) {
    case 1: result = mul_div_round(a, b, s); break;
    case 2: result = b == 0 ? 0 : mul_div_round(a, s, b); break;
    case 3: {
      // Rounded to n decimals; n outside 0.._PRECIS is clipped to it.
      int64_t n = w < 0 ? 0 : (w > precis ? precis : w);
      int64_t factor = 1;
      for (int64_t k = n; k < precis; ++k) factor *= 10;
      result = sat_mul(div_round(a, factor), factor);
      break;
    }
    case 4: result = mul_div_round(a, b, 100 * s); break;
    case 5: result = sat_sub(a, mul_div_round(a, b, 100 * s)); break;
    case 6: result = sat_add(a, b); break;
    case 7: result = sat_sub(a, b); break;
    case 9: result = a > b ? s : 0; break;
    case 10: result = a < b ? s : 0; break;
    case 11: result = a == b ? s : 0; break;
    case 12: result = a >= b ? s : 0; break;
    case 13: result = a <= b ? s : 0; break;
    case 14: result = a != b ? s : 0; break;
    case 15: result = sat_mul(u & w, s); break;
    case 16:
    case 17: result = (u & w) == 0 ? sat_mul(u | w, s) : 0; break;
    case 18: result = (a != 0 && b != 0) ? s : 0; break;
    case 19: result = (a != 0 || b != 0) ? s : 0; break;
    case 20: result = ((u != 0 || w != 0) && (u & w) == 0) ? s : 0; break;
    default: return core::SINTAXERROR;
  }
  *out = result;
  return 0;
}

}  // namespace script::ops
