// The results of a confirmed form, the OUTPUT line, the process functions
// and AcceptRun.
#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "formats/formats.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "paths/paths.h"
#include "ui/defs.h"
#include "ui/internal/form_state.h"
#include "ui/internal/state.h"

namespace ui {

namespace {


// A value quoted with "'" as the values list holds it (with '"' when it
// holds an apostrophe).
Text quoted(Text value) {
  Text q = core::text_quote(value, '\'');
  return q.ok() ? q : core::text_concat(core::text_concat("'"_t, value), "'"_t);
}

// Runs target=value: a text as a quoted literal, a number cleaned, an
// empty number as 0.
Status run_target(const std::string& target, Text text, bool numeric) {
  core::ArenaScope scope;
  Text literal;
  if (numeric) {
    literal = text.empty() ? "0"_t : formats::number_clean(text);
    if (literal.empty()) literal = "0"_t;
  } else {
    literal = core::text_quote(text, '\'');
    if (!literal.ok()) return core::text_error(literal);
  }
  Text statement = core::text_concat(core::text_concat(core::text_view(target), "="_t), literal);
  Status st = script::expr_status(statement);
  return st >= 122 ? st : 0;
}

// ProcessFunction table of the current context.
ProcessFunction* functions() {
  internal::UiState* s = internal::state();
  return s != nullptr ? s->process_functions : nullptr;
}

// A line and CR LF appended to the file of the OUTPUT option.
Status output_line(Text line) {
  core::ArenaScope scope;
  Text file = paths::env_option_value("OUTPUT"_t);
  if (file.empty()) return 0;
  return core::file_append(file, core::text_concat(line, "\r\n"_t));
}

}  // namespace

namespace internal {

Status form_output_line() {
  if (script::var_get_int(core::kSwOutHnd) == 0) return 0;
  core::ArenaScope scope;
  Text line{};
  for (int n = 1; n <= field_count(); ++n) {
    line = core::text_join(line, ","_t, quoted(field_value(n)));
  }
  return output_line(line);
}

Status form_collect(FormRun* form, FormResult* result) {
  const ScreenWindow* sw = screen_window_get(form->screen_window);
  if (sw == nullptr) return core::SCREENENV;
  core::ArenaScope scope;
  Text values{}, condition{};
  for (size_t i = 0; i < form->list.fields.size(); ++i) {
    const FormField& f = form->list.fields[i];
    const std::string& name = !f.parts[2].empty() ? f.parts[2] : f.parts[0];
    if (name.empty()) {
      core::report_detail(core::NOVALUE, core::int_to_text(static_cast<int64_t>(i + 1)), false);
      return core::error_record(core::kRecord, core::Context::Screen, core::NOVALUE, core::NOVALUE);
    }
    bool numeric = field_is_numeric(f.type);
    Text text = core::text_view(sw->texts[i]);
    if (!numeric && (form->flags & kFormTrim) != 0) text = core::text_trim(text, core::kTrimRight);
    std::string target = f.parts[4];
    if (target.empty() && (form->flags & kFormTargets) != 0 && f.comparison == 0) target = f.parts[2];
    if (!target.empty()) {
      // A number goes in bare: the field's type or the target variable's kind says so.
      Text t = core::text_view(target);
      int kind = script::var_kind(t);
      bool number_target = (kind == script::kKindInt || kind == script::kKindNumber) &&
                           core::text_find_char(t, '{', 0, true) == core::kNoPos;
      if (Status st = run_target(target, text, numeric || number_target); st != 0) return st;
    }
    values = core::text_join(values, ","_t, quoted(text));
    if (f.comparison != 0 && !text.empty()) {
      const std::string& variable = !f.parts[2].empty() ? f.parts[2] : f.variable;
      condition = script::cond_join(condition, script::cond_compare(core::text_view(variable), f.comparison, text, f.type),
                                    "&&"_t);
    }
  }
  Text write = defs::def_key_raw(defs::kKeyWrite);
  if (!write.empty()) {
    Status st = script::expr_status(write);
    if (st >= 122) return st;
  }
  result->values.assign(values.ptr != nullptr ? values.ptr : "", values.ok() ? values.len : 0);
  result->condition.assign(condition.ptr != nullptr ? condition.ptr : "", condition.ok() ? condition.len : 0);
  return 0;
}

}  // namespace internal

void process_function_set(int number, ProcessFunction function) {
  ProcessFunction* table = functions();
  if (table != nullptr && number > 0 && number < kProcessFunctions) table[number] = function;
}

ProcessFunction process_function(int number) {
  ProcessFunction* table = functions();
  return table != nullptr && number > 0 && number < kProcessFunctions ? table[number] : nullptr;
}

Status accept_run(Text argument) {
  core::ArenaScope scope;
  Text file = defs::def_name_with_type(core::text_trim(core::list_field(argument, ',', 1), core::kTrimBoth),
                                        defs::kFtParams);
  int section = core::list_field_int(argument, ',', 2);
  int32_t loaded = defs::def_section_load(file, 1, section);
  if (loaded != 0) {
    Status st = loaded == defs::kNoFile ? core::FILENOTFOUND : static_cast<Status>(loaded);
    core::report_detail(st, file, false);
    return core::error_record(core::kRecord, core::Context::Screen, st, st);
  }
  Text bound = defs::def_key_raw(defs::kKeyAcBound);
  if (bound.empty()) {
    static_cast<void>(defs::def_section_release());
    core::report_detail(core::NOVALUE, "ACBOUND$"_t, false);
    return core::error_record(core::kRecord, core::Context::Screen, core::NOVALUE, core::NOVALUE);
  }
  // The section's own keys (ON_CONFIRM$, FD$ ...) serve as the form's
  // options after any the field list brings.
  bool has_options = core::text_find(bound, " /"_t, false) != core::kNoPos;
  Text list = core::text_concat(core::text_concat(bound, has_options ? " "_t : " /"_t),
                                defs::def_section_current());
  FormRequest request;
  request.title = defs::def_key_raw(defs::kKeyWinName);
  request.fields = list;
  int function = defs::def_key_raw_number(defs::kKeyAcceptPrc);
  FormResult result;
  Status st = form_run(request, &result);
  if (st == 0 && function > 0) {
    if (ProcessFunction fn = process_function(function)) st = fn(core::text_view(result.values));
  }
  static_cast<void>(defs::def_section_release());
  return st;
}

}  // namespace ui
