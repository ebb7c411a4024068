// Internal to the evaluator: a cache of compiled forms of simple expressions
// (literals, variables, operators and parentheses; no calls, arrays or data
// fields). A compiled form gives every result, error, detail and side effect
// the interpreter gives; anything else is left to the interpreter.
#pragma once

#include "core/status.h"
#include "core/text.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace script::compiled {

// True when expr was evaluated through its compiled form: *status and *out
// are then set as expr_value sets them (a text result lies on the arena above
// the caller's mark). False when the interpreter must evaluate it.
bool try_eval(Text expr, Value* out, Status* status);
// The same through a binding the caller keeps with the text (a procedure
// statement): the text is looked up only when first run or when the number of
// decimals has changed since.
bool try_eval_bound(ExprBinding* binding, Text expr, Value* out, Status* status);
// The quick way for a binding already made: when it holds a program of
// numbers only bound at the current number of decimals, runs it and gives
// its status and number as try_eval_bound would; false (nothing run) sends
// the caller the general way.
bool run_bound_numeric(ExprBinding* binding, int64_t* number, Status* status);
// For a binding whose expression is left to the interpreter: the program,
// which keeps *prepared (the expression as the lexer prepares it) alive
// while the caller holds it; null when there is none.
std::shared_ptr<const Program> interpreted(const ExprBinding& binding, Text* prepared);
void cache_clear();
// Tests compare both ways of evaluating; the compiled form is on by default.
void set_enabled(bool enabled);

}  // namespace script::compiled
