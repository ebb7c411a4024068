// Compiled simple expressions. Procedures evaluate the same few expression
// texts millions of times; reading such a text once into a postfix program
// and running that program removes the re-reading, while the program keeps
// the interpreter's order of evaluation, its lazy assignment targets, its
// arena discipline and its error details exactly.
#include "script/internal/compiled.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/arena.h"
#include "script/eval.h"
#include "script/internal/eval_ops.h"
#include "script/internal/number_ops.h"
#include "script/internal/var_state.h"
#include "script/lexer.h"
#include "script/numbers.h"

namespace script::compiled {
namespace {

using core::kNoPos;
using core::operator""_t;

bool g_enabled = true;

// VarNumber and NumberOp head the commonest runs of numeric programs, a
// variable with a number and an operator ("I#+1", "I#<N") and a number with
// an operator ("*2"): the insns of the run follow them unchanged, and are
// run by them in one step.
// AssignTo is an Assign that carries its own target: the Target it stood
// for is gone from the program, as nothing between the two could use it.
// End closes a numeric program.
enum class Kind : uint8_t {
  Number, Text, Variable, Target, Operator, Assign, GroupBegin, GroupEnd, Drop, VarNumber, NumberOp,
  AssignTo, End
};

struct Insn {
  Kind kind;
  uint8_t op = 0;          // operator number for Operator
  int code = 0;            // operand code of a Variable or Target
  Value value;             // literal value (also of a literal used as a target)
  Text name{};             // variable name, a view into the program's text
  Text detail{};           // the rest of the expression from the operand, for errors
  mutable VarHandle handle;  // the variable once resolved, while its generation holds
  // At the head of a run that multiplies by a literal holding a whole
  // number: that number, by which the product needs no rounding (0: none).
  int64_t whole = 0;
};

}  // namespace

struct Program {
  std::string source;      // the expression as given, the key of the cache
  std::string text;        // the prepared expression (names and details point into it);
                           // empty when it cannot be prepared
  std::vector<Insn> code;
  size_t max_depth = 0;
  bool interpret = false;  // not a simple expression: the interpreter evaluates it
  bool numeric = false;    // numbers only: no value ever lives on the arena
  bool deferred = false;   // a numeric program still holding a Target
  // A numeric program that is one variable and a number under an operator
  // ("I#<N"), stored into a variable or not ("I#=I#+1"): the commonest
  // loop conditions and counters, run without the general loop.
  enum class Shape : uint8_t { General, VarOp, VarOpStore } shape = Shape::General;
};

namespace {

constexpr size_t kMaxStack = 64;
constexpr size_t kMaxCached = 4096;

// A compile-time operand: where it starts and whether it is a deferred target.
struct Operand {
  uint16_t start = 0;
  bool target = false;
};

class Compiler {
 public:
  Compiler(Program* p, Text s) : p_(p), s_(s) {}

  // expression-list -> expression { ("," | ";") expression }
  bool list() {
    for (;;) {
      if (!expression()) return false;
      if (pos_ >= s_.len) return true;
      ++pos_;
      if (pos_ >= s_.len) return true;
      emit(Insn{Kind::Drop});
    }
  }

 private:
  bool expression() {
    Operand lhs;
    return operand(&lhs) && climb(&lhs, 0);
  }

  bool climb(Operand* lhs, int min_prec) {
    for (;;) {
      lex::Operator op = lex::read_operator(s_, pos_);
      if (op.number == lex::kOpEnd) return true;
      if (op.number == 0) return false;  // the interpreter reports it, after any side effects
      if (op.precedence < min_prec) return true;
      pos_ = static_cast<uint16_t>(pos_ + op.length);
      Operand rhs;
      if (!operand(&rhs)) return false;
      for (;;) {
        lex::Operator next = lex::read_operator(s_, pos_);
        if (next.number <= 0 || next.precedence <= op.precedence) break;
        if (!climb(&rhs, next.precedence)) return false;
      }
      Insn insn{op.number == lex::kOpAssign ? Kind::Assign : Kind::Operator};
      insn.op = static_cast<uint8_t>(op.number);
      insn.detail = detail(lhs->start);
      emit(insn);
      --depth_;
      lhs->target = false;
    }
  }

