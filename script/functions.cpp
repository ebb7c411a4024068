// The function list, the argument stack and the dispatch of a call.
#include "script/functions.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/eval.h"
#include "script/internal/fn_call.h"
#include "script/lexer.h"
#include "script/numbers.h"

namespace script {
namespace {

using core::ArenaScope;
using core::kNoPos;
using core::operator""_t;

constexpr Text kBuiltinList =
    "_#,FN#FLEN,FN#SLEN,FN#PARM,FN#VALN,FN#ACUM,CHK#,FILEFIND,FILEREL,FILELOCATE,FILESEL,"
    "FN$CHNG,FN$CHRS,FN$DATE,FN$FLDS,FN$MASK,FN$MIDS,FN$PARM,FN$TRIM,ENVELOP$,CHK$,SORT$,"
    "EXEC$,READ$,WRITE,MACRO$,ENVRON$,_$,KEY$,TIME$,IER,EXP$,SQLCHILD"_t;

// Fewest and most arguments, by function number (index 0 unused).
struct Bounds {
  int8_t min;
  int8_t max;
};
constexpr int8_t kAny = -1;
constexpr Bounds kBounds[kBuiltinFunctions + 1] = {
    {0, 0},
    {1, 3}, {1, 1}, {1, 1}, {1, 3}, {1, 3}, {4, 4}, {1, 1}, {1, 4}, {3, 4}, {1, 2}, {1, 2},
    {2, 4}, {1, 2}, {1, 2}, {1, 2}, {2, 3}, {2, 3}, {1, 3}, {1, 2}, {1, 2}, {1, 1}, {1, 4},
    {1, 2}, {1, 3}, {3, 3}, {1, 3}, {1, 2}, {0, 3}, {0, 4}, {1, 2}, {0, 1}, {1, 1}, {0, kAny},
};

// Arguments taken as written rather than evaluated, as a bit per position:
// FN#ACUM and SQLCHILD run their arguments themselves, FN$FLDS names a
// variable or field without reading it first.
uint32_t raw_arguments(int number) {
  switch (number) {
    case kFnAcum:
    case kFnSqlChild: return ~0u;
    case kFnFlds: return 1u;
    default: return 0u;
  }
}

// Argument-stack entries: a type byte, then the value.
constexpr char kTagNumber = 'N';
constexpr char kTagText = 'T';
constexpr char kTagAbsent = 'E';

DataFunctionHook g_data_hook = nullptr;
AppFunctionHook g_app_hook = nullptr;
ExecuteHook g_execute_hook = nullptr;
MacroExpander g_macro_expander = nullptr;
SettingsSaver g_settings_saver = nullptr;

Text function_list() {
  Text installed = core::slot_get(core::kGroupEnv, core::kEnvFunctionList);
  return installed.ok() && installed.len != 0 ? installed : kBuiltinList;
}

// The function list as a table of names, made again only when the list
// changes: a call looks its name up without reading the list through.
struct FunctionTable {
  std::string list;
  uint16_t count = 0;
  std::unordered_map<std::string, uint16_t> numbers;
};

const FunctionTable& function_table() {
  static FunctionTable table;
  static bool made = false;
  Text list = function_list();
  std::string_view now(list.ptr, list.len);
  if (made && now == table.list) return table;
  table = FunctionTable{};
  table.list.assign(now);
  table.count = core::list_count(list, ',');
  for (uint16_t i = table.count; i >= 1; --i) {
    core::ArenaScope scope;
    Text name = core::list_field(list, ',', i);
    table.numbers[std::string(core::text_bytes(name))] = i;  // the first of equal names wins
  }
  made = true;
  return table;
}

// Splits the argument text at ";" outside quotes and parentheses. More than
// kMaxArguments pieces: SINTAXERROR (the count is checked before anything
// is evaluated).
Status split_arguments(Text args, Text* pieces, int* count) {
  *count = 0;
  uint32_t pos = 0;
  while (pos <= args.len && args.len != 0) {
    if (*count == kMaxArguments) return core::SINTAXERROR;
    pieces[(*count)++] = fn::next_argument(args, &pos);
  }
  return 0;
}

Status push_argument(const Value& v, bool present) {
  ArenaScope scope;
  uint32_t size = !present ? 1u : v.is_text() ? 1u + v.text.len : 1u + sizeof v.number;
  if (size > core::kMaxTextLen) return core::STRINGTOOLONG;
  Status st = 0;
  char* entry = core::arena_new(size, &st);
  if (entry == nullptr) return st;
  if (!present) {
    entry[0] = kTagAbsent;
  } else if (v.is_text()) {
    entry[0] = kTagText;
    if (v.text.len != 0) std::memcpy(entry + 1, v.text.ptr, v.text.len);
  } else {
    entry[0] = kTagNumber;
    std::memcpy(entry + 1, &v.number, sizeof v.number);
  }
  return core::slot_append(core::kGroupArguments, core::text_view(entry, size));
}

void read_argument(Text entry, Value* v, bool* present) {
  *present = entry.len != 0 && entry.at(0) != kTagAbsent;
  if (entry.at(0) == kTagNumber && entry.len == 1 + sizeof v->number) {
    int64_t n = 0;
    std::memcpy(&n, entry.ptr + 1, sizeof n);
    *v = Value::num(n);
  } else {
    *v = Value::txt(core::text_sub(entry, 1, core::kToEnd));
  }
}

// Evaluates each argument onto the stack, releasing the arena in between so
// that large arguments do not pile up there, then reads them back.
Status evaluate_arguments(fn::Call& c, uint16_t base) {
  for (int i = 0; i < c.argc; ++i) {
    ArenaScope scope;
    Value v = Value::txt(Text{});
    bool present = c.raw[i].len != 0;
    if (present && (raw_arguments(c.number) >> i & 1u) != 0) {
      v = Value::txt(c.raw[i]);
    } else if (present) {
      Status st = expr_value(c.raw[i], &v);
      if (st >= 128) return st;
    }
    Status st = push_argument(v, present);
    if (st != 0) return st;
  }
  for (int i = 0; i < c.argc; ++i)
    read_argument(core::slot_get(core::kGroupArguments, static_cast<uint16_t>(base + i)), &c.arg[i], &c.present[i]);
  return 0;
}

Status dispatch(fn::Call& c, Value* out) {
  using namespace fn;
  switch (c.number) {
    case kFnWorkArray: return fn_work_array(c, out);
    case kFnFlen: return fn_flen(c, out);
    case kFnSlen: return fn_slen(c, out);
    case kFnNParm: return fn_nparm(c, out);
    case kFnValn: return fn_valn(c, out);
    case kFnAcum: return fn_acum(c, out);
    case kFnCheckNumber: return fn_check(c, out, false);
    case kFnFileFind:
    case kFnFileRel:
    case kFnFileLocate:
    case kFnKey:
    case kFnIer: return call_data_hook(c, out);
    case kFnFileSel: return fn_filesel(c, out);
    case kFnChng: return fn_chng(c, out);
    case kFnChrs: return fn_chrs(c, out);
    case kFnDate: return fn_date(c, out);
    case kFnFlds: return fn_flds(c, out);
    case kFnMask: return fn_mask(c, out);
    case kFnMids: return fn_mids(c, out);
    case kFnParm: return fn_parm(c, out);
    case kFnTrim: return fn_trim(c, out);
    case kFnEnvelop: return fn_envelop(c, out);
    case kFnCheckText: return fn_check(c, out, true);
    case kFnSort: return fn_sort(c, out);
    case kFnExec: return fn_exec(c, out);
    case kFnRead: return fn_read(c, out);
    case kFnWrite: return fn_write(c, out);
    case kFnMacro: return fn_macro(c, out);
    case kFnEnvron: return fn_envron(c, out);
    case kFnSlot: return fn_slot(c, out);
    case kFnTime: return fn_time(c, out);
    case kFnExp: return fn_exp(c, out);
    case kFnSqlChild: return fn_sqlchild(c, out);
    default: break;
  }
  // A name beyond the built-in list: the application's own function.
  Status st = c.pin();
  if (st != 0) return st;
  if (g_app_hook == nullptr) return missing_handler(core::FEATUREREMOVED, c.name);
  return g_app_hook(c.number, c.name, c.argc, c.arg, out);
}

// Prepares a call: the raw pieces and their count against the bounds.
// SQLCHILD takes any number of nested statements: they are run one by one,
// never pushed, so it reads the whole argument text itself.
Status prepare_call(fn::Call& c, Text args) {
  if (c.number < 1 || c.number > static_cast<int>(function_table().count))
    return core::SINTAXERROR;
  c.all = args;
  if (c.number == kFnSqlChild) return 0;
  Status st = split_arguments(args, c.raw, &c.argc);
  if (st != 0) return st;
  if (c.number <= kBuiltinFunctions) {
    const Bounds& b = kBounds[c.number];
    if (c.argc < b.min || (b.max != kAny && c.argc > b.max)) return core::SINTAXERROR;
  }
  return 0;
}

}  // namespace

namespace fn {

Text next_argument(Text args, uint32_t* pos) {
  uint16_t start = static_cast<uint16_t>(*pos);
  uint16_t at = start;
  for (;;) {
    uint16_t d = lex::next_delimiter(args, at);
    if (d < args.len && args.at(d) == '(') {
      uint16_t close = lex::matching_paren(args, d);
      // Unbalanced: the rest is one argument, which then fails to evaluate.
      if (close == kNoPos) d = args.len;
      else {
        at = static_cast<uint16_t>(close + 1);
        continue;
      }
    }
    if (d < args.len && args.at(d) != ';') {
      at = static_cast<uint16_t>(d + 1);
      continue;
    }
    *pos = d >= args.len ? args.len + 1u : d + 1u;
    return core::text_sub(args, start, static_cast<uint16_t>(d - start));
  }
}

int clip(int64_t v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : static_cast<int>(v)); }

Text Call::text(int i, Text fallback) const {
  if (!has(i)) return fallback;
  return arg[i].is_text() ? arg[i].text : number_to_text(arg[i].number);
}

int64_t Call::scaled(int i, int64_t fallback) const {
  if (!has(i)) return fallback;
  return arg[i].is_text() ? number_from_text(arg[i].text) : arg[i].number;
}

int64_t Call::integer(int i, int64_t fallback) const {
  if (!has(i)) return fallback;
  if (arg[i].is_text() && core::text_is_true(core::text_trim(arg[i].text, core::kTrimBoth))) return 1;
  return number_to_int(scaled(i));
}

Status Call::pin() {
  for (int i = 0; i < argc; ++i) {
    if (!arg[i].is_text()) continue;
    Text copy = core::text_copy(arg[i].text);
    if (!copy.ok()) return copy.len;
    arg[i].text = copy;
  }
  return 0;
}

uint16_t expression_end(Text s) {
  uint16_t pos = 0;
  for (;;) {
    uint16_t d = lex::next_delimiter(s, pos);
    if (d >= s.len) return s.len;
    uint8_t c = s.at(d);
    if (c == ',' || c == ';') return d;
    if (c == '(') {
      uint16_t close = lex::matching_paren(s, d);
      if (close == kNoPos) return s.len;
      pos = static_cast<uint16_t>(close + 1);
      continue;
    }
    pos = static_cast<uint16_t>(d + 1);
  }
}

Status missing_handler(Status code, Text what) {
  core::report_detail(code, what, true);
  return code;
}

Status call_data_hook(const Call& c, Value* out) {
  if (g_data_hook == nullptr) return missing_handler(core::NOVALUE, c.name);
  Call pinned = c;
  Status st = pinned.pin();
  if (st != 0) return st;
  Value result = Value::num(0);
  st = g_data_hook(c.number, pinned.argc, pinned.arg, &result);
  if (st >= 128) return st;
  bool text_result = core::text_find_char(c.name, '$', 0, true) != kNoPos;
  *out = (st != 0 && !text_result) ? Value::num(number_from_int(st)) : result;
  return 0;
}

Status call_execute_hook(Text target, Text arguments, Value* out) {
  if (g_execute_hook == nullptr) return missing_handler(core::FEATUREREMOVED, "EXEC$()"_t);
  return g_execute_hook(target, arguments, out);
}

SettingsSaver settings_saver() { return g_settings_saver; }

}  // namespace fn

