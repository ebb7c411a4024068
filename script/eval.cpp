// The evaluator proper: operands, precedence climbing and the operators.
#include "script/eval.h"

#include <cstring>

#include "core/arena.h"
#include "core/errors.h"
#include "script/functions.h"
#include "script/internal/compiled.h"
#include "script/internal/eval_ops.h"
#include "script/lexer.h"
#include "script/numbers.h"

namespace script {
namespace {

using core::ArenaScope;
using core::Context;
using core::kNoPos;
using core::operator""_t;

FieldHook g_field_hook = nullptr;
IndexedHook g_indexed_hook = nullptr;

constexpr int kMaxIndices = 4;

// One operand as read: where it came from (for assignment and details),
// its operand code, and its value once evaluated.
struct Operand {
  Value v;
  Text src;            // the operand's own text, "name(args)" for calls
  int code = 0;
  bool target = false; // still unevaluated: the left side of "="
  uint16_t mark = 0;   // arena mark before the operand was read
  uint16_t start = 0;  // position in the expression, for the error detail
};

bool is_letter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

class Evaluator {
 public:
  explicit Evaluator(Text s) : s_(s) {}

  // expression-list -> expression { ("," | ";") expression }
  Status eval_list(Value* out) {
    for (;;) {
      Status st = eval_expression(out);
      if (st >= 128) return st;
      if (pos_ >= s_.len) return st;
      ++pos_;  // the "," or ";" that ended the expression
      if (pos_ >= s_.len) return st;
      warning_ = 0;
    }
  }

  // expression -> operand { operator operand }, by precedence climbing
  Status eval_expression(Value* out) {
    Operand lhs;
    Status st = read_operand(&lhs);
    if (st < 128) st = climb(&lhs, 0);
    if (st < 128) st = force(&lhs);
    if (st >= 128) return st;
    *out = lhs.v;
    return warning_;
  }

  uint16_t position() const { return pos_; }

 private:
  Status climb(Operand* lhs, int min_prec) {
    for (;;) {
      lex::Operator op = lex::read_operator(s_, pos_);
      if (op.number == lex::kOpEnd) return 0;
      if (op.number == 0) return fail(syntax_error_at(pos_));
      if (op.precedence < min_prec) return 0;
      pos_ = static_cast<uint16_t>(pos_ + op.length);
      Operand rhs;
      Status st = read_operand(&rhs);
      if (st >= 128) return st;
      for (;;) {
        lex::Operator next = lex::read_operator(s_, pos_);
        if (next.number <= 0 || next.precedence <= op.precedence) break;
        st = climb(&rhs, next.precedence);
        if (st >= 128) return st;
      }
      st = op.number == lex::kOpAssign ? assign(lhs, &rhs) : apply(op.number, lhs, &rhs);
      if (st >= 128) return st;
    }
  }

  Status syntax_error_at(uint16_t at) {
    error_at_ = at;
    return core::SINTAXERROR;
  }

  // Records the first error of the evaluation with the rest of the
  // expression from the failing operand as detail.
  Status fail(Status code) {
    return ops::record_failure(s_, error_at_ != kNoPos ? error_at_ : 0, code);
  }

  // operand -> literal | variable | field | name "(" args ")" | "(" list ")"
  Status read_operand(Operand* o) {
    o->mark = core::arena_mark();
    o->start = pos_;
    uint16_t d = lex::next_delimiter(s_, pos_);
    Text name = core::text_sub(s_, pos_, static_cast<uint16_t>(d - pos_));
    Text args{};
    bool call = d < s_.len && s_.at(d) == '(';
    if (call) {
      uint16_t close = lex::matching_paren(s_, d);
      if (close == kNoPos) {
        error_at_ = pos_;
        return fail(core::LOOPFAIL);
      }
      args = core::text_sub(s_, d + 1, static_cast<uint16_t>(close - d - 1));
      pos_ = static_cast<uint16_t>(close + 1);
      // Only functions that consume the rest of the expression (CHK#, EXP$)
      // may be followed by something other than a delimiter.
      if (pos_ < s_.len && !lex::is_delimiter(s_.at(pos_)) && function_number(name) == 0)
        return fail(syntax_error_at(o->start));
    } else {
      pos_ = d;
    }
    o->src = core::text_sub(s_, o->start, static_cast<uint16_t>(pos_ - o->start));
    o->code = ops::classify(name);
    if (call) {
      if (name.len == 0) {
        o->code = kOpParenthesis;
      } else if (o->code == kOpTextLiteral || o->code == kOpNumberLiteral) {
        return fail(syntax_error_at(o->start));
      } else {
        o->code += function_number(name) != 0 ? kOpFunction : kOpIndexed;
      }
    } else if (name.len == 0) {
      o->code = -1;  // empty operand
    }
    // The left side of an assignment is a place, not a value: reading it
    // would define arrays and ask hooks for nothing.
    if (lex::read_operator(s_, pos_).number == lex::kOpAssign && o->code != kOpParenthesis) {
      o->target = true;
      o->v = Value{};
      o->src = core::text_sub(s_, o->start, static_cast<uint16_t>(pos_ - o->start));
      return 0;
    }
    Status st = evaluate(o, name, args);
    if (st >= 128) {
      error_at_ = o->start;
      return fail(st);
    }
    if (st != 0) warning_ = st;
    return 0;
  }