  // operand -> literal | variable | "(" list ")"
  bool operand(Operand* o) {
    o->start = pos_;
    uint16_t d = lex::next_delimiter(s_, pos_);
    Text name = core::text_sub(s_, pos_, static_cast<uint16_t>(d - pos_));
    if (d < s_.len && s_.at(d) == '(') {
      if (name.len != 0) return false;  // calls and arrays are interpreted
      uint16_t close = lex::matching_paren(s_, d);
      if (close == kNoPos) return false;
      pos_ = static_cast<uint16_t>(close + 1);
      if (pos_ < s_.len && !lex::is_delimiter(s_.at(pos_))) return false;
      emit(Insn{Kind::GroupBegin});
      Compiler inner(p_, core::text_sub(s_, d + 1, static_cast<uint16_t>(close - d - 1)));
      inner.depth_ = depth_;
      if (!inner.list()) return false;
      if (inner.max_depth_ > max_depth_) max_depth_ = inner.max_depth_;
      emit(Insn{Kind::GroupEnd});  // the marker becomes the group's value
      return true;
    }
    pos_ = d;
    int code = name.len == 0 ? -1 : ops::classify(name);
    if (code == kOpField) return false;
    o->target = lex::read_operator(s_, pos_).number == lex::kOpAssign;
    Insn insn{Kind::Number};
    insn.code = code;
    insn.name = name;
    insn.detail = detail(o->start);
    if (code == kOpIntVar || code == kOpTextVar || code == kOpNumberVar) {
      insn.kind = o->target ? Kind::Target : Kind::Variable;
    } else {
      insn.value = literal(code, name);
      if (o->target) insn.kind = Kind::Target;
      else if (insn.value.is_text()) insn.kind = Kind::Text;
    }
    emit(insn);
    return true;
  }

  static Value literal(int code, Text name) {
    if (code < 0) return Value::num(0);  // empty operand: -X is 0 - X
    if (code == kOpTextLiteral) return Value::txt(core::text_unquote(name));
    if (name.len >= 2 && name.at(0) == '.') {
      uint8_t c = name.at(1);
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        int32_t v = 0;
        if (dot_name_value(name, &v)) return Value::num(number_from_int(v));
        name = core::text_sub(name, 1, core::kToEnd);
      }
    }
    return Value::num(number_from_text(name));
  }

  Text detail(uint16_t at) const { return core::text_sub(s_, at, core::kToEnd); }

  void emit(const Insn& insn) {
    p_->code.push_back(insn);
    if (insn.kind != Kind::Operator && insn.kind != Kind::Assign && insn.kind != Kind::GroupEnd &&
        insn.kind != Kind::Drop) {
      if (++depth_ > max_depth_) max_depth_ = depth_;
    }
    if (insn.kind == Kind::Drop) --depth_;
  }

 public:
  size_t max_depth_ = 0;

