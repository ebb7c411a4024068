// Internal to the evaluator: the operand classification, the operators and
// the error recording that the interpreter and the compiled form share.
#pragma once

#include <cstdint>

#include "core/status.h"
#include "core/text.h"
#include "script/variables.h"

namespace script::ops {

// The operand type of a name by its characters (eval.h OperandCode).
int classify(Text name);
// Applies operator number op (its field number in the operator list) to two
// texts or two numbers, leaving the result in *l; SINTAXERROR for an
// operator texts do not have.
Status apply_text(int op, Value* l, const Value& r);
Status apply_number(int op, Value* l, const Value& r);
// TYPEMISMATCH unless the value is of the class of the variable kind code.
Status check_class(int code, const Value& v);
// Records the first error of an evaluation, with the expression from `at`
// on as detail; returns code.
Status record_failure(Text s, uint16_t at, Status code);

}  // namespace script::ops
