// What a form does with its actions: the moves (computing the fields that
// depend on the field left), F2, help, cancel and confirm.
#include "core/arena.h"
#include "core/errors.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/defs.h"
#include "ui/dialogs.h"
#include "ui/internal/form_state.h"
#include "ui/internal/state.h"

namespace ui::internal {

namespace {

// An expression key of the form's section run: 0, or its error (from 122).
Status run_key(int code) {
  core::ArenaScope scope;
  Text expr = defs::def_key_raw(code);
  if (expr.empty()) return 0;
  Status st = script::expr_status(expr);
  return st >= 122 ? st : 0;
}

// The field texts are kept with the screen window, then the window goes.
void end_form(FormRun* form, int action, int code, bool confirmed) {
  {
    core::ArenaScope scope;
    for (int n = 1; n <= field_count(); ++n) static_cast<void>(field_value(n));
  }
  form->ended = true;
  form->confirmed = confirmed;
  form->end_action = action;
  form->form_code = code;
  Handle w = form->window;
  form->window = kNone;
  window_destroy(w);
}

int cancel(FormRun* form, int action, int code) {
  if (Status st = run_key(defs::kKeyOnCancel); st != 0) return st;
  end_form(form, action, code, false);
  return 0;
}

int confirm(FormRun* form, int action) {
  // A field that cannot take its text keeps the form open, the field current.
  if (fields_check() != 0) return 0;
  if (Status st = run_key(defs::kKeyOnConfirm); st != 0) return st;
  if (Status st = form_output_line(); st >= 128) return st;
  end_form(form, action, 0, true);
  return 0;
}

int current_field(const FormRun* form) {
  const ScreenWindow* sw = screen_window_get(form->screen_window);
  return sw != nullptr ? sw->current_field : 0;
}

// The user leaves the field he is in: what depends on it is computed.
Status leave_field(FormRun* form) {
  form->field = 0;
  return form_compute_after(form, current_field(form));
}

// A field entered by a click: the field left before it counts as left.
Status field_entered(FormRun* form) {
  int now = current_field(form);
  Status st = form->field != 0 && form->field != now ? form_compute_after(form, form->field) : 0;
  form->field = now;
  return st;
}

int move(FormRun* form, int action) {
  if (Status st = leave_field(form); st != 0) return st;
  int r = field_move(action);
  form->field = current_field(form);
  return r;
}

int help(FormRun* form) {
  const ScreenWindow* sw = screen_window_get(form->screen_window);
  return field_help(sw != nullptr ? sw->current_field : 0);
}

}  // namespace

int form_action(void* data, int action) {
  auto* form = static_cast<FormRun*>(data);
  if (form->ended) return 0;
  switch (action_code(action)) {
    case kActNextField:
    case kActDown: {
      int r = move(form, action);
      if (r >= 122) return r;
      // Enter past the last field confirms the form.
      if (r == kEndOfFields && action_code(action) == kActNextField) {
        script::var_set_int(core::kSwLastKey, 0);
        return confirm(form, action_word(kActButton, kButtonConfirm));
      }
      return r == kEndOfFields ? 0 : r;
    }
    case kActPrevField:
    case kActUp:
      return move(form, action);
    case kActFieldEntered:
      return field_entered(form);
    case kActFieldWindow:
      return form_compute_all(form);
    case kActHelp:
      return help(form);
    case kActEscape:
      return cancel(form, action, kFormEndEscape);
    case kActClose:
      return cancel(form, action, kFormEndClose);
    case kActCtrlEnd:
      if (Status st = leave_field(form); st != 0) return st;
      return confirm(form, action);
    case kActButton:
      if (action_param(action) == kButtonConfirm) {
        script::var_set_int(core::kSwLastKey, 0);
        if (Status st = leave_field(form); st != 0) return st;
        return confirm(form, action);
      }
      if (action_param(action) == kButtonCancel) return cancel(form, action, kFormEndEscape);
      return 0;  // a form has no record operations for the other buttons
    case kActRefused:
      return core::BADDATA;
    case kActAppMessage:
      return scanner_input(action_param(action));
    case kActKeyboardLine:
      return scanner_input(kScanKeyboardLine);
    default:
      return 0;
  }
}

int form_end_code(void* data, int) { return static_cast<FormRun*>(data)->form_code; }

}  // namespace ui::internal