  // Evaluates an operand that was held back as an assignment target but
  // turned out to be needed as a value.
  Status force(Operand* o) {
    if (!o->target) return 0;
    o->target = false;
    Text name, args;
    split_call(o->src, &name, &args);
    Status st = evaluate(o, name, args);
    if (st >= 128) {
      error_at_ = o->start;
      return fail(st);
    }
    return 0;
  }

  static void split_call(Text src, Text* name, Text* args) {
    uint16_t open = core::text_find_char(src, '(', 0, false);
    if (open == kNoPos || src.len == 0 || src.at(src.len - 1u) != ')') {
      *name = src;
      *args = Text{};
      return;
    }
    *name = core::text_sub(src, 0, open);
    *args = core::text_sub(src, open + 1, static_cast<uint16_t>(src.len - open - 2));
  }

  Status evaluate(Operand* o, Text name, Text args) {
    int code = o->code;
    if (code == kOpParenthesis) {
      Evaluator inner(args);
      return inner.eval_list(&o->v);
    }
    if (code < 0) {  // empty operand: 0, so that -X computes 0 - X
      o->v = Value::num(0);
      return 0;
    }
    if (code & kOpIndexed) return eval_indexed(o, name, args);
    if (code & kOpFunction) {
      uint16_t consumed = 0;
      Text rest = core::text_sub(s_, pos_, core::kToEnd);
      Status st = function_call(function_number(name), name, args, rest, &o->v, &consumed);
      pos_ = static_cast<uint16_t>(pos_ + consumed);
      return st;
    }
    if (code & kOpField) return eval_field(o);
    if (code & 2) return eval_variable(o, name);
    if (code & kOpTextLiteral) {
      o->v = Value::txt(core::text_unquote(name));
      return 0;
    }
    if (code != 0) return core::SINTAXERROR;
    return eval_number_literal(o, name);
  }

  Status eval_number_literal(Operand* o, Text name) {
    if (name.len >= 2 && name.at(0) == '.' && is_letter(name.at(1))) {
      int32_t value = 0;
      if (dot_name_value(name, &value)) {
        o->v = Value::num(number_from_int(value));
        return 0;
      }
      name = core::text_sub(name, 1, core::kToEnd);
    }
    o->v = Value::num(number_from_text(name));
    return 0;
  }

  Status eval_variable(Operand* o, Text name) {
    Status st = var_get_value(name, &o->v);
    if (st != 0) return st;
    if (o->v.is_text()) {
      // Copy: a later assignment in the same expression may move the store.
      o->v.text = core::text_copy(o->v.text);
      if (!o->v.text.ok()) return o->v.text.len;
    }
    return 0;
  }

  Status eval_field(Operand* o) {
    if (g_field_hook == nullptr) {
      core::report_detail(core::NOVALUE, o->src, true);
      return core::NOVALUE;
    }
    bool is_text_type = false;
    Status st = g_field_hook(o->src, false, &o->v, &is_text_type);
    if (st >= 128) return st;
    o->code = is_text_type ? kOpField + 1 : kOpField;
    // A numeric field's text reads as a number.
    if (!is_text_type && o->v.is_text()) o->v = Value::num(number_from_text(o->v.text));
    return st;
  }

  Status eval_indices(Text args, int32_t* indices, int* count) {
    *count = 0;
    Evaluator sub(args);
    while (sub.pos_ < args.len || *count == 0) {
      if (*count == kMaxIndices) return core::DATAOUTBOUND;
      Value v;
      Status st = sub.eval_expression(&v);
      if (st >= 128) return st;
      if (v.is_text()) return core::TYPEMISMATCH;
      indices[(*count)++] = static_cast<int32_t>(number_to_int(v.number));
      if (sub.pos_ >= args.len) break;
      ++sub.pos_;
    }
    return 0;
  }

