// The operators and operand rules the evaluator applies, shared by the
// interpreter and the compiled form of simple expressions.
#include "script/internal/eval_ops.h"
#include "script/internal/number_ops.h"

#include <cstdint>

#include "core/errors.h"
#include "script/eval.h"
#include "script/numbers.h"

namespace script::ops {
// The operand's type from its characters, tested in a fixed order: a quote
// anywhere makes a text literal, else "$" a text variable, else "#" a number
// variable, else "{" a field reference; else digits and "." a number literal
// and a letter an integer variable. One pass over the name.
int classify(Text name) {
  bool dollar = false, hash = false, brace = false;
  for (uint32_t i = 0; i < name.len; ++i) {
    switch (name.at(i)) {
      case '\'':
      case '"': return kOpTextLiteral;
      case '$': dollar = true; break;
      case '#': hash = true; break;
      case '{': brace = true; break;
      default: break;
    }
  }
  if (dollar) return kOpTextVar;
  if (hash) return kOpNumberVar;
  if (brace) return kOpField;
  if (name.len == 0 || name.at(0) <= '@') return kOpNumberLiteral;
  return kOpIntVar;
}

Status apply_text(int op, Value* l, const Value& r) {
  int c = core::text_compare(l->text, r.text);
  int64_t one = number_scale();
  switch (op) {
    case 6: {
      Text joined = core::text_concat(l->text, r.text);
      if (!joined.ok()) return joined.len;
      l->text = joined;
      return 0;
    }
    case 9: *l = Value::num(c > 0 ? one : 0); return 0;
    case 10: *l = Value::num(c < 0 ? one : 0); return 0;
    case 11: *l = Value::num(c == 0 ? one : 0); return 0;
    case 12: *l = Value::num(c >= 0 ? one : 0); return 0;
    case 13: *l = Value::num(c <= 0 ? one : 0); return 0;
    case 14: *l = Value::num(c != 0 ? one : 0); return 0;
    default: return core::SINTAXERROR;
  }
}

Status apply_number(int op, Value* l, const Value& r) {
  int64_t result = 0;
  Status st = number_op(op, l->number, r.number, number_precis(), &result);
  if (st == 0) *l = Value::num(result);
  return st;
}

Status check_class(int code, const Value& v) {
  bool text_target = (code & 1) != 0;
  return text_target == v.is_text() ? Status{0} : core::TYPEMISMATCH;
}


Status record_failure(Text s, uint16_t at, Status code) {
  if (code < 128) return code;
  const core::ErrorRecord recorded = core::error_last();
  // A lower layer (the variable store, the arrays) may have recorded this
  // error already without telling where in the expression it arose.
  if (recorded.code == 0 || (recorded.code == code && core::error_detail().empty()))
    core::report_detail(code, core::text_sub(s, at, core::kToEnd), true);
  core::error_record(core::kRecord, core::Context::EXPEXEC, code, code);
  return code;
}

}  // namespace script::ops
