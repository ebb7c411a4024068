// The actions of a maintenance window: the action buttons and function
// keys, find by key, the index cycle, leaving with Esc, a field's window,
// help, keyboard lines and closing.
#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/slots.h"
#include "data/recop.h"
#include "data/records.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "paths/paths.h"
#include "ui/dialogs.h"
#include "ui/internal/maint_state.h"
#include "ui/internal/state.h"

namespace ui::internal {

namespace {

// The window's answer whether an operation may run: 124 when it may. An
// action that is no record operation, or whose button the mode disables,
// may not.
int operation_allowed(const MantWindow* m, int code, int word) {
  if (word == data::kWordNone) return 0;
  return button_disabled(button_mask(m->set, code), m->mode) ? 0 : kOperationAllowed;
}

int button(MantWindow* m, int code) {
  if (code == kButtonCancel) {
    bool searching = m->mode == kModeSearch;
    m->mode = kModeSearch;
    if (searching) {
      next_index(m);
    } else if (m->file != 0) {
      static_cast<void>(data::buffer_restore(m->file));
    }
    fields_refresh(m, kRefreshValues);
    status_show(m);
    return kDone;
  }
  // Saving a record that is not in the file yet is a new record's save.
  if (code == kBtnSve && script::var_get_int(core::kSwIer) != 0) code = kBtnNew;
  int word = data::action_word(code) & ~m->voidmode;
  if (operation_allowed(m, code, word) != kOperationAllowed) return kDone;
  Status st = record_prepare(m, word);
  if (st != 0) {
    // A refused field has told the user already.
    if (st != core::CANCELLED) core::error_box(st);
    return kDone;
  }
  st = record_op(m, word);
  // A write that failed wrote nothing: the window stays in its mode with
  // what was typed, so that the user can correct it and save again.
  bool write_failed = st >= 128 && (word & 0xFF00) != 0;
  if (st != core::CANCELLED && !m->closed && !write_failed) {
    m->mode = mode_after(code, word, st);
    status_show(m);
  }
  return kDone;
}

// Esc: editing is left for searching (after a question when typed changes
// would be lost), searching for the header mode, and that (or searching
// with nothing typed) ends the window.
int leave(MantWindow* m) {
  // Only what was typed can be lost: a record just looked at is left
  // without a question.
  bool changed = m->mode > kModeSearch && (fields_typed(m) || (m->file != 0 && data::buffer_changed(m->file)));
  if (changed) {
    core::ArenaScope scope;
    if (!ask(core::message_text_c("0018"))) return kDone;
    static_cast<void>(data::buffer_restore(m->file));
    static_cast<void>(record_op(m, data::kWordNew & 0xFF));
  }
  if (m->file == 0 || m->mode <= kModeDocType || (m->mode == kModeSearch && !fields_typed(m))) {
    mant_close(m);
    return kLeaveEnds;
  }
  m->mode = m->mode == kModeSearch ? kModeHeader : kModeSearch;
  status_show(m);
  fields_focus_first(m);
  return kDone;
}

// The current field's window (WINDOWS$): a process name and an optional
// condition after ";". What the lookup window was left on becomes the
// field's text.
int field_window(MantWindow* m) {
  ScreenWindow* sw = screen_window_get(m->screen_window);
  if (sw == nullptr) return kDone;
  int field = sw->current_field;
  core::ArenaScope scope;
  Text item = core::text_unquote(core::text_trim(defs::def_key_raw(defs::kKeyWindows, static_cast<uint16_t>(field)), core::kTrimBoth));
  if (item.empty()) return kDone;
  Text process = core::text_trim(core::list_field(item, ';', 1), core::kTrimBoth);
  uint16_t semicolon = core::text_find_char(item, ';', 0, false);
  if (semicolon != core::kNoPos) {
    Text condition = core::text_sub(item, semicolon + 1, core::kToEnd);
    Status holds = script::expr_cond(condition);
    if (holds >= 128) return holds;
    if (holds != 1) return kDone;
  }
  UiState* s = state();
  s->lookup.pending = true;
  s->lookup.seed = core::text_str(core::text_trim(field_value(field), core::kTrimBoth));
  s->lookup.answer.clear();
  Status st = process_by_name(process);
  s->lookup.pending = false;
  s->lookup.seed.clear();
  if (!m->closed && !s->lookup.answer.empty()) {
    screen_window_make_current(m->screen_window);
    static_cast<void>(field_set(field, core::text_view(s->lookup.answer)));
    s->lookup.answer.clear();
  }
  return st == core::CANCELLED || st < 122 ? kDone : st;
}

bool has_field_window(int field) {
  core::ArenaScope scope;
  return !core::text_trim(defs::def_key_raw(defs::kKeyWindows, static_cast<uint16_t>(field)), core::kTrimBoth).empty();
}

}  // namespace

int mant_action(void* data, int action) {
  auto* m = static_cast<MantWindow*>(data);
  if (m->closed) return kDone;
  screen_window_make_current(m->screen_window);
  switch (action_code(action)) {
    case kActNextField: {
      ScreenWindow* sw = screen_window_get(m->screen_window);
      int field = sw != nullptr ? sw->current_field : 0;
      bool enter = script::var_get_int(core::kSwLastKey) == kKeyEnter;
      if (enter && field > 0 && has_field_window(field)) {
        core::ArenaScope scope;
        if (!core::text_trim(field_value(field), core::kTrimBoth).empty()) {
          int r = field_window(m);
          if (r >= 122 || m->closed) return r;
        }
      }
      return kPassOn;
    }
    case kActAppMessage2:
    case kActFieldWindow:  // F2 opens the field's window too
      return field_window(m);
    case kActHelp: {
      ScreenWindow* sw = screen_window_get(m->screen_window);
      Status st = field_help(sw != nullptr ? sw->current_field : 0);
      return st >= 122 ? st : kDone;
    }
    case kActEscape:
      return leave(m);
    case kActAppMessage:
    case kActKeyboardLine: {
      int r = scanner_input(action_code(action) == kActAppMessage ? action_param(action) : kScanKeyboardLine);
      return r >= 122 ? r : kDone;
    }
    case kActButton:
      return button(m, action_param(action));
    case kActNextIndex:
      next_index(m);
      return kDone;
    case kActClose:
    case kActCloseWindow:
      mant_close(m);
      return kCloseResult;
    case kActRefused:
      return core::BADDATA;
    case kActFindKey:
      return find_by_key(m);
    case kActSave:
      return button(m, kBtnSve);
    case kActControlFocus:
    case kActControlLeave:
    case kActFieldEntered:
      return kDone;
    case kActBindWindow:
      screen_window_make_current(m->screen_window);
      return kDone;
    default:
      return kPassOn;
  }
}

// The window's defaults: field moves. Past the last field, searching looks
// the typed key up and editing goes round to the first field.
int mant_defaults(void* data, int, int, int action) {
  auto* m = static_cast<MantWindow*>(data);
  if (m->closed) return 0;
  switch (action_code(action)) {
    case kActNextField:
    case kActDown:
      if (field_move(kActNextField) == kEndOfFields) {
        if (m->mode == kModeSearch) return kActFindKey;
        fields_focus_first(m);
      }
      return 0;
    case kActPrevField:
    case kActUp:
      static_cast<void>(field_move(kActPrevField));
      return 0;
    default:
      return 0;
  }
}

}  // namespace ui::internal