  Status eval_indexed(Operand* o, Text name, Text args) {
    if (g_indexed_hook != nullptr) {
      Status st = g_indexed_hook(name, args, &o->v);
      if (st != core::NOVALUE) return st;
    }
    int32_t indices[kMaxIndices];
    int count = 0;
    Status st = eval_indices(args, indices, &count);
    if (st >= 128) return st;
    st = array_get(name, indices, count, &o->v);
    if (st == 0 && o->v.is_text()) o->v.text = core::text_copy(o->v.text);
    return st;
  }

  // "=": stores the right value into the left operand; the value is the result.
  Status assign(Operand* lhs, Operand* rhs) {
    Status st = force(rhs);
    if (st >= 128) return st;
    if (!lhs->target) return fail(syntax_error_at(lhs->start));
    Text name, args;
    split_call(lhs->src, &name, &args);
    int code = lhs->code;
    if (code < 0) {  // an empty operand is no place to store into
      st = core::SINTAXERROR;
    } else if (code & kOpIndexed) {
      int32_t indices[kMaxIndices];
      int count = 0;
      st = eval_indices(args, indices, &count);
      if (st < 128) st = ops::check_class(code & ~kOpIndexed, rhs->v);
      if (st < 128) st = array_set(name, indices, count, rhs->v);
    } else if (code & kOpFunction) {
      // Only the work array _# takes assignments; other functions answer 147.
      st = function_assign(function_number(name), name, args, rhs->v);
    } else if (code & kOpField) {
      if (g_field_hook == nullptr) {
        core::report_detail(core::NOVALUE, lhs->src, true);
        st = core::NOVALUE;
      } else {
        Value stored = rhs->v.is_text() ? rhs->v : Value::txt(number_to_text(rhs->v.number));
        st = g_field_hook(lhs->src, true, &stored, nullptr);
      }
    } else if (code == kOpIntVar || code == kOpTextVar || code == kOpNumberVar) {
      st = ops::check_class(code, rhs->v);
      if (st < 128) st = var_set_value(name, rhs->v);
    } else {
      st = core::SINTAXERROR;
    }
    if (st >= 128) {
      error_at_ = lhs->start;
      return fail(st);
    }
    lhs->target = false;
    lhs->v = rhs->v;
    lhs->code = rhs->v.is_text() ? kOpTextLiteral : kOpNumberLiteral;
    settle(lhs);
    return 0;
  }

  // Keeps the new left value just above the left operand's mark, so the
  // temporaries of both operands are released.
  void settle(Operand* lhs) {
    if (lhs->v.is_text())
      lhs->v.text = core::arena_keep(lhs->mark, lhs->v.text);
    else
      core::arena_release(lhs->mark);
  }

  Status apply(int op, Operand* lhs, Operand* rhs) {
    Status st = force(lhs);
    if (st < 128) st = force(rhs);
    if (st >= 128) return st;
    Value& l = lhs->v;
    const Value& r = rhs->v;
    if (l.is_text() != r.is_text()) {
      error_at_ = lhs->start;
      return fail(core::TYPEMISMATCH);
    }
    st = l.is_text() ? ops::apply_text(op, &l, r) : ops::apply_number(op, &l, r);
    if (st >= 128) {
      error_at_ = lhs->start;
      return fail(st);
    }
    lhs->code = l.is_text() ? kOpTextLiteral : kOpNumberLiteral;
    settle(lhs);
    return 0;
  }

