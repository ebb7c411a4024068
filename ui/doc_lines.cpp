// The lines of a document: the line fields over the lines' file buffer,
// the line store that keeps every line record (and the LNASSIGN$ columns
// after it), the grid that shows them, and the totals.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "script/eval.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "definitions/definitions.h"
#include "ui/dialogs.h"
#include "ui/internal/doc_state.h"
#include "ui/internal/state.h"

namespace ui::internal {

namespace {

constexpr int kExtraWidth = 40;   // a LNASSIGN$ column in the store
constexpr int kRecordColumn = 1;  // the line record is column 1 of the store

// Runs a key of the section with the lines' file current; a code of 128
// or more is shown and answered as CANCELLED.
Status run_key(uint16_t code, uint16_t file) {
  core::ArenaScope scope;
  Status st = expr_in_file(defs::def_key_raw(code), file);
  if (st < 128) return 0;
  core::error_box(st);
  return core::CANCELLED;
}

// The line alarm: a non-zero number, or a text, refuses the line.
Status alarm(uint16_t file) {
  core::ArenaScope scope;
  Text text = defs::def_key_raw(defs::kKeyAlarmLins);
  if (text.empty()) return 0;
  script::Value v;
  Status st = expr_in_file(text, file, &v);
  if (st >= 128) {
    core::error_box(st);
    return core::CANCELLED;
  }
  if (v.is_text() ? core::text_trim(v.text, core::kTrimBoth).empty() : v.number == 0) return 0;
  Text why = v.is_text() ? v.text : core::list_field(core::message_text_c("0009"), ',', 1);
  if (!v.is_text()) why = core::text_concat(why, core::error_name(core::BADDATA));
  message_box(why, Text{}, kBoxWarning);
  return core::CANCELLED;
}

// Every line field empty: a line with nothing typed in it.
bool fields_blank(const DocWindow& d) {
  for (size_t i : d.line_fields) {
    core::ArenaScope scope;
    if (!core::text_trim(field_value(static_cast<int>(i) + 1), core::kTrimBoth).empty()) return false;
  }
  return true;
}

// The grid row of line n from the lines' buffer (which holds it).
void render_row(DocWindow* d, int n) {
  if (d->grid < 0) return;
  const Screen* screen = screen_get(d->head.screen);
  int column = 0;
  for (size_t i : d->line_fields) {
    core::ArenaScope scope;
    const FieldBinding& b = d->lines.bind[i];
    Text stored = data::field_get(b.file, b.field, data::Buffer::Current);
    Text shown = stored.ok() ? field_display(screen->fields[i], core::text_view(d->lines.masks[i]), stored) : Text{};
    grid_set(d->grid, n - 1, column++, shown.ok() ? shown : Text{});
  }
  for (int e = 1; e <= d->extra_columns; ++e) {
    core::ArenaScope scope;
    grid_set(d->grid, n - 1, column++, core::text_trim(line_store_get(d->store, n, kRecordColumn + e), core::kTrimRight));
  }
}

// The title of a line field's column: the label right above the field,
// else the label before it on its row (without its colon).
std::string column_title(const Screen& screen, const ScreenField& f) {
  const ScreenLabel* best = nullptr;
  for (const ScreenLabel& l : screen.labels) {
    if (l.row == f.row - 1 && (best == nullptr || std::abs(l.column - f.column) < std::abs(best->column - f.column))) best = &l;
  }
  if (best == nullptr) {
    for (const ScreenLabel& l : screen.labels)
      if (l.row == f.row && l.column < f.column && (best == nullptr || l.column > best->column)) best = &l;
  }
  std::string title = best != nullptr ? best->text : f.variable;
  while (!title.empty() && (title.back() == ':' || title.back() == ' ')) title.pop_back();
  while (!title.empty() && title.front() == ' ') title.erase(title.begin());
  return title;
}

void refresh_fields(DocWindow* d) {
  fields_refresh(&d->head, kRefreshValues);
  fields_refresh(&d->lines, kRefreshValues);
}

}  // namespace

Status expr_in_file(Text expression, uint16_t file, script::Value* out) {
  if (expression.empty()) return 0;
  int16_t current = script::var_get_int(core::kSwCurFil);
  script::var_set_int(core::kSwCurFil, static_cast<int16_t>(file));
  script::Value ignored;
  Status st = script::expr_value(expression, out != nullptr ? out : &ignored);
  script::var_set_int(core::kSwCurFil, current);
  return st;
}

void lines_setup(DocWindow* d) {
  core::ArenaScope scope;
  const Screen* screen = screen_get(d->head.screen);
  Text assign = defs::def_key_raw(defs::kKeyLnAssign);
  d->extra_columns = assign.empty() ? 0 : core::list_count(assign, ',');
  int record = d->lines.file != 0 ? core::text_bytes(data::buffer_get(d->lines.file, data::Buffer::Current)).size() : 0;
  std::vector<int> widths{record};
  for (int e = 0; e < d->extra_columns; ++e) widths.push_back(kExtraWidth);
  line_store_init(&d->store, widths, defs::def_key_raw_number(defs::kKeyMaxLin));
  if (d->grid < 0) return;
  // Titles: TITLE$ when the section gives them, else the line fields' labels.
  std::string titles;
  std::vector<char> types;
  std::vector<int> chars;
  for (size_t i : d->line_fields) {
    titles += (titles.empty() ? "" : ",") + column_title(*screen, screen->fields[i]);
    types.push_back(screen->fields[i].type);
    chars.push_back(field_display_width(screen->fields[i]));
  }
  for (int e = 0; e < d->extra_columns; ++e) titles += ",";
  Text own = defs::def_key_raw(defs::kKeyTitle);
  grid_columns(d->grid, own.empty() ? core::text_view(titles) : own, types, chars);
}

void line_show(DocWindow* d, int n) {
  uint16_t file = d->lines.file;
  if (file == 0) return;
  n = std::max(1, n);
  script::var_set_int(core::kSwLNum, static_cast<int16_t>(n));
  Status st = n <= line_count() ? data::buffer_put(file, data::Buffer::Current, line_store_get(d->store, n, kRecordColumn))
                                : data::buffer_clear(file);
  if (st == 0) st = data::buffer_save(file);
  refresh_fields(d);
  if (d->grid >= 0) grid_select(d->grid, n <= line_count() ? n - 1 : -1);
  indicator_show(d);
  line_focus(d);
}

Status line_store_current(DocWindow* d) {
  uint16_t file = d->lines.file;
  if (file == 0 || !d->in_lines) return core::NODATA;
  screen_window_make_current(d->head.screen_window);
  int n = std::max(1, line_current());
  bool is_new = n > line_count();
  if (fields_blank(*d)) {
    if (is_new) return core::NODATA;
    // A line emptied of everything is no line: it goes.
    Status st = line_delete(d);
    return st == 0 ? core::NODATA : st;
  }
  if (!fields_typed(&d->lines) && !is_new) return 0;
  Status st = fields_store(&d->lines);
  if (st != 0) {
    if (st != core::CANCELLED) core::error_box(st);
    return core::CANCELLED;
  }
  if (n > script::var_get_int(core::kSwLMax)) {
    core::error_box(core::error_record(core::kRecord, core::Context::Screen, core::DATAOUTBOUND, core::DATAOUTBOUND));
    return core::CANCELLED;
  }
  if (run_key(defs::kKeyReadLins, file) != 0 || run_key(defs::kKeyFitClc, file) != 0 || alarm(file) != 0) {
    // The line is entered again from its start, to be corrected.
    line_focus(d);
    return core::CANCELLED;
  }
  st = line_store_put(&d->store, n, data::buffer_get(file, data::Buffer::Current));
  core::ArenaScope scope;
  Text assign = defs::def_key_raw(defs::kKeyLnAssign);
  for (int e = 1; st == 0 && e <= d->extra_columns; ++e) {
    script::Value v;
    st = expr_in_file(core::list_field(assign, ',', static_cast<uint16_t>(e)), file, &v);
    if (st < 128) {
      Text text = v.is_text() ? v.text : script::number_to_text(v.number);
      st = line_store_set(&d->store, n, kRecordColumn + e, text);
    }
  }
  if (st >= 128) {
    core::error_box(st);
    return core::CANCELLED;
  }
  render_row(d, n);
  d->changed = true;
  if (run_key(defs::kKeyFldUpdate, file) != 0) return core::CANCELLED;
  totals_compute(d);
  return 0;
}

Status line_move(DocWindow* d, int step, int n) {
  Status st = line_store_current(d);
  if (st == core::CANCELLED) return st;
  int target = step != 0 ? line_current() + step : n;
  if (st == core::NODATA && step > 0 && line_current() > line_count()) target = line_current();
  // Past the last line a new one is started; one past _LMAX is refused
  // when it is stored.
  target = std::clamp(target, 1, line_count() + 1);
  line_show(d, target);
  return 0;
}

Status line_insert(DocWindow* d) {
  Status st = line_store_current(d);
  if (st == core::CANCELLED) return st;
  int n = std::max(1, line_current());
  if (n <= line_count()) {
    st = line_store_shift(&d->store, 1);
    if (st != 0) {
      core::error_box(st);
      return st;
    }
    if (run_key(defs::kKeyLnIns, d->lines.file) != 0) return core::CANCELLED;
    d->changed = true;
    lines_redraw(d);
  }
  line_show(d, n);
  return 0;
}

Status line_delete(DocWindow* d) {
  int n = std::max(1, line_current());
  if (n <= line_count()) {
    if (run_key(defs::kKeyLnDel, d->lines.file) != 0) return core::CANCELLED;
    Status st = line_store_shift(&d->store, -1);
    if (st != 0) return st;
    d->changed = true;
    if (n > 1) --n;
    lines_redraw(d);
    totals_compute(d);
  }
  line_show(d, n);
  return 0;
}

void lines_redraw(DocWindow* d) {
  if (d->grid < 0 || d->lines.file == 0) return;
  grid_clear(d->grid);
  uint16_t file = d->lines.file;
  std::string kept(core::text_bytes(data::buffer_get(file, data::Buffer::Current)));
  for (int n = 1; n <= line_count(); ++n) {
    if (data::buffer_put(file, data::Buffer::Current, line_store_get(d->store, n, kRecordColumn)) == 0) render_row(d, n);
  }
  static_cast<void>(data::buffer_put(file, data::Buffer::Current, core::text_view(kept)));
  indicator_show(d);
}

void totals_compute(DocWindow* d) {
  uint16_t file = d->lines.file;
  if (file == 0) return;
  core::ArenaScope scope;
  const Screen* screen = screen_get(d->head.screen);
  static_cast<void>(script::expr_status("_#('CLS')"_t));
  std::string kept(core::text_bytes(data::buffer_get(file, data::Buffer::Current)));
  for (int n = 1; n <= line_count(); ++n) {
    if (data::buffer_put(file, data::Buffer::Current, line_store_get(d->store, n, kRecordColumn)) != 0) continue;
    int column = 0;
    for (size_t i : d->line_fields) {
      ++column;
      if (!field_is_numeric(screen->fields[i].type)) continue;
      core::ArenaScope inner;
      Text sum = core::text_format(256, "_#(%d)=_#(%d)+%s", column, column, screen->fields[i].variable.c_str());
      static_cast<void>(script::expr_status(sum));
    }
  }
  static_cast<void>(data::buffer_put(file, data::Buffer::Current, core::text_view(kept)));
  if (d->head.file == 0) return;
  Status st = expr_in_file(defs::def_key_raw(defs::kKeyFtClc), d->head.file);
  if (st >= 128) core::error_box(st);
}

void indicator_show(DocWindow* d) {
  UiState* s = state();
  if (s == nullptr || d->head.closed) return;
  core::ArenaScope scope;
  int count = line_count();
  int current = std::min(std::max(1, line_current()), count + 1);
  s->toolkit->control_text_set(d->head.window, kIdLineIndicator, line_indicator(current, count, 12));
}

}  // namespace ui::internal