int function_number(Text name) {
  if (!name.ok() || name.len == 0) return 0;
  const FunctionTable& table = function_table();
  auto found = table.numbers.find(std::string(core::text_bytes(name)));
  return found == table.numbers.end() ? 0 : found->second;
}

Status function_call(int number, Text name, Text args, Text rest, Value* out, uint16_t* consumed) {
  uint16_t ignored = 0;
  if (consumed == nullptr) consumed = &ignored;
  *consumed = 0;
  if (out == nullptr) return core::SINTAXERROR;
  *out = Value::num(0);
  if (!args.ok()) return args.len;
  ArenaScope scope;
  fn::Call c;
  c.number = number;
  c.name = name;
  c.rest = rest.ok() ? rest : Text{};
  c.consumed = consumed;
  Status st = prepare_call(c, args);
  if (st != 0) return st;

  uint16_t base = core::slot_count(core::kGroupArguments);
  Value result = Value::num(0);
  st = evaluate_arguments(c, base);
  if (st < 128) st = dispatch(c, &result);
  // A text result may be a view of an argument: keep it on the arena before
  // the stack is popped, which moves the slot store's texts.
  if (st < 128 && result.is_text()) {
    result.text = scope.keep(result.text);
    if (!result.text.ok()) st = result.text.len;
  }
  // The stack goes back to its size before the call whatever happened.
  (void)core::slot_truncate(core::kGroupArguments, base);
  if (st >= 128) {
    *consumed = 0;
    return st;
  }
  *out = result;
  return st;
}