  Text s_;
  uint16_t pos_ = 0;
  uint16_t error_at_ = kNoPos;
  Status warning_ = 0;  // the last warning an operand gave
};

Status push_value(Status st, const Value& v) {
  if (v.is_text()) {
    Status pushed = core::arena_push(v.text);
    return pushed != 0 ? pushed : (st != 0 ? st : kResultText);
  }
  Status pushed = core::arena_alloc(sizeof v.number, core::kNoFill);
  if (pushed != 0) return pushed;
  std::memcpy(core::arena_top_bytes(), &v.number, sizeof v.number);
  return st;
}

// What a condition's value means: 1 true, 0 false (a warning or a text
// reads as false), an error code stops.
Status condition_of(Status st, const Value& v) {
  if (st == core::NULLEXPR) return 1;  // nothing but blanks
  if (st >= 128) return st;
  if (st != 0 || v.is_text()) return 0;
  return v.number != 0 ? 1 : 0;
}

// Evaluates expr with the interpreter, as expr_value does.
// The lexer's form of expr is given when it is known already.
Status interpret(Text expr, Value* out, Text prepared = Text{}) {
  ArenaScope scope;
  if (prepared.len == 0) prepared = lex::prepare(expr);
  if (!prepared.ok()) {
    Status code = prepared.len;
    if (code == core::LOOPFAIL) core::report_detail(code, expr, false);
    core::error_record(core::kRecord, Context::EXPEXEC, code, code);
    return code;
  }
  if (prepared.len == 0) return core::NULLEXPR;
  Evaluator e(prepared);
  Value v;
  Status st = e.eval_list(&v);
  if (st >= 128) return st;
  if (v.is_text()) {
    v.text = scope.keep(v.text);
    if (!v.text.ok()) return v.text.len;
  }
  *out = v;
  return st;
}

// expr_value through a statement's binding.
Status bound_value(ExprBinding* binding, Text expr, Value* out) {
  *out = Value::num(0);
  if (!expr.ok()) return expr.len;
  Status st = 0;
  if (compiled::try_eval_bound(binding, expr, out, &st)) return st;
  Text prepared{};
  std::shared_ptr<const compiled::Program> held = compiled::interpreted(*binding, &prepared);
  return interpret(expr, out, prepared);
}

}  // namespace

Status expr_value(Text expr, Value* out) {
  *out = Value::num(0);
  if (!expr.ok()) return expr.len;
  Status compiled_status = 0;
  if (compiled::try_eval(expr, out, &compiled_status)) return compiled_status;
  return interpret(expr, out);
}

Status expr_eval(Text expr) {
  uint16_t mark = core::arena_mark();
  Value v;
  Status st = expr_value(expr, &v);
  if (st >= 128) return st;
  // Leave exactly the result on the arena above the caller's mark.
  if (v.is_text()) {
    Text kept = core::arena_keep(mark, v.text);
    if (!kept.ok()) return kept.len;
    return st != 0 ? st : kResultText;
  }
  core::arena_release(mark);
  return push_value(st, v);
}

int64_t number_record_read(Text record) {
  int64_t v = 0;
  if (record.ok() && record.len == sizeof v) std::memcpy(&v, record.ptr, sizeof v);
  return v;
}

Text expr_text(Text expr) {
  ArenaScope scope;
  Value v;
  Status st = expr_value(expr, &v);
  if (st >= 128) return core::text_error_value(st);
  return scope.keep(v.is_text() ? v.text : number_to_text(v.number));
}

int64_t expr_number(Text expr) {
  ArenaScope scope;
  Value v;
  Status st = expr_value(expr, &v);
  if (st >= 128 || v.is_text()) return 0;
  return v.number;
}

int16_t expr_int(Text expr) {
  ArenaScope scope;
  Value v;
  Status st = expr_value(expr, &v);
  if (st >= 128 || v.is_text()) return 0;
  int64_t i = number_to_int(v.number);
  if (i > INT16_MAX) return INT16_MAX;
  if (i < INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(i);
}

Status expr_cond(Text expr) {
  if (expr.ok() && expr.len == 0) return 1;
  ArenaScope scope;
  Value v;
  Status st = expr_value(expr, &v);
  return condition_of(st, v);
}

Status expr_status(Text expr) {
  Status st = expr_eval(expr);
  return st >= 128 ? st : Status{0};
}

Status expr_cond_bound(ExprBinding* binding, Text expr) {
  if (expr.ok() && expr.len == 0) return 1;
  int64_t n = 0;
  Status st = 0;
  if (compiled::run_bound_numeric(binding, &n, &st)) return condition_of(st, Value::num(st >= 128 ? 0 : n));
  Value v;
  st = bound_value(binding, expr, &v);
  return condition_of(st, v);
}

Status expr_status_bound(ExprBinding* binding, Text expr) {
  int64_t n = 0;
  Status st = 0;
  if (!compiled::run_bound_numeric(binding, &n, &st)) {
    Value v;
    st = bound_value(binding, expr, &v);
  }
  return st >= 128 ? st : Status{0};
}

void field_hook_set(FieldHook hook) { g_field_hook = hook; }
void indexed_hook_set(IndexedHook hook) { g_indexed_hook = hook; }

}  // namespace script