 private:
  Program* p_;
  Text s_;
  uint16_t pos_ = 0;
  size_t depth_ = 0;
};

// Marks the heads of the runs a numeric program runs in one step.
// A multiplication by a whole number (literals are scaled when compiled)
// is that number's product, with nothing to round.
constexpr int kOpMultiply = 1;
int64_t whole_factor(const Insn& number, const Insn& op) {
  int64_t scale = number_scale();
  int64_t v = number.value.number;
  return op.op == kOpMultiply && v != 0 && v % scale == 0 ? v / scale : 0;
}

// The Assign that takes the Target at index t as its target, when nothing
// between the two touches the target's stack entry (an operator below it,
// a list separator dropping it); 0 when there is none.
size_t assign_of(const std::vector<Insn>& c, size_t t) {
  size_t depth = 1;  // entries from the target's up
  for (size_t k = t + 1; k < c.size(); ++k) {
    switch (c[k].kind) {
      case Kind::Operator:
      case Kind::Assign:  // on the two entries on top
        if (depth == 1) return 0;
        if (depth == 2) return c[k].kind == Kind::Assign ? k : 0;
        --depth;
        break;
      case Kind::Drop:  // on the entry on top
      case Kind::GroupEnd:
        if (depth == 1) return 0;
        --depth;
        break;
      case Kind::AssignTo:  // an earlier target's, folded already: stores the
                            // entry on top, which stays where it is
        if (depth == 1) return 0;
        break;
      default:
        ++depth;
        break;
    }
  }
  return 0;
}

// Folds each variable Target into the Assign that takes it.
void fold_targets(std::vector<Insn>* code) {
  std::vector<Insn>& c = *code;
  for (size_t t = 0; t < c.size(); ++t) {
    if (c[t].kind != Kind::Target || (c[t].code != kOpIntVar && c[t].code != kOpNumberVar)) continue;
    size_t a = assign_of(c, t);
    if (a == 0) continue;
    Insn folded = c[t];
    folded.kind = Kind::AssignTo;
    folded.op = c[a].op;
    folded.detail = c[a].detail;
    c[a] = folded;
    c.erase(c.begin() + static_cast<std::ptrdiff_t>(t));
    --t;
  }
}

void fuse(std::vector<Insn>* code) {
  fold_targets(code);
  std::vector<Insn>& c = *code;
  for (size_t i = 0; i + 1 < c.size(); ++i) {
    if (i + 2 < c.size() && c[i].kind == Kind::Variable && c[i + 1].kind == Kind::Number &&
        c[i + 2].kind == Kind::Operator) {
      c[i].kind = Kind::VarNumber;
      c[i].whole = whole_factor(c[i + 1], c[i + 2]);
      i += 2;
    } else if (c[i].kind == Kind::Number && c[i + 1].kind == Kind::Operator) {
      c[i].kind = Kind::NumberOp;
      c[i].whole = whole_factor(c[i], c[i + 1]);
      i += 1;
    }
  }
}

std::shared_ptr<Program> compile(Text expr) {
  auto p = std::make_shared<Program>();
  p->interpret = true;
  p->source.assign(expr.ptr, expr.len);
  core::ArenaScope scope;
  Text prepared = lex::prepare(expr);
  if (!prepared.ok() || prepared.len == 0) return p;
  p->text.assign(prepared.ptr, prepared.len);
  // Literals are scaled when compiled: an expression that may change the
  // number of decimals on the way is left to the interpreter.
  if (core::text_find(prepared, "_PRECIS"_t, true) != kNoPos) return p;
  Text s = core::text_view(p->text.data(), p->text.size());
  Compiler c(p.get(), s);
  if (!c.list() || c.max_depth_ > kMaxStack) {
    p->code.clear();
    return p;
  }
  p->max_depth = c.max_depth_;
  p->numeric = true;
  for (const Insn& insn : p->code) {
    bool text_operand = insn.code == kOpTextVar || insn.value.is_text();
    if (text_operand) p->numeric = false;
  }
  p->interpret = false;
  if (p->numeric) {
    fuse(&p->code);
    for (const Insn& insn : p->code) p->deferred = p->deferred || insn.kind == Kind::Target;
    p->code.push_back(Insn{Kind::End});
    const std::vector<Insn>& code = p->code;
    if (code[0].kind == Kind::VarNumber && code.size() == 4) p->shape = Program::Shape::VarOp;
    if (code[0].kind == Kind::VarNumber && code.size() == 5 && code[3].kind == Kind::AssignTo)
      p->shape = Program::Shape::VarOpStore;
  }
  return p;
}

// One stack entry of the running program: its value, the arena mark from
// before it was produced, and, for a deferred assignment target, its insn.
struct Slot {
  Value v;
  uint16_t mark = 0;
  const Insn* target = nullptr;
};

Status fail(const Insn& at, Status code) { return ops::record_failure(at.detail, 0, code); }

bool resolved(const Insn& insn) {
  return insn.handle.generation == var_generation() ||
         (insn.code != kOpTextVar && var_resolve(insn.name, &insn.handle));
}

Status read_variable(const Insn& insn, Value* out) {
  if (insn.code != kOpTextVar && insn.handle.generation == var_generation()) {
    *out = var_read(insn.handle);
    return 0;
  }
  Status st = var_get_value(insn.name, out);
  if (st >= 128) return fail(insn, st);
  if (insn.code != kOpTextVar) var_resolve(insn.name, &insn.handle);
  if (out->is_text()) {
    // Copy: a later assignment in the same expression may move the store.
    out->text = core::text_copy(out->text);
    if (!out->text.ok()) return fail(insn, out->text.len);
  }
  return 0;
}

// Evaluates a deferred target that is needed as a value after all.
Status force(Slot* s) {
  if (s->target == nullptr) return 0;
  const Insn& t = *s->target;
  s->target = nullptr;
  if (t.code == kOpIntVar || t.code == kOpTextVar || t.code == kOpNumberVar) return read_variable(t, &s->v);
  s->v = t.value;
  return 0;
}

void settle(Slot* s) {
  if (s->v.is_text())
    s->v.text = core::arena_keep(s->mark, s->v.text);
  else
    core::arena_release(s->mark);
}

// The same program when every operand is a number: values are plain scaled
// integers, no type can mismatch, and the arena is never touched, so no marks
// are kept. Errors, details and side effects are those of run(). A program
// without deferred targets (kDeferred false) keeps no record of them.
template <bool kDeferred>
Status run_numeric_as(const Program& p, int precis, int64_t* out) {
  int64_t values[kMaxStack + 1];
  const Insn* targets[kDeferred ? kMaxStack + 1 : 1];  // deferred assignment targets
  size_t top = 0;
  // The number of decimals holds for the whole program: one that names
  // _PRECIS is left to the interpreter.
  const int64_t scale = ops::kScales[precis];
  uint32_t generation = internal::g_generation;  // moves only when a name is set by text
  auto no_target = [&](size_t i) {
    if constexpr (kDeferred) targets[i] = nullptr;
  };
  auto target = [&](size_t i) -> const Insn* {
    if constexpr (kDeferred) return targets[i];
    return nullptr;
  };
  // Reads a deferred target that is needed as a value after all.
  auto force_target = [&](size_t i) -> Status {
    const Insn* t = target(i);
    no_target(i);
    if (t->code != kOpIntVar && t->code != kOpNumberVar) {
      values[i] = t->value.number;
      return 0;
    }
    Value v;
    Status st = read_variable(*t, &v);
    generation = var_generation();
    values[i] = v.number;
    return st;
  };
  auto force = [&](size_t i) -> Status { return target(i) == nullptr ? Status{0} : force_target(i); };
  // Reads a variable operand.
  auto read = [&](const Insn& insn, int64_t* value) -> Status {
    if (insn.handle.generation == generation) {
      *value = internal::read_scaled(insn.handle, scale);
      return 0;
    }
    Value v;
    Status st = read_variable(insn, &v);
    generation = var_generation();
    *value = v.number;
    return st;
  };
  // Stores the value on top into the variable of insn t.
  auto assign = [&](const Insn& t, const Insn& at) -> Status {
    Status st = 0;
    if (t.handle.generation == generation || resolved(t)) {
      internal::write_scaled(t.handle, values[top - 1], scale);
    } else {
      st = var_set_value(t.name, Value::num(values[top - 1]));
      generation = var_generation();
    }
    return st >= 128 ? fail(at, st) : Status{0};
  };
  for (const Insn* at = p.code.data();; ++at) {
    const Insn& insn = *at;
    switch (insn.kind) {
      case Kind::Number:
        no_target(top);
        values[top++] = insn.value.number;
        break;
      case Kind::Variable: {
        no_target(top);
        Status st = read(insn, &values[top]);
        if (st >= 128) return st;
        ++top;
        break;
      }
      case Kind::VarNumber: {  // variable, number, operator
        int64_t a = 0;
        Status st = read(insn, &a);
        if (st >= 128) return st;
        const Insn& op = at[2];
        if (insn.whole != 0)
          values[top] = ops::sat_mul(a, insn.whole);
        else
          st = ops::number_op(op.op, a, at[1].value.number, precis, &values[top]);
        if (st >= 128) return fail(op, st);
        no_target(top++);
        at += 2;
        break;
      }
      case Kind::NumberOp: {  // number, operator: on the value below
        Status st = force(top - 1);
        if (st >= 128) return st;
        const Insn& op = at[1];
        if (insn.whole != 0)
          values[top - 1] = ops::sat_mul(values[top - 1], insn.whole);
        else
          st = ops::number_op(op.op, values[top - 1], insn.value.number, precis, &values[top - 1]);
        if (st >= 128) return fail(op, st);
        at += 1;
        break;
      }
      case Kind::Target:
        if constexpr (!kDeferred) return core::INTERNAL;  // counted when compiled
        targets[top] = &insn;
        values[top++] = 0;
        break;
      case Kind::Operator: {
        if (target(top - 2) != nullptr || target(top - 1) != nullptr) {
          Status st = force(top - 2);
          if (st < 128) st = force(top - 1);
          if (st >= 128) return st;
        }
        Status st = ops::number_op(insn.op, values[top - 2], values[top - 1], precis, &values[top - 2]);
        if (st >= 128) return fail(insn, st);
        --top;
        break;
      }
      case Kind::Assign: {
        Status st = force(top - 1);
        if (st >= 128) return st;
        const Insn* t = target(top - 2);
        if (t == nullptr || (t->code != kOpIntVar && t->code != kOpNumberVar))
          return fail(insn, core::SINTAXERROR);
        st = assign(*t, insn);
        if (st >= 128) return st;
        no_target(top - 2);
        values[top - 2] = values[top - 1];
        --top;
        break;
      }
      case Kind::AssignTo: {  // the value stays as the assignment's own
        Status st = force(top - 1);
        if (st < 128) st = assign(insn, insn);
        if (st >= 128) return st;
        break;
      }
      case Kind::GroupBegin:
        no_target(top);
        values[top++] = 0;
        break;
      case Kind::GroupEnd: {
        Status st = force(top - 1);
        if (st >= 128) return st;
        --top;
        values[top - 1] = values[top];
        break;
      }
      case Kind::Drop:
        --top;
        break;
      case Kind::Text:
        return core::INTERNAL;  // a numeric program holds no text
      case Kind::End: {
        Status st = force(top - 1);
        if (st >= 128) return st;
        *out = values[top - 1];
        return 0;
      }
    }
  }
}

// A program of shape VarOp or VarOpStore whose variables are resolved:
// false, with nothing done, sends it the general way (a name to look up,
// an operator numbers do not have), which gives the errors and details.
bool run_var_op(const Program& p, int precis, int64_t* out) {
  const Insn& var = p.code[0];
  const Insn* store = p.shape == Program::Shape::VarOpStore ? &p.code[3] : nullptr;
  const uint32_t generation = internal::g_generation;
  if (var.handle.generation != generation || (store != nullptr && store->handle.generation != generation))
    return false;
  const int64_t scale = ops::kScales[precis];
  const int64_t a = internal::read_scaled(var.handle, scale);
  int64_t result = 0;
  if (var.whole != 0)
    result = ops::sat_mul(a, var.whole);
  else if (ops::number_op(p.code[2].op, a, p.code[1].value.number, precis, &result) >= 128)
    return false;
  if (store != nullptr) internal::write_scaled(store->handle, result, scale);
  *out = result;
  return true;
}

Status run_numeric(const Program& p, int precis, int64_t* out) {
  if (p.shape != Program::Shape::General && run_var_op(p, precis, out)) return 0;
  return p.deferred ? run_numeric_as<true>(p, precis, out) : run_numeric_as<false>(p, precis, out);
}

// Most expressions need a handful of stack entries; only deep ones pay for
// a heap-allocated stack.
constexpr size_t kSmallStack = 8;

Status run(const Program& p, Value* out) {
  Slot small[kSmallStack];
  std::vector<Slot> large;
  Slot* stack = small;
  if (p.max_depth > kSmallStack) {
    large.resize(p.max_depth + 1);
    stack = large.data();
  }
  size_t top = 0;  // number of entries in use
  for (const Insn& insn : p.code) {
    switch (insn.kind) {
      case Kind::Number:
      case Kind::Text:
        stack[top++] = Slot{insn.value, core::arena_mark(), nullptr};
        break;
      case Kind::Variable: {
        Slot s{Value{}, core::arena_mark(), nullptr};
        Status st = read_variable(insn, &s.v);
        if (st >= 128) return st;
        stack[top++] = s;
        break;
      }
      case Kind::Target:
        stack[top++] = Slot{Value{}, core::arena_mark(), &insn};
        break;
      case Kind::Operator: {
        Slot& l = stack[top - 2];
        Slot& r = stack[top - 1];
        Status st = force(&l);
        if (st < 128) st = force(&r);
        if (st >= 128) return st;
        if (l.v.is_text() != r.v.is_text()) return fail(insn, core::TYPEMISMATCH);
        st = l.v.is_text() ? ops::apply_text(insn.op, &l.v, r.v) : ops::apply_number(insn.op, &l.v, r.v);
        if (st >= 128) return fail(insn, st);
        --top;
        settle(&l);
        break;
      }
      case Kind::Assign: {
        Slot& l = stack[top - 2];
        Slot& r = stack[top - 1];
        Status st = force(&r);
        if (st >= 128) return st;
        const Insn* t = l.target;
        if (t == nullptr) return fail(insn, core::SINTAXERROR);
        if (t->code != kOpIntVar && t->code != kOpTextVar && t->code != kOpNumberVar)
          return fail(insn, core::SINTAXERROR);
        st = ops::check_class(t->code, r.v);
        if (st < 128) {
          if (t->code != kOpTextVar && resolved(*t))
            var_write(t->handle, r.v);
          else
            st = var_set_value(t->name, r.v);
        }
        if (st >= 128) return fail(insn, st);
        l.v = r.v;
        l.target = nullptr;
        --top;
        settle(&l);
        break;
      }
      case Kind::GroupBegin:
        stack[top++] = Slot{Value{}, core::arena_mark(), nullptr};
        break;
      case Kind::GroupEnd: {
        Slot inner = stack[top - 1];
        Status st = force(&inner);
        if (st >= 128) return st;
        --top;
        stack[top - 1].v = inner.v;
        break;
      }
      case Kind::Drop:
        --top;
        break;
      case Kind::VarNumber:
      case Kind::NumberOp:
      case Kind::AssignTo:
      case Kind::End:
        return core::INTERNAL;  // only numeric programs have these
    }
  }
  Slot& result = stack[top - 1];
  Status st = force(&result);
  if (st >= 128) return st;
  *out = result.v;
  return 0;
}

// Programs by expression text, one table per number of decimals (literals
// are scaled when compiled).
struct Hash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
using Cache = std::unordered_map<std::string, std::shared_ptr<const Program>, Hash, std::equal_to<>>;
std::array<Cache, kMaxPrecis + 1> g_cache;

// The programs most recently run, by where their text lies: procedures hand
// the same texts at the same places again and again, and a hit here costs
// one comparison of the text instead of hashing it.
struct Recent {
  const char* ptr = nullptr;
  int precis = -1;
  const Program* program = nullptr;
  const std::shared_ptr<const Program>* entry = nullptr;  // its place in the cache
};
constexpr size_t kRecentSlots = 64;
std::array<Recent, kRecentSlots> g_recent;

// Programs being run, one inside another (a variable hook may evaluate
// expressions of its own). The cache is only emptied when none runs, so a
// running program is never freed under its feet.
int g_running = 0;
struct Running {
  Running() { ++g_running; }
  ~Running() { --g_running; }
};

void forget_all() {
  for (Cache& c : g_cache) c.clear();
  for (Recent& r : g_recent) r = Recent{};
}

const std::shared_ptr<const Program>& lookup(Text expr, int precis) {
  std::string_view key(expr.ptr, expr.len);
  // Texts copied to the arena arrive at the same place one after the other,
  // so a few of their bytes take part in choosing the slot.
  size_t slot = reinterpret_cast<uintptr_t>(expr.ptr) >> 3;
  if (expr.len > 0)
    slot ^= expr.len * 31u ^ expr.at(0) * 7u ^ expr.at(expr.len / 2u) * 131u ^ expr.at(expr.len - 1u) * 17u;
  Recent& r = g_recent[slot % kRecentSlots];
  if (r.ptr == expr.ptr && r.precis == precis && r.program->source == key) return *r.entry;
  Cache& cache = g_cache[precis];
  auto it = cache.find(key);
  if (it == cache.end()) {
    if (cache.size() >= kMaxCached && g_running == 0) forget_all();
    it = cache.emplace(std::string(key), compile(expr)).first;
  }
  g_recent[slot % kRecentSlots] = Recent{expr.ptr, precis, it->second.get(), &it->second};
  return it->second;
}

// A program that may hold texts, run as try_eval does.
Status evaluate_mixed(const Program& p, Value* out) {
  core::ArenaScope scope;
  Value v;
  Status st = run(p, &v);
  if (st < 128 && v.is_text()) {
    v.text = scope.keep(v.text);
    if (!v.text.ok()) st = v.text.len;
  }
  *out = st >= 128 ? Value::num(0) : v;
  return st;
}

// Runs a program as try_eval does.
[[gnu::always_inline]] inline Status evaluate(const Program& p, int precis, Value* out) {
  Running running;
  if (!p.numeric) return evaluate_mixed(p, out);
  int64_t n = 0;
  Status st = run_numeric(p, precis, &n);
  *out = Value::num(st >= 128 ? 0 : n);
  return st;
}

}  // namespace

