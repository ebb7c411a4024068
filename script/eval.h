// The expression evaluator. An expression is a counted string evaluated at
// once: blanks outside quotes are dropped, the _ACCEPT macros expanded,
// parentheses checked, then operands and operators are read left to right by
// precedence climbing over the twenty operators. Numbers are fixed-point
// (numbers.h); texts are counted strings on the scratch arena.
//
// Several expressions separated by "," or ";" are evaluated in turn and the
// last value is the result. Errors from 128 are recorded in context EXPEXEC
// with the rest of the expression from the failing operand as detail.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"
#include "script/variables.h"

namespace script {

struct ExprBinding;

// Operand types: bit 1 marks a text value.
enum OperandCode : int {
  kOpNumberLiteral = 0,
  kOpTextLiteral = 1,
  kOpIntVar = 2,
  kOpTextVar = 3,
  kOpNumberVar = 6,
  kOpField = 8,        // 9 when the field is of a text type
  kOpIndexed = 16,     // added to the name's code
  kOpFunction = 32,    // added to the name's code
  kOpParenthesis = 64,
};

// Result kinds of expr_eval besides status codes.
inline constexpr Status kResultNumber = 0;
inline constexpr Status kResultText = 1;

// Evaluates and leaves the value on the arena top: a number as an 8-byte
// record, a text as itself. Returns kResultNumber, kResultText, or a status
// code (a warning below 128, an error from 128).
Status expr_eval(Text expr);
// The typed result (its text, if any, lies on the arena above the caller's
// mark). Returns 0 or the status code.
Status expr_value(Text expr, Value* out);
Text expr_text(Text expr);          // a number formatted; an error value on failure
int64_t expr_number(Text expr);     // the scaled value; 0 on failure
// The value divided by S and rounded, as a 16-bit integer. A failure or a
// text result gives 0 (the error stays recorded for the caller to show).
int16_t expr_int(Text expr);
// 1 for an empty text; the code for an error; 0 for a warning or a text
// result; for a number 1 when non-zero, else 0.
Status expr_cond(Text expr);
Status expr_status(Text expr);      // the error code (from 128) or 0
// The same two for a procedure statement's expression, through the binding
// it keeps (procedures.h), so its text is not looked up again at each run.
// A text value may be left on the arena above the caller's mark, for the
// caller to release.
Status expr_cond_bound(ExprBinding* binding, Text expr);
Status expr_status_bound(ExprBinding* binding, Text expr);

// The 8-byte number record expr_eval leaves on the arena.
int64_t number_record_read(Text record);

// Data-field references (NAME{FILE}) are served by the data layer through
// this hook. Reading fills *value (text for text fields, with *is_text_type
// set); writing stores value. Without a hook: NOVALUE with the reference as
// detail.
using FieldHook = Status (*)(Text ref, bool write, Value* value, bool* is_text_type);
void field_hook_set(FieldHook hook);

// Names followed by "(" that are not built-in functions are array elements,
// unless this hook (procedure-defined functions) claims them: it answers
// NOVALUE when the name is not its own.
using IndexedHook = Status (*)(Text name, Text args, Value* out);
void indexed_hook_set(IndexedHook hook);

// Condition builder for the search and limit dialogs.
Text cond_compare(Text name, int comparison, Text value, char type_letter);
Text cond_join(Text condition, Text comparison, Text joiner);
Text cond_any_field(Text fields, Text from, Text to);

}  // namespace script
