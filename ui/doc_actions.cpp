// The actions of a document window: its buttons and function keys, the
// field and line moves, the grid's commands and its line menu, fast find,
// leaving with Esc and closing.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/dictionary.h"
#include "definitions/definitions.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/internal/doc_state.h"
#include "ui/internal/state.h"

namespace ui::internal {

namespace {

constexpr int kPageLines = 5;   // PgAnt. and PgSig. of the lines' buttons

// Grid commands beyond those the toolkit sends.
enum GridCommand : int {
  kGcMenu = 100, kGcView, kGcInsertHere, kGcDeleteHere, kGcFindHere, kGcPrint, kGcDelete, kGcInsert,
  kGcDeleteDoc, kGcFind, kGcShow = 112, kGcEditLines, kGcLeave, kGcStep,
};

bool disabled(DocWindow* d, int code) {
  return button_disabled(button_mask(d->head.set, code), d->head.mode);
}

// Fast find: FASTFIND$ is a process (a lookup window on the header's
// file) that starts at the key typed, or where the last one was left; the
// document it is left on is read.
int fast_find(DocWindow* d) {
  core::ArenaScope scope;
  Text process = core::text_trim(defs::def_key_raw(defs::kKeyFastFind), core::kTrimBoth);
  if (process.empty()) {
    info_box(Text{}, core::message_text_c("0010"));
    return kDone;
  }
  if (d->in_lines) return kDone;
  uint16_t fields[data::kMaxSegments] = {};
  int count = 0;
  if (data::dict_key_fields(d->head.file, 1, fields, &count) != 0 || count == 0) return kDone;
  int first = -1;
  for (size_t i = 0; i < d->head.bind.size(); ++i)
    if (d->head.bind[i].file == d->head.file && d->head.bind[i].field == fields[0]) first = static_cast<int>(i) + 1;
  UiState* s = state();
  s->lookup.pending = true;
  // The key as the file holds it (a number right-aligned), where the
  // lookup starts.
  bool any = false;
  s->lookup.seed = typed_key(&d->head, 1, &any);
  if (!any) s->lookup.seed = d->last_found;
  s->lookup.answer.clear();
  Status st = process_by_name(process);
  s->lookup.pending = false;
  s->lookup.seed.clear();
  if (!d->head.closed && !s->lookup.answer.empty() && first > 0) {
    screen_window_make_current(d->head.screen_window);
    static_cast<void>(field_set(first, core::text_view(s->lookup.answer)));
    s->lookup.answer.clear();
    static_cast<void>(doc_load(d));
    d->last_found = d->key;
  }
  return st == core::CANCELLED || st < 122 ? kDone : st;
}

// Esc: what was typed or changed is asked for (0018); then the window goes.
int leave(DocWindow* d) {
  bool changed = d->changed || fields_typed(&d->head);
  if (changed) {
    core::ArenaScope scope;
    if (!ask(core::message_text_c("0018"))) return kDone;
  }
  doc_close(d);
  return kLeaveEnds;
}

int button(DocWindow* d, int code) {
  if (disabled(d, code)) return kDone;
  switch (code) {
    case kBtnNew: {
      core::ArenaScope scope;
      if ((d->changed || fields_typed(&d->head)) && !ask(core::message_text_c("0018"))) return kDone;
      doc_reset(d);
      return kDone;
    }
    case kBtnFnd:
      return fast_find(d);
    case kBtnSve:
      static_cast<void>(doc_save(d));
      return kDone;
    case kBtnIns:
      if (!d->in_lines) return core::NODATA;
      static_cast<void>(line_insert(d));
      return kDone;
    case kBtnDel:
      if (!d->in_lines) return core::NODATA;
      static_cast<void>(line_delete(d));
      return kDone;
    case kBtnDde:
      static_cast<void>(doc_delete(d));
      return kDone;
    case kBtnPrn:
      d->flags ^= kDocPrint;
      doc_status_show(d);
      return kDone;
    case kBtnImp: {
      Status st = doc_import(d);
      if (st >= 128) core::error_box(st);
      return kDone;
    }
    case kBtnNls:
    case kBtnBls:
      if (d->in_lines) static_cast<void>(line_move(d, code == kBtnNls ? -kPageLines : kPageLines, 0));
      return kDone;
    case kBtnMde:
      if (d->in_lines) {
        if (line_store_current(d) != core::CANCELLED) doc_enter_header(d);
      } else if (d->started) {
        doc_enter_lines(d, 1);
      }
      return kDone;
    default:
      return kDone;
  }
}

// The lines take the grid's selected row as their current line first.
bool to_selected(DocWindow* d) {
  int row = grid_selected(d->grid);
  if (row < 0 || !d->started) return false;
  if (!d->in_lines) {
    if (header_store(d) != 0) return false;
    doc_enter_lines(d, row + 1);
    return true;
  }
  return line_move(d, 0, row + 1) == 0;
}

int grid_command(DocWindow* d, int command) {
  switch (command) {
    case kGcMenu: {
      core::ArenaScope scope;
      int chosen = popup_choose(d->head.window, core::message_text_c("0026"));
      return chosen > 0 ? grid_command(d, kGcMenu + chosen) : kDone;
    }
    case kGcView:
    case kGcShow:
    case kGcEditLines:
      static_cast<void>(to_selected(d));
      return kDone;
    case kGcInsertHere:
    case kGcInsert:
      if (to_selected(d) || d->in_lines) static_cast<void>(line_insert(d));
      return kDone;
    case kGcDeleteHere:
    case kGcDelete:
      if (to_selected(d)) static_cast<void>(line_delete(d));
      return kDone;
    case kGcFindHere:
    case kGcFind:
      return button(d, kBtnFnd);
    case kGcPrint:
      return button(d, kBtnPrn);
    case kGcDeleteDoc:
      return button(d, kBtnDde);
    case kGcLeave:
      return leave(d);
    case kGcStep:
      if (d->in_lines) static_cast<void>(line_move(d, script::var_get_int(core::kSwLastKey) == kKeyUp ? -1 : 1, 0));
      return kDone;
    default:
      return kPassOn;
  }
}

}  // namespace

int doc_action(void* data, int action) {
  auto* d = static_cast<DocWindow*>(data);
  if (d->head.closed) return kDone;
  screen_window_make_current(d->head.screen_window);
  MantWindow* view = d->in_lines ? &d->lines : &d->head;
  switch (action_code(action)) {
    case kActNextField:
      // Enter on a field with a window (a lookup) opens it first.
      return mant_action(view, action);
    case kActDown:
    case kActUp:
      if (!d->in_lines) return kPassOn;
      static_cast<void>(line_move(d, action_code(action) == kActDown ? 1 : -1, 0));
      return kDone;
    case kActNextLine:
      if (d->in_lines) static_cast<void>(line_move(d, 1, 0));
      return kDone;
    case kActButton:
      return button(d, action_param(action));
    case kActGridCommand:
      return grid_command(d, action_param(action));
    case kActEscape:
      return leave(d);
    case kActClose:
    case kActCloseWindow:
      doc_close(d);
      return kCloseResult;
    case kActLinesBegin: {
      Status st = doc_auto_import(d);
      return st >= 128 ? st : kDone;
    }
    case kActTotals:
      totals_compute(d);
      fields_refresh(&d->head, kRefreshValues);
      return kDone;
    case kActSave:
      return button(d, kBtnSve);
    case kActFindKey:
      if (doc_load(d) == core::NODATA) doc_reset(d);
      return kDone;
    case kActHelp:
    case kActFieldWindow:
    case kActAppMessage2:
    case kActAppMessage:
    case kActKeyboardLine:
      return mant_action(view, action);
    case kActRefused:
      return core::BADDATA;
    case kActControlFocus:
    case kActControlLeave:
    case kActFieldEntered:
      return kDone;
    case kActBindWindow:
      return kDone;
    default:
      return kPassOn;
  }
}

// Field moves. Leaving the header's key looks the document up; past the
// last header field the lines begin; past the last line field the line is
// stored and the next one comes.
int doc_defaults(void* data, int, int, int action) {
  auto* d = static_cast<DocWindow*>(data);
  if (d->head.closed) return 0;
  switch (action_code(action)) {
    case kActNextField:
    case kActDown: {
      if (!d->in_lines) {
        // No key typed yet, or the document refused (LOAD): nothing to move on to.
        if (!d->started && (doc_load(d) == core::NODATA || !d->started)) return 0;
        if (field_move(kActNextField) == kEndOfFields && d->started && !d->line_fields.empty()) {
          if (header_store(d) == 0) doc_enter_lines(d, line_count() + 1);
        }
        return 0;
      }
      if (field_move(kActNextField) == kEndOfFields) static_cast<void>(line_move(d, 1, 0));
      return 0;
    }
    case kActPrevField:
    case kActUp:
      static_cast<void>(field_move(kActPrevField));
      return 0;
    default:
      return 0;
  }
}

}  // namespace ui::internal
