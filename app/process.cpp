// Process names: bracketed expressions, the kind list, the dispatcher hook
// and the kinds the shell serves itself.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "script/eval.h"
#include "script/numbers.h"
#include "script/procedures.h"
#include "app/app.h"
#include "definitions/definitions.h"
#include "paths/paths.h"

namespace app {

const Text kProcessKinds =
    "Menu,Accept,AcceptRun,MantAux,MantMain,MantAuto,MantMovs,LnManMain,LnNavMain,PrcExec,Report,"
    "Reorg,Copy,FileTrans,Help,Perform,FontSet"_t;

namespace {

using core::ArenaScope;
using core::kNoPos;

Dispatcher g_dispatcher = nullptr;

Status failed(Status code, Text detail) {
  (void)core::report_detail(code, detail, false);
  return core::error_record(core::kRecord, core::Context::None, code, code);
}

// "Proceso no definido".
Status undefined_process() { return failed(core::NOVALUE, core::message_text("0031"_t)); }

// "Proceso no definido" with the kind named and why: a kind of the list
// this runtime does not serve, or a name that is no kind at all (a typing
// error).
Status undefined_process(Text kind, bool listed) {
  ArenaScope scope;
  Text why = listed ? " (not served by this runtime)"_t : " (no such process kind)"_t;
  Text detail = core::text_concat(core::text_concat(core::message_text("0031"_t), ": "_t), kind);
  return failed(core::NOVALUE, core::text_concat(detail, why));
}

// The value of one bracketed expression as text.
Text bracket_value(Text expr) {
  script::Value v;
  Status st = script::expr_value(expr, &v);
  if (st >= 128) return core::text_error_value(st);
  if (st != 0) return Text{};
  return v.is_text() ? v.text : script::number_to_text(v.number);
}

// The value of NAME in a keyed parameter list: trimmed, unquoted, as written.
Text list_value(Text list, Text name) {
  Text raw = core::param_find(list, name);
  return raw.ok() ? core::text_unquote(core::text_trim(raw, core::kTrimBoth)) : Text{};
}

// Every "[...]" outside quotes replaced by value(inside).
template <class Value>
Text expand_brackets(Text text, Value value) {
  if (!text.ok()) return text;
  ArenaScope scope;
  std::string out;
  uint32_t at = 0;
  while (at < text.len) {
    uint16_t open = core::text_find_char(text, '[', static_cast<uint16_t>(at), false);
    if (open == kNoPos) break;
    uint16_t close = core::text_find_char(text, ']', open + 1u, false);
    if (close == kNoPos) return core::text_error_value(core::SINTAXERROR);
    Text inside = core::text_sub(text, open + 1, static_cast<uint16_t>(close - open - 1u));
    Text v = value(inside);
    if (!v.ok()) return v;
    out.append(text.ptr + at, open - at).append(core::text_str(v));
    at = close + 1u;
  }
  if (at < text.len) out.append(text.ptr + at, text.len - at);
  return scope.keep(core::arena_text(out));
}

// The procedure files of the definition folder that match a pattern: one
// runs; among several the window layer offers a choice.
Status run_procedure_pattern(Text typed) {
  Text folder = paths::path_app(paths::AppPath::Default);
  Text names = paths::path_match_list(paths::path_join(folder, typed), ""_t);
  if (!names.ok()) return failed(names.len, typed);
  uint16_t count = core::list_count(names, ',');
  if (count == 0) return undefined_process();
  Text chosen = core::text_unquote(core::list_field(names, ',', 1));
  if (count > 1) {
    auto choose = window_hooks().choose_file;
    if (choose == nullptr) return undefined_process();
    chosen = choose(core::message_text("0088"_t), names);
    if (!chosen.ok()) return chosen.len;
    if (chosen.len == 0) return core::CANCELLED;
  }
  return script::proc_call(Text{}, paths::path_join(folder, chosen), Text{}, false);
}

Status run_procedure(Text argument) {
  ArenaScope scope;
  Text name = core::text_trim(argument, core::kTrimBoth);
  if (name.len == 0) return undefined_process();
  Text typed = defs::def_name_with_type(name, defs::kFtProcedure);
  if (!typed.ok()) return failed(typed.len, name);
  if (core::text_find_any(typed, "*?"_t, true) != kNoPos) return run_procedure_pattern(typed);
  Text path = defs::def_file_find(typed, defs::kFtProcedure);
  // A missing file is reported by the procedure loader, with its name.
  return script::proc_call(Text{}, path.len != 0 ? path : typed, Text{}, false);
}

}  // namespace

Text process_expand(Text name) { return expand_brackets(name, bracket_value); }

Text macro_expand(Text text, int flags, Text list) {
  if ((flags & kMacroFromList) == 0) return process_expand(text);
  if (!list.ok()) return list;
  return expand_brackets(text, [list](Text inside) { return list_value(list, inside); });
}

uint32_t process_code(Text name, Text* argument) {
  if (argument != nullptr) *argument = Text{};
  Text expanded = process_expand(name);
  if (!expanded.ok()) return expanded.len;
  Text s = core::text_trim(expanded, core::kTrimBoth);
  char sep = core::text_find_char(s, ' ', 0, false) != kNoPos ? ' ' : ',';
  uint16_t kind = core::list_index(kProcessKinds, ',', core::list_field(s, sep, 1));
  if (argument != nullptr) {
    uint16_t cut = core::text_find_char(s, sep, 0, false);
    *argument = cut == kNoPos
                    ? Text{}
                    : core::text_trim(core::text_sub(s, cut + 1, core::kToEnd), core::kTrimBoth);
  }
  return kind == 0 ? uint32_t{core::NOVALUE} : uint32_t{kind} << 16;
}

void dispatcher_set(Dispatcher dispatcher) { g_dispatcher = dispatcher; }

Dispatcher dispatcher_get() { return g_dispatcher != nullptr ? g_dispatcher : dispatch_default; }

Status dispatch_default(uint16_t kind, Text argument) {
  switch (kind) {
    case kPkPrcExec:
      return run_procedure(argument);
    case kPkReorg:
      return failed(core::FEATUREREMOVED, "DataFileReorgWiz"_t);
    case kPkCopy:
      return failed(core::FEATUREREMOVED, "DataFileCopyWiz"_t);
    case kPkFileTrans:
      return failed(core::FEATUREREMOVED, "FileTransWizzard"_t);
    default:
      return undefined_process(core::list_field(kProcessKinds, ',', kind), true);
  }
}

Status process_run(Text name) {
  ArenaScope scope;
  Text argument;
  uint32_t code = process_code(name, &argument);
  if (process_kind(code) == 0) {
    Status st = process_status(code);
    if (st == core::NOVALUE) {
      Text first = core::text_trim(name, core::kTrimBoth);
      uint16_t end = core::text_find_any(first, " ,"_t, true);
      return undefined_process(end == core::kNoPos ? first : core::text_sub(first, 0, end), false);
    }
    // The evaluator has recorded a failing expression with its own detail.
    return core::error_last().code == 0 ? failed(st, name) : st;
  }
  return dispatcher_get()(process_kind(code), argument);
}

}  // namespace app
