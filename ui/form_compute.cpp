// Computed fields of a form. ASSIGN$ holds one expression a field, in field
// order (an empty item: the field is typed, not computed). When the user
// leaves a field, the fields that depend on it are computed: those a key
// named after the field's variable with "$" added lists (in its order), or
// without such a key every computed field but the one left. F2 computes
// them all. A computed value goes into the field's variable, so that the
// field shows it at once and the expressions after it see it.
#include "core/arena.h"
#include "core/errors.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/internal/form_state.h"

namespace ui::internal {

namespace {

const ScreenField* screen_field(const FormRun* form, int field) {
  const ScreenWindow* sw = screen_window_get(form->screen_window);
  const Screen* screen = sw != nullptr ? screen_get(sw->screen) : nullptr;
  if (screen == nullptr || field < 1 || field > static_cast<int>(screen->fields.size())) return nullptr;
  return &screen->fields[static_cast<size_t>(field - 1)];
}

// Field n's expression of ASSIGN$ (empty when it is typed).
Text assignment(int field) {
  return core::text_trim(defs::def_key_raw(defs::kKeyAssign, static_cast<uint16_t>(field)), core::kTrimBoth);
}

// Evaluates field n's expression into its variable: 0 or the error.
Status compute(const FormRun* form, int field) {
  const ScreenField* f = screen_field(form, field);
  if (f == nullptr || f->variable.empty()) return 0;
  core::ArenaScope scope;
  Text expr = assignment(field);
  if (!expr.ok() || expr.empty()) return 0;
  Text value = script::expr_text(expr);
  if (!value.ok()) {
    Status st = core::text_error(value);
    core::report_detail(st, core::text_concat(core::text_concat(core::text_view(f->variable), "="_t), expr), true);
    return core::error_record(core::kRecord, core::Context::Screen, st, st);
  }
  Text written = screen_field_hook(core::text_view(f->variable), script::kHookWrite, value);
  return written.ok() ? 0 : core::text_error(written);
}

// The fields a dependency key names, when the section has that key.
bool listed_dependents(const FormRun* form, int field, std::vector<int>* out) {
  const ScreenField* f = screen_field(form, field);
  if (f == nullptr || f->variable.empty()) return false;
  core::ArenaScope scope;
  std::string key = f->variable + "$";
  Text raw = core::param_find(defs::def_section_current(), core::text_view(key));
  if (!raw.ok()) return false;
  *out = fields_of(core::text_unquote(core::text_trim(raw, core::kTrimBoth)));
  return true;
}

}  // namespace

Status form_compute_after(FormRun* form, int left) {
  std::vector<int> fields;
  if (!listed_dependents(form, left, &fields)) {
    for (int n = 1; n <= field_count(); ++n) {
      if (n != left) fields.push_back(n);
    }
  }
  for (int n : fields) {
    if (Status st = compute(form, n); st != 0) return st;
  }
  return 0;
}

Status form_compute_all(FormRun* form) {
  for (int n = 1; n <= field_count(); ++n) {
    if (Status st = compute(form, n); st != 0) return st;
  }
  return 0;
}

}  // namespace ui::internal