bool try_eval(Text expr, Value* out, Status* status) {
  if (!g_enabled || !expr.ok()) return false;
  int precis = number_precis();
  const Program& p = *lookup(expr, precis);
  if (p.interpret) return false;
  *status = evaluate(p, precis, out);
  return true;
}

bool try_eval_bound(ExprBinding* binding, Text expr, Value* out, Status* status) {
  binding->compiled = false;
  if (!g_enabled || !expr.ok()) return false;
  int precis = number_precis();
  if (binding->precis != precis || binding->program == nullptr) {
    // A program being run may be the one bound here: while any runs, the
    // binding stays and the cache answers.
    if (g_running != 0) return try_eval(expr, out, status);
    binding->program = lookup(expr, precis);
    binding->precis = static_cast<int8_t>(precis);
  }
  const Program& p = *binding->program;
  binding->compiled = !p.interpret;
  if (p.interpret) return false;
  *status = evaluate(p, precis, out);
  return true;
}

bool run_bound_numeric(ExprBinding* binding, int64_t* number, Status* status) {
  const Program* p = binding->program.get();
  if (!g_enabled || p == nullptr || !p->numeric || binding->precis != number_precis()) return false;
  Running running;
  *status = run_numeric(*p, binding->precis, number);
  binding->compiled = true;
  return true;
}

std::shared_ptr<const Program> interpreted(const ExprBinding& binding, Text* prepared) {
  const std::shared_ptr<const Program>& p = binding.program;
  if (!g_enabled || p == nullptr || !p->interpret || p->text.empty()) return nullptr;
  *prepared = core::text_view(p->text.data(), p->text.size());
  return p;
}

void set_enabled(bool enabled) { g_enabled = enabled; }

void cache_clear() {
  if (g_running == 0) forget_all();
}

}  // namespace script::compiled
