// Internal to the evaluator: preparing an expression text and reading its
// delimiters, operators and parentheses. Not part of the public interface.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace script::lex {

using core::Text;

inline constexpr int kOpEnd = -1;       // end of text, or "," / ";" ending an expression
inline constexpr int kOpAssign = 8;

struct Operator {
  int number = kOpEnd;   // field number in the operator list; 0 = not an operator
  int precedence = 0;
  int length = 0;
};

bool is_delimiter(uint8_t c);
// Position of the next delimiter at or after pos, outside quotes; s.len when none.
uint16_t next_delimiter(Text s, uint16_t pos);
// Position of the ")" matching the "(" at open, quotes respected; kNoPos when none.
uint16_t matching_paren(Text s, uint16_t open);
// The operator starting at pos (kOpEnd at the end or at "," / ";").
Operator read_operator(Text s, uint16_t pos);
// Drops blanks outside quotes, expands the _ACCEPT macros and checks that
// parentheses balance. The prepared copy lies on the arena; an error value
// (LOOPFAIL for unbalanced parentheses) on failure.
Text prepare(Text expr);

}  // namespace script::lex
