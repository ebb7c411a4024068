// The fields of the current screen window: their texts, the current field,
// the default moves, their controls, and the variable hook over them.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "formats/formats.h"
#include "script/numbers.h"
#include "script/variables.h"
#include "ui/internal/state.h"

namespace ui {

using internal::state;
using internal::UiState;

namespace {

constexpr int16_t kCompatWideDecimals = 64;
constexpr int kEditPadding = 6;  // pixels an edit adds around its characters
// A date field shows at most 8 characters (DD-MM-YY) but takes the whole
// text of a typed date with a four-digit year (DD/MM/YYYY).
constexpr int kDateTypedMax = 10;

struct Current {
  ScreenWindow* sw = nullptr;
  Screen* screen = nullptr;
};

Current current() {
  Current c;
  c.sw = screen_window_current_get();
  if (c.sw != nullptr) c.screen = screen_get(c.sw->screen);
  if (c.screen == nullptr) c.sw = nullptr;
  return c;
}

bool valid_field(const Current& c, int field) {
  return c.sw != nullptr && field >= 1 && field <= static_cast<int>(c.screen->fields.size());
}

// A number as text with a field's decimals: "12.5" in a field of two
// decimals is "12.50".
Text number_for_field(Text value, int decimals) {
  int64_t v = script::number_from_text(value);
  int precis = script::number_precis();
  for (int i = decimals; i < precis; ++i) v = script::div_round(v, 10);
  for (int i = precis; i < decimals; ++i) v *= 10;
  bool negative = v < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  uint64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  if (decimals == 0) return core::text_format(40, "%s%llu", negative ? "-" : "", static_cast<unsigned long long>(magnitude));
  return core::text_format(60, "%s%llu.%0*llu", negative ? "-" : "", static_cast<unsigned long long>(magnitude / scale),
                           decimals, static_cast<unsigned long long>(magnitude % scale));
}

}  // namespace

bool field_is_numeric(char type) { return type == 'N' || type == 'L' || (type >= '1' && type <= '9'); }

int field_display_width(const ScreenField& field) {
  if (field.shown > 0) return field.shown;
  int width = field.width;
  if (field.type == 'D') width = std::min(width, 8);
  if (field.type >= '1' && field.type <= '9' && (script::var_get_int(core::kSwCompat) & kCompatWideDecimals) != 0) {
    width += field.type - '0' + 1;
  }
  return std::max(width, 1);
}

Status screen_controls_create(int index) {
  UiState* s = state();
  ScreenWindow* sw = screen_window_get(index);
  Screen* screen = sw != nullptr ? screen_get(sw->screen) : nullptr;
  if (s == nullptr || screen == nullptr) return core::SCREENENV;
  platform::Toolkit* tk = s->toolkit.get();
  for (const ScreenLabel& label : screen->labels) {
    platform::ControlSpec c;
    c.kind = platform::ControlKind::Static;
    c.id = kIdLabelBase + label.row * screen->columns + label.column;
    c.rect = cell_rect(label.row, label.column, static_cast<int>(label.text.size()));
    c.text = label.text;
    // Two labels in one cell cannot both have the cell's identifier.
    while (tk->control_exists(sw->window, c.id)) c.id += 0x10000;
    if (!tk->control_create(sw->window, c)) return core::SCREENENV;
  }
  for (size_t i = 0; i < screen->fields.size(); ++i) {
    const ScreenField& f = screen->fields[i];
    platform::ControlSpec c;
    c.kind = platform::ControlKind::Edit;
    c.id = kIdFieldBase + static_cast<int>(i);
    int width = field_display_width(f);
    c.rect = cell_rect(f.row, f.column, width);
    c.rect.w += kEditPadding;
    // A pixel between the rows keeps the fields of a column apart.
    c.rect.y += 1;
    c.rect.h -= 2;
    c.width_chars = f.type == 'D' ? std::max(f.width, kDateTypedMax) : f.width;
    if (field_is_numeric(f.type)) c.flags |= platform::kAlignRight;
    if (f.type == 'P') c.flags |= platform::kPassword;
    if (f.read_only) c.flags |= platform::kReadOnly;
    c.text = sw->texts[i];
    if (!tk->control_create(sw->window, c)) return core::SCREENENV;
  }
  return 0;
}

int field_count() {
  Current c = current();
  return c.sw != nullptr ? static_cast<int>(c.screen->fields.size()) : 0;
}

Text field_value(int field) {
  Current c = current();
  if (!valid_field(c, field)) return core::text_error_value(core::NOVALUE);
  UiState* s = state();
  std::string& text = c.sw->texts[static_cast<size_t>(field - 1)];
  int id = kIdFieldBase + field - 1;
  if (c.sw->window != kNone && s->toolkit->control_exists(c.sw->window, id)) {
    Text shown = s->toolkit->control_text(c.sw->window, id);
    if (shown.ok()) text.assign(shown.ptr, shown.len);
    return shown;
  }
  return core::text_copy(core::text_view(text));
}

Text field_value2(int field) {
  Current c = current();
  if (!valid_field(c, field)) return core::text_error_value(core::NOVALUE);
  return core::text_copy(core::text_view(c.sw->texts2[static_cast<size_t>(field - 1)]));
}

Status field_set(int field, Text text) {
  Current c = current();
  if (!valid_field(c, field)) return core::NOVALUE;
  if (!text.ok()) return core::text_error(text);
  c.sw->texts[static_cast<size_t>(field - 1)].assign(text.ptr, text.len);
  UiState* s = state();
  int id = kIdFieldBase + field - 1;
  if (c.sw->window != kNone && s->toolkit->control_exists(c.sw->window, id)) {
    s->toolkit->control_text_set(c.sw->window, id, text);
  }
  return 0;
}

Status field_make_current(int field) {
  Current c = current();
  if (!valid_field(c, field) || c.screen->fields[static_cast<size_t>(field - 1)].read_only) {
    return core::BADDATA;
  }
  c.sw->current_field = field;
  script::var_set_int(core::kSwCurEdFld, static_cast<int16_t>(field));
  UiState* s = state();
  int id = kIdFieldBase + field - 1;
  if (c.sw->window != kNone && s->toolkit->control_exists(c.sw->window, id)) {
    s->toolkit->control_focus(c.sw->window, id);
    s->toolkit->control_select_all(c.sw->window, id);
  }
  return 0;
}

bool field_text_valid(int field) {
  Current c = current();
  if (!valid_field(c, field) || c.screen->fields[static_cast<size_t>(field - 1)].type != 'D') return true;
  core::ArenaScope scope;
  Text text = field_value(field);
  return !text.ok() || core::text_trim(text, core::kTrimBoth).empty() || formats::date_input(text).ok();
}

Status field_refuse(int field) {
  // The message is the code's own text, not a detail left by an earlier error.
  core::report_detail(core::BADDATA, Text{}, false);
  core::error_box(core::BADDATA);
  static_cast<void>(field_make_current(field));
  return core::BADDATA;
}

Status fields_check() {
  for (int n = 1; n <= field_count(); ++n) {
    if (!field_text_valid(n)) return field_refuse(n);
  }
  return 0;
}

int field_move(int action) {
  Current c = current();
  if (c.sw == nullptr || c.screen->fields.empty()) return kEndOfFields;
  if (!field_text_valid(c.sw->current_field)) {
    static_cast<void>(field_refuse(c.sw->current_field));
    return 0;
  }
  bool forward = action_code(action) == kActNextField || action_code(action) == kActDown;
  int count = static_cast<int>(c.screen->fields.size());
  int first = 1, last = count;
  bool grouped = false;
  for (const FieldGroup& g : c.screen->groups) {
    if (c.sw->current_field >= g.first && c.sw->current_field <= g.last) {
      first = std::max(1, g.first);
      last = std::min(count, g.last);
      grouped = true;
    }
  }
  int step = forward ? 1 : -1;
  int field = c.sw->current_field;
  // At most one lap: every field of the run may be read-only.
  for (int tries = 0; tries <= last - first; ++tries) {
    field += step;
    if (field > last || field < first) {
      if (!grouped) return forward ? kEndOfFields : 0;
      field = forward ? first : last;
      script::var_set_int(core::kSwScrStat, static_cast<int16_t>(script::var_get_int(core::kSwScrStat) | kScrStatWrapped));
    }
    if (!c.screen->fields[static_cast<size_t>(field - 1)].read_only) {
      return field_make_current(field) == 0 ? 0 : kEndOfFields;
    }
  }
  return forward ? kEndOfFields : 0;
}

std::vector<int> fields_of(Text names) {
  std::vector<int> out;
  Current c = current();
  if (c.sw == nullptr || !names.ok()) return out;
  core::ArenaScope scope;
  core::TextArray list = core::list_split(names, ',');
  for (uint16_t n = 1; n <= list.count; ++n) {
    Text name = core::text_trim(list.at(n), core::kTrimBoth);
    for (size_t i = 0; i < c.screen->fields.size(); ++i) {
      if (core::text_equal(name, core::text_view(c.screen->fields[i].variable))) out.push_back(static_cast<int>(i) + 1);
    }
  }
  return out;
}

Text screen_field_hook(Text name, int action, Text value) {
  std::vector<int> fields = fields_of(name);
  if (fields.empty()) return core::text_error_value(core::NOVALUE);
  Current c = current();
  if (action == script::kHookWrite) {
    for (int field : fields) {
      char type = c.screen->fields[static_cast<size_t>(field - 1)].type;
      Text shown = value;
      if (type >= '1' && type <= '9') shown = number_for_field(value, type - '0');
      if (Status st = field_set(field, shown); st != 0) return core::text_error_value(st);
    }
    return value;
  }
  int field = fields.front();
  Text text = action == 2 ? field_value2(field) : field_value(field);
  if (c.screen->fields[static_cast<size_t>(field - 1)].type == 'L' &&
      core::text_trim(text, core::kTrimBoth).empty()) {
    return "0"_t;
  }
  return text;
}

}  // namespace ui
