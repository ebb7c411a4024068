// The statements that pass values: CALL and LOCALVARS over the argument
// stack (group 35 of the slot store), and the handler statements ACCEPT to
// SYSTEM, whose evaluated arguments go to the installed statement handler.
#include <algorithm>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/functions.h"
#include "script/internal/proc_state.h"
#include "script/numbers.h"

namespace script {
namespace {

using core::Context;
using core::operator""_t;
using internal::ProcState;

std::string to_string(Text t) { return t.ok() ? std::string(t.ptr, t.len) : std::string(); }

Status localvars_error() {
  core::report_detail(core::SINTAXERROR, "LOCALVARS"_t, false);
  return core::error_record(core::kRecord, Context::ExecRunTime, core::SINTAXERROR, core::SINTAXERROR);
}

StatementHandler current_handler(const ProcState& s) {
  for (StatementHandler h : s.handlers)
    if (h != nullptr) return h;
  return nullptr;
}

// A field of a CALL head ("entry,file,local"): its value when it evaluates
// to a text, else the field as written. Trying it must leave no trace, so an
// error it raises is taken back from the record and the detail.
std::string head_name(Text field) {
  field = core::text_trim(field, core::kTrimBoth);
  if (field.len == 0) return std::string();
  const core::ErrorRecord before = core::error_last();
  const std::string detail = to_string(core::error_detail());
  core::ArenaScope scope;
  Value v;
  Status st = expr_value(field, &v);
  if (st < 128 && v.is_text()) return to_string(v.text);
  if (before.code == 0 && core::error_last().code != 0) core::error_record(core::kForce, Context::None, 0, 0);
  core::report_detail(0, core::text_view(detail), false);
  return to_string(field);
}

// One evaluated argument as a handler receives it.
struct Evaluated {
  ArgKind kind = ArgKind::Number;
  int32_t integer = 0;
  int64_t number = 0;
};

Status evaluate(Text expr, Evaluated* out, Text* text) {
  Value v;
  Status st = expr_value(expr, &v);
  if (st >= 128) return st;
  if (v.is_text()) {
    *out = Evaluated{ArgKind::Text, 0, 0};
    *text = v.text;
  } else {
    int64_t i = number_to_int(v.number);
    i = std::clamp<int64_t>(i, INT32_MIN, INT32_MAX);
    *out = Evaluated{ArgKind::Number, static_cast<int32_t>(i), v.number};
    *text = number_to_text(v.number);
  }
  return text->ok() ? Status{0} : text->len;
}

}  // namespace

namespace internal {

Status split_arguments(Text list, std::vector<Text>* items) {
  items->clear();
  list = core::text_trim(list, core::kTrimBoth);
  if (!list.ok()) return list.len;
  if (list.len == 0) return 0;
  uint32_t start = 0;
  int depth = 0;
  for (uint32_t i = 0; i <= list.len; ++i) {
    const uint8_t c = list.at(i);
    if (i < list.len && (c == '\'' || c == '"')) {
      uint16_t after = core::text_skip_quoted(list, static_cast<uint16_t>(i));
      if (after == core::kNoPos) i = list.len - 1;  // an unclosed quote hides the rest
      else i = after - 1u;
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && depth > 0) --depth;
    if (i < list.len && (c != ',' || depth > 0)) continue;
    if (items->size() == kMaxCallArguments)
      return core::error_record(core::kRecord, Context::ExecRunTime, core::SINTAXERROR, core::SINTAXERROR);
    items->push_back(Text{list.ptr + start, static_cast<uint16_t>(i - start)});
    start = i + 1;
  }
  return 0;
}

Status push_arguments(Text list) {
  ProcState* s = proc_state();
  // A copy: the list may be a view into the slot store, which pushing changes.
  const std::string own = to_string(list);
  std::vector<Text> items;
  Status st = split_arguments(core::text_view(own), &items);
  if (st != 0) return st;
  const uint16_t base = core::slot_count(core::kGroupArguments);
  for (Text item : items) {
    core::ArenaScope scope;
    Evaluated e;
    Text text;
    st = evaluate(item, &e, &text);
    if (st == 0) st = core::slot_append(core::kGroupArguments, text);
    if (st != 0) {
      cut_arguments(base);
      return st;
    }
    if (e.kind == ArgKind::Number)
      s->stacked_numbers.push_back(
          StackedNumber{static_cast<uint16_t>(core::slot_count(core::kGroupArguments) - 1), e.number, to_string(text)});
  }
  return 0;
}

void cut_arguments(uint16_t count) {
  if (core::slot_count(core::kGroupArguments) > count) (void)core::slot_truncate(core::kGroupArguments, count);
  if (ProcState* s = proc_state()) {
    auto& numbers = s->stacked_numbers;
    while (!numbers.empty() && numbers.back().slot >= count) numbers.pop_back();
  }
}

Status pop_argument(Value* out) {
  ProcState* s = proc_state();
  const uint16_t count = core::slot_count(core::kGroupArguments);
  if (count <= s->argument_floor) return localvars_error();
  const auto top = static_cast<uint16_t>(count - 1);
  Text text = core::slot_get(core::kGroupArguments, top);
  auto& numbers = s->stacked_numbers;
  while (!numbers.empty() && numbers.back().slot > top) numbers.pop_back();  // left by others' pops
  if (!numbers.empty() && numbers.back().slot == top && core::text_view(numbers.back().text).len == text.len &&
      core::text_equal(core::text_view(numbers.back().text), text)) {
    *out = Value::num(numbers.back().value);
    numbers.pop_back();
  } else {
    Text copy = core::text_copy(text);
    if (!copy.ok()) return copy.len;
    *out = Value::txt(copy);
  }
  return core::slot_pop(core::kGroupArguments);
}

// LOCALVARS -> name { "," name }: the last name takes the top argument.
Status run_localvars_statement(Text names) {
  const uint16_t count = core::list_count(names, ',');
  for (uint16_t n = count; n >= 1; --n) {
    Text name = core::text_trim(core::list_field(names, ',', n), core::kTrimBoth);
    const int kind = var_kind(name);
    if (name.len == 0 || (kind != kKindInt && kind != kKindNumber && kind != kKindText))
      return core::error_record(core::kRecord, Context::ExecRunTime, core::TYPEMISMATCH, core::TYPEMISMATCH);
    Value v;
    Status st = pop_argument(&v);
    if (st == 0) st = var_set_value(name, v);
    if (st != 0) return st;
  }
  return 0;
}

// CALL -> entry [ "," file [ "," local ] ] [ blank argument { "," argument } ]
Status run_call_statement(Text argument) {
  Text arg = core::text_trim(argument, core::kTrimBoth);
  const uint16_t cut = core::text_find_any(arg, " \t"_t, false);
  Text head = cut == core::kNoPos ? arg : core::text_sub(arg, 0, cut);
  Text list = cut == core::kNoPos ? Text{} : core::text_sub(arg, cut + 1, core::kToEnd);
  const std::string entry = head_name(core::list_field(head, ',', 1));
  const std::string file = head_name(core::list_field(head, ',', 2));
  bool local = true;
  Text flag = core::text_trim(core::list_field(head, ',', 3), core::kTrimBoth);
  if (flag.len > 0) {
    core::ArenaScope scope;
    Value v;
    Status st = expr_value(flag, &v);
    if (st >= 128) return st;
    local = !v.is_text() && number_to_int(v.number) != 0;
  }
  return proc_call(core::text_view(entry), core::text_view(file), list, local);
}

// handler statement -> KEYWORD [ expression { "," expression } ]
Status run_handler_statement(const Statement& st) {
  ProcState* s = proc_state();
  StatementHandler handler = current_handler(*s);
  if (handler == nullptr) return core::FEATUREREMOVED;
  // The macros of the argument text are expanded before it is split.
  std::string argument;
  {
    core::ArenaScope expanding;
    Text expanded = macro_expand(core::text_view(st.argument), 0, Text{});
    if (!expanded.ok()) return expanded.len;
    argument = to_string(expanded);
  }
  std::vector<Text> items;
  Status code = split_arguments(core::text_view(argument), &items);
  if (code != 0) return code;

  const uint16_t base = core::slot_count(core::kGroupArguments);
  Evaluated evaluated[kMaxCallArguments];
  for (size_t i = 0; i < items.size(); ++i) {
    core::ArenaScope scope;
    Text text;
    code = evaluate(items[i], &evaluated[i], &text);
    if (code == 0) code = core::slot_append(core::kGroupArguments, text);
    if (code != 0) {
      cut_arguments(base);
      return code;
    }
  }
  // Off the stack into the records, first argument first.
  const auto argc = static_cast<uint16_t>(items.size());
  std::string texts[kMaxCallArguments];
  Text views[kMaxCallArguments];
  ArgKind kinds[kMaxCallArguments];
  int32_t integers[kMaxCallArguments];
  for (uint16_t i = 0; i < argc; ++i) {
    texts[i] = to_string(core::slot_get(core::kGroupArguments, static_cast<uint16_t>(base + i)));
    views[i] = core::text_view(texts[i]);
    kinds[i] = evaluated[i].kind;
    integers[i] = evaluated[i].integer;
  }
  cut_arguments(base);
  return handler(st.code, argc, kinds, integers, views);
}

}  // namespace internal

Status statement_handler_set(uint16_t slot, StatementHandler handler) {
  ProcState* s = internal::proc_state();
  if (s == nullptr) return core::INTERNAL;
  if (slot >= kStatementHandlerSlots) return core::SINTAXERROR;
  s->handlers[slot] = handler;
  return 0;
}

}  // namespace script
