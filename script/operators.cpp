// The operators and operand rules the evaluator applies, shared by the
// interpreter and the compiled form of simple expressions.
#include "script/internal/eval_ops.h"

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

namespace {

// Number values saturate at the 64-bit limits rather than wrap around: a
// sum too large for the type stays the largest value, never turns negative.
int64_t sat_add(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

int64_t sat_sub(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? INT64_MAX : INT64_MIN;
  return r;
}

int64_t sat_mul(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_mul_overflow(a, b, &r)) return (a < 0) != (b < 0) ? INT64_MIN : INT64_MAX;
  return r;
}

}  // namespace

Status apply_number(int op, Value* l, const Value& r) {
  int64_t a = l->number;
  int64_t b = r.number;
  int64_t s = number_scale();
  // Integer parts, for the bit operators only.
  int64_t u = (op == 3 || op >= 15) ? a / s : 0;
  int64_t w = (op == 3 || op >= 15) ? b / s : 0;
  int64_t result = 0;
  switch (op) {
    case 1: result = mul_div_round(a, b, s); break;
    case 2: result = b == 0 ? 0 : mul_div_round(a, s, b); break;
    case 3: {
      // Rounded to n decimals; n outside 0.._PRECIS is clipped to it.
      int64_t n = w < 0 ? 0 : (w > number_precis() ? number_precis() : w);
      int64_t factor = 1;
      for (int64_t k = n; k < number_precis(); ++k) factor *= 10;
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
  *l = Value::num(result);
  return 0;
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
