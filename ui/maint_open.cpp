// Opening and closing a maintenance window: its screen and data file, the
// open-file set, the relational update, the frame with its fields, buttons
// and status line, the first record, and the modal loop.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/messages.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/recop.h"
#include "data/records.h"
#include "data/relup.h"
#include "script/eval.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "paths/paths.h"
#include "ui/defs.h"
#include "ui/internal/doc_state.h"
#include "ui/internal/maint_state.h"
#include "ui/internal/state.h"

namespace ui {

namespace {

using internal::MantWindow;

ProcessRunner g_runner = nullptr;

}  // namespace

namespace internal {

namespace {

constexpr int kNewRecordsMode = 2;  // an open-file item ";2": the window takes new records
constexpr int kButtonGap = 1;
constexpr int kIndexButtonWidth = 7;
// Buttons of one width make a tidy row as long as it fits this many columns
// (an 80-column main window less the margins of a maintenance window), or
// the screen's own columns when they are more; past it, in languages with
// long labels, each button is as wide as its own label, so that the window
// still fits over the main window.
constexpr int kEvenRowColumns = 76;
constexpr int kFirstReadWord = 0x0024;
constexpr int kNewRecordWord = 0x0001;
constexpr CellMargins kMantMargins{2, 1, 2, 1};

}  // namespace

namespace {

// The data file: field 5 of the argument, else the last item of OPEN$.
// FILESOPEN with the name as detail for a file the dictionary lacks.
Status window_file(const MantWindow& m, uint16_t* file) {
  *file = 0;
  core::ArenaScope scope;
  Text name = core::text_view(m.args.file);
  if (name.empty()) {
    Text open = defs::def_key_raw(defs::kKeyOpen);
    name = core::list_field(core::list_field(open, ',', core::list_count(open, ',')), ';', 1);
  }
  name = core::text_trim(name, core::kTrimBoth);
  if (name.empty()) return 0;
  *file = data::dict_file_by_ref(name);
  if (*file != 0) return 0;
  core::report_detail(core::FILESOPEN, name, false);
  return core::error_record(core::kRecord, core::Context::Screen, core::FILESOPEN, core::FILESOPEN);
}

// The open-file set of the window: OPEN$, with the file of field 5 added
// when it is not already the last item.
std::string open_set(const MantWindow& m) {
  core::ArenaScope scope;
  std::string set = core::text_str(defs::def_key_raw(defs::kKeyOpen));
  if (m.args.file.empty()) return set;
  Text last = core::list_field(core::text_view(set), ',', core::list_count(core::text_view(set), ','));
  if (data::dict_file_by_ref(core::text_trim(core::list_field(last, ';', 1), core::kTrimBoth)) != m.file) {
    set += (set.empty() ? "" : ",") + m.args.file;
  }
  return set;
}

// Whether OPEN$ opens the window's file for new records.
bool opens_for_new(const MantWindow& m) {
  core::ArenaScope scope;
  Text open = defs::def_key_raw(defs::kKeyOpen);
  for (uint16_t n = 1; n <= core::list_count(open, ','); ++n) {
    Text item = core::list_field(open, ',', n);
    if (core::list_count(item, ';') < 2) continue;
    if (data::dict_file_by_ref(core::text_trim(core::list_field(item, ';', 1), core::kTrimBoth)) != m.file) continue;
    if ((core::list_field_int(item, ';', 2) & kNewRecordsMode) != 0) return true;
  }
  return false;
}

void titles(MantWindow* m) {
  core::ArenaScope scope;
  uint16_t item = (m->args.flags & kMantTitleAndRead) != 0 ? 1 : 2;
  m->title = core::text_str(core::list_field(core::message_text_c("0022"), ',', item));
  std::string own = core::text_str(defs::def_key_raw(defs::kKeyWinName));
  m->text = own.empty() ? m->title : own;
  if (!own.empty()) m->title += " - " + own;
}

}  // namespace

// The screen's size: the argument's, else SCREENSIZE$, else what its
// labels and fields reach.
void screen_size(const MantWindow& m, const Screen& screen, int* columns, int* rows) {
  *columns = m.args.columns > 0 ? m.args.columns : screen.columns;
  *rows = m.args.rows > 0 ? m.args.rows : screen.rows;
  int reach_c = 1, reach_r = 1;
  for (const ScreenLabel& l : screen.labels) {
    reach_c = std::max(reach_c, l.column + static_cast<int>(l.text.size()) - 1);
    reach_r = std::max(reach_r, l.row);
  }
  for (const ScreenField& f : screen.fields) {
    reach_c = std::max(reach_c, f.column + field_display_width(f));
    reach_r = std::max(reach_r, f.row);
  }
  if (*columns <= 0) *columns = reach_c + 1;
  if (*rows <= 0) *rows = reach_r;
}

// The buttons of the set in a row, then the cancel/index button.
std::vector<ButtonPlace> button_row(int set, int screen_columns) {
  std::vector<ButtonPlace> out;
  const ButtonSet* s = button_set(set);
  if (s == nullptr) return out;
  core::ArenaScope scope;
  Text labels = button_labels(set, screen_columns);
  bool narrow = screen_columns > 0 && screen_columns <= 30;
  uint16_t count = core::list_count(s->actions, ',');
  int widest = 0;
  for (uint16_t i = 1; i <= count; ++i) widest = std::max<int>(widest, core::list_field(labels, ',', i).len);
  bool even = !narrow && 1 + count * (widest + 2 + kButtonGap) + kIndexButtonWidth <=
                            std::max(kEvenRowColumns, screen_columns);
  int column = 1;
  for (uint16_t i = 1; i <= count; ++i) {
    Text label = core::text_unquote(core::list_field(labels, ',', i));
    int code = core::list_index(kButtonActionList, ',', core::list_field(s->actions, ',', i));
    int width = even ? widest + 2 : label.len + 2;
    out.push_back({kIdButtonBase + code, column, width, core::text_str(label)});
    column += width + (narrow ? 0 : kButtonGap);
  }
  out.push_back({kIdIndexButton, column, kIndexButtonWidth, "[ 1 ]"});
  return out;
}

namespace {

Status create_controls(MantWindow* m, int rows, int columns) {
  platform::Toolkit* tk = internal::state()->toolkit.get();
  Status st = screen_controls_create(m->screen_window);
  if (st != 0) return st;
  for (const ButtonPlace& b : button_row(m->set, m->screen_columns)) {
    platform::ControlSpec c;
    c.kind = platform::ControlKind::Button;
    c.id = b.id;
    c.rect = cell_rect(rows + 2, b.column, b.width);
    c.text = b.label;
    if (!tk->control_create(m->window, c)) return core::CONTROLERROR;
  }
  platform::ControlSpec status;
  status.kind = platform::ControlKind::Static;
  status.id = kIdStatusLine;
  status.rect = cell_rect(rows + 3, 1, columns);
  return tk->control_create(m->window, status) ? 0 : core::CONTROLERROR;
}

}  // namespace

// What an opening that fails leaves behind is undone.
void undo_opening(MantWindow* m) {
  script::var_set_int(core::kSwCurFil, m->previous_file);
  if (m->set_applied) static_cast<void>(data::access_open_set("RESTORE"_t));
  m->set_applied = false;
  if (m->section_pushed) static_cast<void>(defs::def_section_release());
  m->section_pushed = false;
  screen_drop(m->screen);
}

namespace {

// Flag 0x10: the open-file set; the relational update; PERFORM$.
Status prepare_data(MantWindow* m) {
  if ((m->args.flags & kMantOpenSet) != 0) {
    std::string set = open_set(*m);
    if (!set.empty()) {
      core::ArenaScope scope;
      Status st = data::access_open_set(core::text_view(set));
      m->set_applied = true;
      script::var_set_int(core::kSwIer, static_cast<int16_t>(st));
      if (st > 2) return st;
    }
  }
  if (m->file != 0 && !data::buffer_is_open(m->file)) {
    // A lookup window on a file no set has opened yet.
    if (Status st = data::access_open(m->file, 1); st != 0) return st;
  }
  core::ArenaScope scope;
  if (m->file != 0) {
    Status st = data::relup_load(m->file, data::record_texts_from_section().rule_list);
    if (st >= 128) return st;
  }
  Text perform = defs::def_key_raw(defs::kKeyPerform);
  Status st = perform.empty() ? Status{0} : script::expr_status(perform);
  return st >= 128 ? st : Status{0};
}

}  // namespace

Status window_prepare(MantWindow* m, Text argument, int default_flags) {
  m->args = mant_args_parse(argument, default_flags);
  Status st = screen_load(core::text_view(m->args.screen), m->args.section, false, &m->screen);
  if (st != 0) return st;
  m->section_pushed = definition_section_push(core::text_view(screen_get(m->screen)->params)) == 0;
  st = window_file(*m, &m->file);
  // The window's file is the current file of its expressions ("FIELD{}").
  m->previous_file = script::var_get_int(core::kSwCurFil);
  if (st == 0 && m->file != 0) script::var_set_int(core::kSwCurFil, static_cast<int16_t>(m->file));
  if (st == 0) st = prepare_data(m);
  if (st != 0) undo_opening(m);
  return st;
}

namespace {

// The record the window starts on: for a field's window the first at or
// after the field's text.
Status first_record(MantWindow* m, const std::string& seed) {
  if (m->file == 0) return 0;
  int flags = m->args.flags;
  core::ArenaScope scope;
  data::RecordTexts texts = data::record_texts_from_section();
  if ((flags & kMantBelowField) != 0) {
    Status st = 0;
    if (!seed.empty()) {
      st = data::access_find(m->file, 1, core::text_view(seed), data::kFindAtOrAfter);
      script::var_set_int(core::kSwIer, static_cast<int16_t>(st));
    } else if (data::access_status(m->file) != 0) {
      st = data::record_operation(m->file, kFirstReadWord, texts);
    }
    return st >= 128 ? st : Status{0};
  }
  if ((flags & kMantTitleAndRead) == 0 || (flags & kMantShowAtOnce) != 0) return 0;
  Status st = data::record_operation(m->file, m->mode == kModeNew ? kNewRecordWord : kFirstReadWord, texts);
  return st >= 128 ? st : Status{0};
}

}  // namespace

}  // namespace internal

using namespace internal;  // NOLINT: the helpers above

void process_runner_set(ProcessRunner runner) { g_runner = runner; }

void hooks_install(const Hooks& hooks) {
  process_runner_set(hooks.process_runner);
  internal::scanner_port_set(hooks.scanner);
  internal::document_printer_set(hooks.document_printer);
}

namespace internal {

Status process_by_name(Text name) { return g_runner != nullptr ? g_runner(name) : core::NOVALUE; }

int index_in_use(const MantWindow* m) {
  int key = m->file != 0 ? data::access_key(m->file) : 0;
  return key > 0 ? key : 1;
}

void status_show(MantWindow* m) {
  UiState* s = state();
  if (s == nullptr || m->closed) return;
  platform::Toolkit* tk = s->toolkit.get();
  core::ArenaScope scope;
  tk->control_text_set(m->window, kIdStatusLine, mode_text(m->mode, core::text_view(m->text)));
  if (!m->has_bounds) {
    tk->control_text_set(m->window, kIdIndexButton, core::text_format(32, "[ %d ]", index_in_use(m)));
  }
  const ButtonSet* set = button_set(m->set);
  for (uint16_t i = 1; set != nullptr && i <= core::list_count(set->actions, ','); ++i) {
    int mask = set->masks[i - 1];
    if (mask == 0) continue;
    int code = core::list_index(kButtonActionList, ',', core::list_field(set->actions, ',', i));
    tk->control_enable(m->window, kIdButtonBase + code, !button_disabled(mask, m->mode));
  }
  fields_enable(m);
}

void mant_close(MantWindow* m) {
  if (m->closed) return;
  m->closed = true;
  UiState* s = state();
  if (m->file != 0) {
    int base = data::relup_base(m->file);
    if (base >= 0) data::relup_reset(m->file, base);
    if ((m->args.flags & kMantBelowField) != 0 && data::access_status(m->file) == 0 && s != nullptr) {
      core::ArenaScope scope;
      Text key = core::text_trim(data::key_value(m->file, 1, data::Buffer::Current), core::kTrimBoth);
      s->lookup.answer = core::text_str(key);
    }
  }
  if (m->set_applied) static_cast<void>(data::access_open_set("RESTORE"_t));
  if ((m->args.flags & kMantRemoveScreen) != 0) {
    core::ArenaScope scope;
    Text pan = defs::def_file_find(defs::def_name_with_type(core::text_view(m->args.screen), defs::kFtScreen), defs::kFtScreen);
    if (!pan.empty()) static_cast<void>(core::file_delete(pan));
  }
  if (m->section_pushed) static_cast<void>(defs::def_section_release());
  script::var_set_int(core::kSwCurFil, m->previous_file);
  screen_window_close(m->screen_window);
  window_destroy(m->window);
}

}  // namespace internal

Status maint_open(Text argument, int default_flags) {
  internal::UiState* s = internal::state();
  if (s == nullptr) return core::SCREENENV;
  // A window a field opens is a lookup window; it takes the field's text.
  std::string seed;
  if (s->lookup.pending) {
    default_flags = kMantLookupFlags;
    seed = std::move(s->lookup.seed);
    s->lookup.pending = false;
    s->lookup.seed.clear();
  }
  MantWindow m;
  core::ArenaScope scope;
  Status st = window_prepare(&m, argument, default_flags);
  if (st != 0) return st;
  Screen* screen = screen_get(m.screen);
  m.voidmode = defs::def_key_raw_number(defs::kKeyVoidMode);
  m.has_bounds = !defs::def_key_raw(defs::kKeyBounds).empty();
  m.mode = initial_mode(m.args.flags, m.file != 0 && opens_for_new(m));
  titles(&m);
  int columns = 0, rows = 0;
  screen_size(m, *screen, &columns, &rows);
  m.screen_columns = columns;
  std::vector<ButtonPlace> buttons = button_row(m.set, columns);
  if (!buttons.empty()) columns = std::max(columns, buttons.back().column + buttons.back().width);
  // A screen that sets no margins gets those of the forms.
  const CellMargins& g = screen->margins;
  if (g.left == 0 && g.top == 0 && g.right == 0 && g.bottom == 0) screen->margins = kMantMargins;
  screen_margins_set(screen->margins);
  int placement = (m.args.flags & kMantBelowField) != 0 ? kPlaceFocusRelative : 0;
  st = window_create(kFrameMantDlg, placement, core::text_view(m.title), kNone, columns, rows + 3, nullptr, &m.window);
  if (st != 0) {
    undo_opening(&m);
    screen_margins_set({});
    core::report_detail(core::CONTROLERROR, core::error_name(st), false);
    return core::error_record(core::kForce, core::Context::Screen, core::CONTROLERROR, core::CONTROLERROR);
  }
  m.screen_window = screen_window_open(m.screen, m.window, 0);
  internal::fields_bind(&m);
  st = create_controls(&m, rows, columns);
  if (st == 0) st = action_set_install({&internal::mant_action, &internal::mant_defaults, nullptr, &m});
  if (st == 0) st = first_record(&m, seed);
  if (st != 0) {
    internal::mant_close(&m);
    return st;
  }
  internal::fields_refresh(&m, internal::kRefreshMoved);
  internal::status_show(&m);
  internal::fields_focus_first(&m);
  scanner_screen_open(m.screen_window);
  modal_loop(m.window);
  // The loop also ends when the application quits.
  internal::mant_close(&m);
  return 0;
}

}  // namespace ui
