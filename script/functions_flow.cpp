// Functions that run expressions: the work array, sums, conditional rests,
// templates of the following operands, expression files, macros and nested
// record access.
#include <climits>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "script/eval.h"
#include "script/internal/fn_call.h"
#include "script/internal/proc_state.h"
#include "script/lexer.h"
#include "script/numbers.h"

namespace script::fn {
namespace {

using core::ArenaScope;
using core::kNoPos;
using core::operator""_t;

constexpr Text kWorkArray = "_#"_t;
constexpr Text kWorkNames = "_ACUMX$"_t;
constexpr int64_t kWorkArrayDefault = 256;
constexpr Text kFileTypes = "PPN,PAN,STP,DAT,DAT,PDC,PRX,QVA,PMT,PDF,TXT,PDI,HLP"_t;
constexpr uint16_t kTypeExpressions = 7;  // PRX
constexpr int kMaxPlaceholders = 64;
constexpr int16_t kMaxSqlLevel = 7;

Text concat3(Text a, Text b, Text c) { return core::text_concat(core::text_concat(a, b), c); }

// Defines the work array with `size` as its dimension unless it exists.
Status work_array_ensure(int64_t size) {
  if (array_exists(kWorkArray)) return 0;
  if (size < 0 || size > INT32_MAX) return core::DATAOUTBOUND;
  int32_t index = static_cast<int32_t>(size);
  Value ignored;
  return array_get(kWorkArray, &index, 1, &ignored);
}

int64_t saturating_add(int64_t a, int64_t b) {
  int64_t s = 0;
  if (__builtin_add_overflow(a, b, &s)) return b > 0 ? INT64_MAX : INT64_MIN;
  return s;
}

// An evaluated expression as a number; a text is read as a number.
Status eval_number(Text expr, int64_t* value) {
  ArenaScope scope;
  Value v;
  Status st = expr_value(expr, &v);
  if (st >= 128) return st;
  *value = v.is_text() ? number_from_text(v.text) : v.number;
  return 0;
}

// The file's extension is the type PRX of the definition-file types.
bool is_expression_file(Text file) {
  uint16_t dot = core::text_find_last_char(file, '.');
  if (dot == kNoPos) return false;
  uint16_t slash = core::text_find_last_any(file, "/\\"_t);
  if (slash != kNoPos && slash > dot) return false;
  Text ext = core::text_case(core::text_sub(file, dot + 1, core::kToEnd), core::Case::Upper);
  return core::list_index(kFileTypes, ',', ext) == kTypeExpressions;
}

// The file's lines joined with ";"; empty lines and end-of-file marks are
// left out.
Text join_lines(Text body) {
  Status st = 0;
  char* out = core::arena_new(body.len, &st);
  if (out == nullptr) return core::text_error_value(st);
  uint16_t n = 0;
  uint32_t i = 0;
  while (i < body.len) {
    uint32_t start = i;
    while (i < body.len && body.at(i) != '\r' && body.at(i) != '\n') ++i;
    Text line = core::text_sub(body, static_cast<int>(start), static_cast<uint16_t>(i - start));
    if (i < body.len && body.at(i) == '\r' && body.at(i + 1) == '\n') ++i;
    ++i;
    if (line.len == 0 || (line.len == 1 && line.at(0) == 0x1A)) continue;
    if (n != 0) out[n++] = ';';
    for (uint16_t k = 0; k < line.len && n < body.len; ++k) out[n++] = line.ptr[k];
  }
  return core::text_view(out, n);
}

Status value_text(const Value& v, Value* out) {
  Text t = v.is_text() ? v.text : number_to_text(v.number);
  if (!t.ok()) return t.len;
  *out = Value::txt(t);
  return 0;
}

// SQLCHILD's notice to the data layer: 1 entering the child level, 0 leaving.
Status notify_child_level(const Call& c, int entering) {
  Call notice;
  notice.number = c.number;
  notice.name = c.name;
  notice.argc = 1;
  notice.present[0] = true;
  notice.arg[0] = Value::num(number_from_int(entering));
  Value ignored;
  return call_data_hook(notice, &ignored);
}

}  // namespace

Status work_array_element(const Call& c, int64_t* element) {
  *element = -1;
  int64_t base = 0;
  if (c.is_text(0)) {
    // A name: its position in the comma list of _ACUMX$, counted from 0.
    ArenaScope scope;
    Value names;
    Status st = var_get_value(kWorkNames, &names);
    if (st != 0) return st;
    uint16_t at = core::list_index(names.is_text() ? names.text : Text{}, ',', c.arg[0].text);
    if (at == 0) return 0;
    base = at - 1;
  } else {
    base = c.integer(0);
  }
  *element = base + c.integer(1, 0);
  return 0;
}

Status work_array_store(int64_t element, const Value& value) {
  if (element < 0 || element > INT32_MAX) return core::DATAOUTBOUND;
  Status st = work_array_ensure(element > kWorkArrayDefault ? element : kWorkArrayDefault);
  if (st != 0) return st;
  int32_t index = static_cast<int32_t>(element);
  return array_set(kWorkArray, &index, 1, value);
}

// ("CLS"; to; from) clears, ("DIM"; size) defines, (name-or-number; offset)
// reads an element; an undefined array reads as 0.
Status fn_work_array(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  *out = Value::num(0);
  Text word = c.is_text(0) ? core::text_case(c.arg[0].text, core::Case::Upper) : Text{};
  if (core::text_equal(word, "CLS"_t)) {
    int64_t to = c.integer(1, kWorkArrayDefault);
    int64_t from = c.integer(2, 0);
    if (from < 0) from = 0;
    st = work_array_ensure(to > kWorkArrayDefault ? to : kWorkArrayDefault);
    for (int64_t i = from; st == 0 && i <= to; ++i) st = work_array_store(i, Value::num(0));
    return st;
  }
  if (core::text_equal(word, "DIM"_t)) return work_array_ensure(c.integer(1, kWorkArrayDefault));
  int64_t element = -1;
  st = work_array_element(c, &element);
  if (st != 0 || element < 0 || !array_exists(kWorkArray)) return st;
  if (element > INT32_MAX) return core::DATAOUTBOUND;
  int32_t index = static_cast<int32_t>(element);
  Value v;
  st = array_get(kWorkArray, &index, 1, &v);
  if (st != 0) return st;
  *out = v.is_text() ? Value::num(number_from_text(v.text)) : v;
  return 0;
}

// (term; counter; from; to) as expressions: counter = from, then while the
// counter is at most to, the term is added and the counter stepped.
Status fn_acum(Call& c, Value* out) {
  Text term = c.raw[0];
  Text counter = c.raw[1];
  int64_t ignored = 0;
  Status st = eval_number(concat3(counter, "="_t, c.raw[2]), &ignored);
  if (st != 0) return st;
  Text step = concat3(counter, "="_t, core::text_concat(counter, "+1"_t));
  if (!step.ok()) return step.len;
  int64_t sum = 0;
  for (uint32_t round = 1;; ++round) {
    // A huge range must not freeze the window: the user can cancel it.
    if ((round & 1023u) == 0 && internal::pump_cancelled()) return core::CANCELLED;
    int64_t at = 0, to = 0, value = 0, next = 0;
    if ((st = eval_number(counter, &at)) != 0) return st;
    if ((st = eval_number(c.raw[3], &to)) != 0) return st;
    if (number_to_int(at) > number_to_int(to)) break;
    if ((st = eval_number(term, &value)) != 0) return st;
    sum = saturating_add(sum, value);
    if ((st = eval_number(step, &ignored)) != 0) return st;
    if ((st = eval_number(counter, &next)) != 0) return st;
    // A counter that cannot grow (an integer at its limit) would never end.
    if (number_to_int(next) <= number_to_int(at)) break;
  }
  *out = Value::num(sum);
  return 0;
}

// CHK#(condition) / CHK$(condition) followed by the rest of the expression
// (up to its "," or ";"): the rest when the condition holds, else 0 or the
// empty text. A rest of the other type: ATYPICAL.
Status fn_check(Call& c, Value* out, bool text_result) {
  Value none = text_result ? Value::txt(Text{}) : Value::num(0);
  *out = none;
  int64_t condition = c.integer(0);
  uint16_t end = expression_end(c.rest);
  *c.consumed = end;
  if (condition == 0 || end == 0) return 0;
  Value v;
  Status st = expr_value(core::text_sub(c.rest, 0, end), &v);
  if (st >= 128) return st;
  if (v.is_text() != text_result) return core::ATYPICAL;
  *out = v;
  return 0;
}

// EXP$(template): the placeholders $1_, $2_, ... replaced by the source texts
// of as many operands following the call.
Status fn_exp(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  Text result = c.text(0);
  int wanted = 0;
  while (wanted < kMaxPlaceholders) {
    Text mark = core::text_format(16, "$%d_", wanted + 1);
    if (!mark.ok() || core::text_find(result, mark, true) == kNoPos) break;
    ++wanted;
  }
  Text rest = core::text_sub(c.rest, 0, expression_end(c.rest));
  uint16_t pos = 0;
  for (int i = 0; i < wanted && pos < rest.len; ++i) {
    uint16_t start = pos;
    uint16_t d = lex::next_delimiter(rest, pos);
    while (d < rest.len && rest.at(d) == '(') {
      uint16_t close = lex::matching_paren(rest, d);
      if (close == kNoPos) return core::LOOPFAIL;
      d = lex::next_delimiter(rest, static_cast<uint16_t>(close + 1));
    }
    Text operand = core::text_sub(rest, start, static_cast<uint16_t>(d - start));
    result = core::text_replace(result, core::text_format(16, "$%d_", i + 1), operand, true);
    if (!result.ok()) return result.len;
    pos = d;
    *c.consumed = pos;
    // The operator between two operands belongs to the template too.
    if (i + 1 < wanted && pos < rest.len) {
      lex::Operator op = lex::read_operator(rest, pos);
      pos = static_cast<uint16_t>(pos + (op.length > 0 ? op.length : 1));
    }
  }
  *out = Value::txt(result);
  return 0;
}

// EXEC$(file; arguments): an expression file without arguments is read from
// the definition folders and run; anything else goes to the execute handler.
Status fn_exec(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  Text file = c.text(0);
  Text arguments = c.text(1);
  if (!is_expression_file(file) || arguments.len != 0) return call_execute_hook(file, arguments, out);
  Text path = definition_file_find(file);
  if (path.len == 0) return missing_handler(core::FILENOTFOUND, file);
  Text body = core::file_load(path, 0, core::kToEnd);
  if (!body.ok()) return body.len;
  Text list = join_lines(body);
  if (!list.ok()) return list.len;
  *out = Value::txt(Text{});
  if (list.len == 0) return 0;
  Value v;
  st = expr_value(list, &v);
  if (st >= 128) return st;
  if (st == core::NULLEXPR) return 0;
  return value_text(v, out);
}

// MACRO$(text; flags; list): expanded by the shell's expander; with flag 8
// the expansion is trimmed and evaluated, and its text is the result.
Status fn_macro(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  int flags = clip(c.integer(1, 0), INT_MIN, INT_MAX);
  Text text = c.text(0);
  text = macro_expand(text, flags, c.text(2));
  if (!text.ok()) return text.len;
  *out = Value::txt(text);
  if ((flags & 8) == 0) return 0;
  Text expr = core::text_trim(text, core::kTrimBoth);
  *out = Value::txt(Text{});
  if (expr.len == 0) return 0;
  Value v;
  st = expr_value(expr, &v);
  if (st >= 128) return st;
  if (st == core::NULLEXPR) return 0;
  return value_text(v, out);
}

// SQLCHILD(work; ...): runs the nested work one level down the session
// stack, keeping the caller's _CURROW and _IER.
Status fn_sqlchild(Call& c, Value* out) {
  *out = Value::num(0);
  int16_t level = var_get_int(core::kSwSqlStk);
  if (level >= kMaxSqlLevel) return core::STROUTBOUND;
  int16_t row = var_get_int(core::kSwCurRow);
  int16_t ier = var_get_int(core::kSwIer);
  var_set_int(core::kSwSqlStk, static_cast<int16_t>(level + 1));
  var_set_int(core::kSwCurRow, 0);
  Status st = notify_child_level(c, 1);
  if (st >= 128) {
    var_set_int(core::kSwSqlStk, level);
    var_set_int(core::kSwCurRow, row);
    return st;
  }
  uint32_t pos = 0;
  while (st < 128 && pos <= c.all.len && c.all.len != 0) {
    Text work = next_argument(c.all, &pos);
    if (work.len == 0) continue;
    ArenaScope scope;
    Value ignored;
    st = expr_value(work, &ignored);
  }
  // Leave the child level even after a failure; the first failure counts.
  Status left = notify_child_level(c, 0);
  if (st < 128) st = left;
  var_set_int(core::kSwSqlStk, level);
  var_set_int(core::kSwCurRow, row);
  var_set_int(core::kSwIer, ier);
  return st >= 128 ? st : Status{0};
}

}  // namespace script::fn
