// Opening and closing a document window: its screen, the header's and the
// lines' files, the frame with the header fields, the grid, the line
// fields, the buttons, the status line and the line indicator; and what the
// window shows for the part being edited.
#include <algorithm>
#include <memory>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/relup.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/defs.h"
#include "ui/dialogs.h"
#include "ui/internal/doc_state.h"
#include "ui/internal/state.h"

namespace ui {

namespace {

using internal::DocWindow;
using internal::MantWindow;

constexpr CellMargins kDocMargins{2, 1, 2, 1};
constexpr int kIndicatorWidth = 12;
constexpr int kMinGridRows = 3;

// BOUNDS$: the lines' file and its key (1 when not given).
Status lines_file(DocWindow* d, uint16_t* file) {
  *file = 0;
  core::ArenaScope scope;
  Text name = core::text_trim(defs::def_key_raw(defs::kKeyBounds, 1), core::kTrimBoth);
  if (name.empty()) return 0;
  *file = data::dict_file_by_ref(name);
  if (*file == 0) {
    core::report_detail(core::FILESOPEN, name, false);
    return core::error_record(core::kRecord, core::Context::Screen, core::FILESOPEN, core::FILESOPEN);
  }
  int key = core::list_field_int(defs::def_key_raw(defs::kKeyBounds), ',', 2);
  d->line_key = key > 0 ? key : 1;
  if (!data::buffer_is_open(*file)) {
    if (Status st = data::access_open(*file, 1); st != 0) return st;
  }
  // The lines' rules: the file's own default list.
  Status st = data::relup_load(*file, Text{});
  return st >= 128 ? st : Status{0};
}

// Where the grid goes: between the header (its fields and labels above
// the line fields' titles) and the titles over the line fields.
struct GridPlace {
  int row = 0;
  int rows = 0;
};

GridPlace grid_place(const DocWindow& d, const Screen& screen) {
  GridPlace g;
  if (d.line_fields.empty()) return g;
  int line_row = screen.rows + 1;
  for (size_t i : d.line_fields) line_row = std::min(line_row, screen.fields[i].row);
  int title_row = line_row;
  for (const ScreenLabel& l : screen.labels)
    if (l.row == line_row - 1) title_row = line_row - 1;
  int header_bottom = 0;
  for (size_t i = 0; i < screen.fields.size(); ++i)
    if (screen.fields[i].row < title_row) header_bottom = std::max(header_bottom, screen.fields[i].row);
  for (const ScreenLabel& l : screen.labels)
    if (l.row < title_row) header_bottom = std::max(header_bottom, l.row);
  g.row = header_bottom + 2;
  g.rows = std::max(kMinGridRows, title_row - 1 - g.row);
  return g;
}

// The buttons of the set, each as wide as its label, in rows of the
// screen's width: a document's eight buttons would not fit the screen in
// one row at the width of the widest.
struct ButtonCell {
  int id;
  int row;     // from 0
  int column;
  int width;
  std::string label;
};

std::vector<ButtonCell> button_rows(int set, int columns) {
  std::vector<ButtonCell> out;
  const ButtonSet* s = button_set(set);
  if (s == nullptr) return out;
  core::ArenaScope scope;
  Text labels = button_labels(set, 0);
  int row = 0, column = 1;
  for (uint16_t i = 1; i <= core::list_count(s->actions, ','); ++i) {
    Text label = core::text_trim(core::text_unquote(core::list_field(labels, ',', i)), core::kTrimBoth);
    int code = core::list_index(kButtonActionList, ',', core::list_field(s->actions, ',', i));
    int width = label.len + 2;
    if (column > 1 && column + width - 1 > columns) {
      ++row;
      column = 1;
    }
    out.push_back({kIdButtonBase + code, row, column, width, core::text_str(label)});
    column += width + 1;
  }
  return out;
}

int button_row_count(const std::vector<ButtonCell>& buttons) { return buttons.empty() ? 0 : buttons.back().row + 1; }

Status create_controls(DocWindow* d, int rows, int columns) {
  MantWindow& m = d->head;
  platform::Toolkit* tk = internal::state()->toolkit.get();
  Status st = screen_controls_create(m.screen_window);
  if (st != 0) return st;
  std::vector<ButtonCell> buttons = button_rows(m.set, columns);
  for (const ButtonCell& b : buttons) {
    platform::ControlSpec c;
    c.kind = platform::ControlKind::Button;
    c.id = b.id;
    c.rect = cell_rect(rows + 2 + b.row, b.column, b.width);
    c.text = b.label;
    if (!tk->control_create(m.window, c)) return core::CONTROLERROR;
  }
  platform::ControlSpec status;
  status.kind = platform::ControlKind::Static;
  status.id = kIdStatusLine;
  rows += button_row_count(buttons) - 1;
  status.rect = cell_rect(rows + 3, 1, columns - kIndicatorWidth - 1);
  if (!tk->control_create(m.window, status)) return core::CONTROLERROR;
  platform::ControlSpec indicator;
  indicator.kind = platform::ControlKind::Static;
  indicator.id = kIdLineIndicator;
  indicator.rect = cell_rect(rows + 3, columns - kIndicatorWidth + 1, kIndicatorWidth);
  if (!tk->control_create(m.window, indicator)) return core::CONTROLERROR;
  const Screen* screen = screen_get(m.screen);
  GridPlace place = grid_place(*d, *screen);
  if (place.rows > 0) {
    platform::Rect r = cell_rect(place.row, 1, columns, place.rows);
    d->grid = grid_create(m.window, r.x, r.y, r.w, r.h);
    if (d->grid < 0) return core::CONTROLERROR;
  }
  return 0;
}

// Focus on the first field that takes input from field n on.
void focus_from(int n) {
  int count = field_count();
  for (int k = 0; k < count; ++k) {
    if (field_make_current((n - 1 + k) % count + 1) == 0) return;
  }
}

bool button_off(int code) {
  core::ArenaScope scope;
  switch (code) {
    case kBtnFnd: return defs::def_key_raw(defs::kKeyFastFind).empty();
    case kBtnImp: return defs::def_key_raw(defs::kKeyMnuImport).empty();
    case kBtnPrn: return defs::def_key_raw(defs::kKeyDoc).empty();
    default: return false;
  }
}

}  // namespace

namespace internal {

void doc_status_show(DocWindow* d) {
  MantWindow& m = d->head;
  UiState* s = state();
  if (s == nullptr || m.closed) return;
  platform::Toolkit* tk = s->toolkit.get();
  core::ArenaScope scope;
  // A document of a header alone is edited as a record is (mode 3), so
  // that it can be saved.
  m.mode = d->in_lines ? kModeLines : d->window_mode == kDocAlone ? kModeEdit : kModeHeader;
  Text caption = doc_caption(d->flags, d->in_lines);
  Text title = m.text.empty() ? caption : core::text_concat(core::text_concat(core::text_view(m.text), " - "_t), caption);
  window_title_set(m.window, title);
  tk->control_text_set(m.window, kIdStatusLine, mode_text(m.mode, core::text_view(m.text)));
  const ButtonSet* set = button_set(m.set);
  for (uint16_t i = 1; set != nullptr && i <= core::list_count(set->actions, ','); ++i) {
    int code = core::list_index(kButtonActionList, ',', core::list_field(set->actions, ',', i));
    bool off = button_off(code) || button_disabled(set->masks[i - 1], m.mode);
    tk->control_enable(m.window, kIdButtonBase + code, !off);
  }
  Screen* screen = screen_get(m.screen);
  for (size_t i = 0; screen != nullptr && i < screen->fields.size(); ++i) {
    bool line = std::find(d->line_fields.begin(), d->line_fields.end(), i) != d->line_fields.end();
    bool on = !m.noedit[i] && line == d->in_lines;
    screen->fields[i].read_only = !on;
    tk->control_enable(m.window, kIdFieldBase + static_cast<int>(i), on);
  }
  indicator_show(d);
}

void line_focus(DocWindow* d) {
  if (d->line_fields.empty() || !d->in_lines) return;
  const Screen* screen = screen_get(d->head.screen);
  int begin = screen->begin_field;
  bool is_line = begin >= 1 && std::find(d->line_fields.begin(), d->line_fields.end(), static_cast<size_t>(begin - 1)) != d->line_fields.end();
  focus_from(is_line ? begin : static_cast<int>(d->line_fields.front()) + 1);
}

void doc_enter_lines(DocWindow* d, int n) {
  if (d->line_fields.empty()) return;
  screen_window_make_current(d->head.screen_window);
  d->in_lines = true;
  doc_status_show(d);
  line_show(d, n);
  // The lines of a new document begin: action 35, its automatic import.
  // Not before a document has its key (a NAVIGATION window opening): the
  // key typed then starts the document with no lines.
  if (d->started && (d->flags & kDocFromFile) == 0 && line_count() == 0)
    static_cast<void>(action_perform(d->head.window, kActLinesBegin));
  line_focus(d);
}

Status header_store(DocWindow* d) {
  MantWindow& m = d->head;
  Status st = fields_store(&m);
  if (st != 0 || m.file == 0 || !d->started) return st;
  core::ArenaScope scope;
  Text now = data::key_value(m.file, 1, data::Buffer::Current);
  if (d->header_run && now.ok() && now.len > d->key.size()) now = core::text_sub(now, 0, static_cast<uint16_t>(d->key.size()));
  if (core::text_equal(now, core::text_view(d->key))) return 0;
  // Another key is another document: it is read by its key, not saved over.
  info_box(Text{}, core::message_text_c("0024"));
  st = data::key_value_put(m.file, 1, core::text_view(d->key));
  fields_refresh(&m, kRefreshValues);
  fields_refresh(&d->lines, kRefreshValues);
  return st;
}

void doc_enter_header(DocWindow* d) {
  screen_window_make_current(d->head.screen_window);
  d->in_lines = false;
  doc_status_show(d);
  focus_from(1);
}

void doc_close(DocWindow* d) {
  if (d->head.closed) return;
  int16_t word = script::var_get_int(core::kSwScrStat) & ~kScrStatAutoImport;
  script::var_set_int(core::kSwScrStat, static_cast<int16_t>(d->outer_auto_imported ? word | kScrStatAutoImport : word));
  grid_destroy(d->grid);
  d->grid = -1;
  if (d->lines.file != 0) {
    int base = data::relup_base(d->lines.file);
    if (base >= 0) data::relup_reset(d->lines.file, base);
  }
  d->lines.closed = true;
  doc_procedure_release(d);
  mant_close(&d->head);
}

}  // namespace internal

Status docs_open(Text argument) {
  internal::UiState* s = internal::state();
  if (s == nullptr) return core::SCREENENV;
  auto doc = std::make_unique<DocWindow>();
  DocWindow* d = doc.get();
  MantWindow& m = d->head;
  core::ArenaScope scope;
  Status st = internal::window_prepare(&m, argument, kMantProcessFlags);
  if (st != 0) return st;
  Screen* screen = screen_get(m.screen);
  uint16_t line_file = 0;
  st = lines_file(d, &line_file);
  if (st != 0) {
    internal::undo_opening(&m);
    return st;
  }
  d->window_mode = doc_mode_parse(defs::def_key_raw(defs::kKeyMode));
  if (d->window_mode == kDocAlone) line_file = 0;
  m.set = d->window_mode == kDocNavigation ? 4 : 2;
  m.has_bounds = true;
  m.text = core::text_str(defs::def_key_raw(defs::kKeyWinName));
  m.title = m.text;
  int columns = 0, rows = 0;
  internal::screen_size(m, *screen, &columns, &rows);
  m.screen_columns = columns;
  std::vector<ButtonCell> buttons = button_rows(m.set, columns);
  for (const ButtonCell& b : buttons) columns = std::max(columns, b.column + b.width);
  const CellMargins& g = screen->margins;
  if (g.left == 0 && g.top == 0 && g.right == 0 && g.bottom == 0) screen->margins = kDocMargins;
  screen_margins_set(screen->margins);
  st = window_create(kFrameLnMant, 0, core::text_view(m.title), kNone, columns, rows + 2 + button_row_count(buttons), nullptr, &m.window);
  if (st != 0) {
    internal::undo_opening(&m);
    screen_margins_set({});
    core::report_detail(core::CONTROLERROR, core::error_name(st), false);
    return core::error_record(core::kForce, core::Context::Screen, core::CONTROLERROR, core::CONTROLERROR);
  }
  m.screen_window = screen_window_open(m.screen, m.window, 0);
  internal::fields_bind(&m);
  d->lines = m;
  d->lines.file = line_file;
  for (size_t i = 0; i < m.bind.size(); ++i)
    if (line_file != 0 && m.bind[i].file == line_file) d->line_fields.push_back(i);
  // The automatic import runs once in this window; an outer document
  // window's state comes back when this one closes.
  int16_t word = script::var_get_int(core::kSwScrStat);
  d->outer_auto_imported = (word & kScrStatAutoImport) != 0;
  script::var_set_int(core::kSwScrStat, static_cast<int16_t>(word & ~kScrStatAutoImport));
  st = create_controls(d, rows, columns);
  if (st == 0) st = action_set_install({&internal::doc_action, &internal::doc_defaults, nullptr, d});
  if (st == 0) {
    internal::doc_key_setup(d);
    internal::lines_setup(d);
    internal::doc_reset(d);
    st = internal::doc_procedure_load(d);
    if (st == 0) st = internal::doc_event(d, kEvInit);
  }
  if (st != 0) {
    internal::doc_close(d);
    return st >= 128 ? st : Status{0};
  }
  if (d->window_mode == kDocNavigation) internal::doc_enter_lines(d, 1);
  scanner_screen_open(m.screen_window);
  modal_loop(m.window);
  internal::doc_close(d);
  return 0;
}

}  // namespace ui