Status function_assign(int number, Text name, Text args, const Value& value) {
  if (number != kFnWorkArray) return core::SINTAXERROR;
  if (value.is_text()) return core::TYPEMISMATCH;
  ArenaScope scope;
  fn::Call c;
  c.number = number;
  c.name = name;
  Status st = prepare_call(c, args);
  if (st != 0) return st;
  uint16_t base = core::slot_count(core::kGroupArguments);
  st = evaluate_arguments(c, base);
  int64_t element = -1;
  if (st < 128) st = c.pin();
  if (st < 128) st = fn::work_array_element(c, &element);
  (void)core::slot_truncate(core::kGroupArguments, base);
  if (st >= 128) return st;
  if (element < 0) return core::DATAOUTBOUND;
  return fn::work_array_store(element, value);
}

void data_function_hook_set(DataFunctionHook hook) { g_data_hook = hook; }
void app_function_hook_set(AppFunctionHook hook) { g_app_hook = hook; }
void execute_hook_set(ExecuteHook hook) { g_execute_hook = hook; }
void macro_expander_set(MacroExpander expander) { g_macro_expander = expander; }
Text macro_expand(Text text, int flags, Text list) {
  if (g_macro_expander == nullptr || !text.ok()) return text;
  return g_macro_expander(text, flags, list);
}
void settings_saver_set(SettingsSaver saver) { g_settings_saver = saver; }

}  // namespace script
