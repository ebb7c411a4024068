// The fields of a maintenance window: bound to data fields by FD$, shown
// from the record buffer through the value formats, typed back into it,
// and enabled to suit the mode.
#include <algorithm>

#include "core/arena.h"
#include "core/errors.h"
#include "data/dictionary.h"
#include "formats/formats.h"
#include "data/records.h"
#include "definitions/definitions.h"
#include "paths/paths.h"
#include "ui/internal/maint_state.h"
#include "ui/internal/state.h"

namespace ui::internal {

namespace {

// The type letter the value formats read a screen field by.
char format_type(char type) { return type == 'P' ? 'A' : type; }

bool numeric_mask(Text mask) {
  uint16_t at = core::text_find_any(mask, "\\?#0"_t, true);
  return at != core::kNoPos && (mask.at(at) == '#' || mask.at(at) == '0');
}

int data_width(uint16_t file, uint16_t field) {
  data::FieldItem item;
  return data::dict_field_attr(file, field, &item) == 0 ? item.width : 0;
}

// The text a field shows for a stored value: through its mask, else by
// its screen type. The control aligns it, so the padding goes: a field
// shown full of blanks would take no typing.
Text display_of(const ScreenField& f, Text mask, Text stored) {
  Text shown;
  if (mask.empty()) {
    shown = formats::value_display(format_type(f.type), stored, f.width);
  } else {
    Text value = core::text_trim(stored, core::kTrimBoth);
    shown = value.empty() ? Text{} : formats::mask_apply(mask, value);
  }
  return core::text_trim(shown, field_is_numeric(f.type) || numeric_mask(mask) ? core::kTrimBoth : core::kTrimRight);
}

bool blank(Text t) { return core::text_trim(t, core::kTrimBoth).empty(); }

// The screen field (from 0) bound to a data field of the window's file.
int screen_field_of(const MantWindow* m, uint16_t field) {
  for (size_t i = 0; i < m->bind.size(); ++i) {
    if (m->bind[i].file == m->file && m->bind[i].field == field) return static_cast<int>(i);
  }
  return -1;
}

std::vector<uint16_t> key_fields(const MantWindow* m, int key) {
  uint16_t fields[data::kMaxSegments] = {};
  int count = 0;
  if (m->file == 0 || data::dict_key_fields(m->file, static_cast<uint16_t>(key), fields, &count) != 0) return {};
  return std::vector<uint16_t>(fields, fields + count);
}

// A field's value that the record cannot take: the error with the field's
// name and its text.
Status field_failed(const ScreenField& f, Text typed, Status st) {
  core::report_detail(st, core::text_concat(core::text_concat(core::text_view(f.variable), ": "_t), typed), false);
  return core::error_record(core::kRecord, core::Context::Screen, st, st);
}

struct StoredValue {
  size_t field;        // from 0
  std::string stored;  // as the record takes it
  std::string typed;
};

}  // namespace

Text field_display(const ScreenField& field, Text mask, Text stored) { return display_of(field, mask, stored); }

void fields_bind(MantWindow* m) {
  const Screen* screen = screen_get(m->screen);
  size_t n = screen != nullptr ? screen->fields.size() : 0;
  m->bind.assign(n, FieldBinding{});
  m->masks.assign(n, std::string());
  m->shown.assign(n, std::string());
  m->implied.assign(n, false);
  m->noedit.assign(n, false);
  core::ArenaScope scope;
  for (size_t i = 0; i < n; ++i) {
    const ScreenField& f = screen->fields[i];
    m->noedit[i] = f.read_only;
    m->masks[i] = core::text_str(core::text_unquote(defs::def_key_raw(defs::kKeyTypes, static_cast<uint16_t>(i + 1))));
    Text name = core::text_view(f.variable);
    if (name.empty()) continue;
    uint16_t file = 0, field = 0;
    if (core::text_find_char(name, '{', 0, true) != core::kNoPos) {
      // A name that is no field reference stays a plain screen variable.
      core::ErrorRecord before = core::error_last();
      if (data::dict_field_ref(name, &file, &field) != 0 || field == 0) {
        if (before.code == 0) core::error_clear();
        continue;
      }
    } else if (m->file != 0) {
      int found = data::dict_field_by_name(m->file, name);
      if (found <= 0) continue;
      file = m->file;
      field = static_cast<uint16_t>(found);
    }
    m->bind[i] = FieldBinding{file, field};
  }
}

void fields_refresh(MantWindow* m, int code) {
  const Screen* screen = screen_get(m->screen);
  if (screen == nullptr) return;
  screen_window_make_current(m->screen_window);
  for (size_t i = 0; i < m->bind.size(); ++i) {
    const FieldBinding& b = m->bind[i];
    if (b.file == 0) continue;
    core::ArenaScope scope;
    Text stored = data::field_get(b.file, b.field, data::Buffer::Current);
    Text shown = stored.ok() ? display_of(screen->fields[i], core::text_view(m->masks[i]), stored) : Text{};
    if (!shown.ok()) shown = Text{};
    m->shown[i] = core::text_str(shown);
    m->implied[i] = screen->fields[i].type == 'D' && stored.ok() && blank(stored) && !blank(shown);
    static_cast<void>(field_set(static_cast<int>(i) + 1, shown));
  }
  // The field with the focus is entered again: its new text selected.
  ScreenWindow* sw = screen_window_get(m->screen_window);
  if (code == kRefreshMoved || sw == nullptr) {
    fields_focus_first(m);
  } else if (field_make_current(sw->current_field) != 0) {
    fields_focus_first(m);
  }
}

Status fields_store(MantWindow* m) {
  const Screen* screen = screen_get(m->screen);
  if (screen == nullptr || m->file == 0) return 0;
  // What a field shows without holding it goes with a record that is
  // written anyway; a record only looked at stays as it was read.
  bool typed_any = fields_typed(m);
  // Every field is read before any is stored: a refused one leaves the
  // record as it was.
  std::vector<StoredValue> values;
  for (size_t i = 0; i < m->bind.size(); ++i) {
    const FieldBinding& b = m->bind[i];
    if (b.file != m->file || m->noedit[i]) continue;
    core::ArenaScope scope;
    Text typed = field_value(static_cast<int>(i) + 1);
    if (!typed.ok() || (core::text_equal(typed, core::text_view(m->shown[i])) && !(typed_any && m->implied[i]))) continue;
    Text stored = formats::value_input(format_type(screen->fields[i].type), typed, data_width(b.file, b.field));
    if (!stored.ok() && core::text_error(stored) == core::BADDATA) {
      static_cast<void>(field_refuse(static_cast<int>(i) + 1));
      return core::CANCELLED;
    }
    if (!stored.ok()) return field_failed(screen->fields[i], typed, core::text_error(stored));
    values.push_back({i, core::text_str(stored), core::text_str(typed)});
  }
  for (const StoredValue& v : values) {
    Status st = data::field_put(m->bind[v.field].file, m->bind[v.field].field, core::text_view(v.stored));
    if (st != 0) return field_failed(screen->fields[v.field], core::text_view(v.typed), st);
  }
  return 0;
}

bool fields_typed(MantWindow* m) {
  screen_window_make_current(m->screen_window);
  for (size_t i = 0; i < m->bind.size(); ++i) {
    if (m->bind[i].file == 0) continue;
    core::ArenaScope scope;
    Text typed = field_value(static_cast<int>(i) + 1);
    if (typed.ok() && !core::text_equal(typed, core::text_view(m->shown[i]))) return true;
  }
  return false;
}

bool key_typed(MantWindow* m, int key) {
  screen_window_make_current(m->screen_window);
  for (uint16_t field : key_fields(m, key)) {
    int s = screen_field_of(m, field);
    if (s < 0) continue;
    core::ArenaScope scope;
    Text typed = field_value(s + 1);
    if (typed.ok() && !core::text_equal(typed, core::text_view(m->shown[static_cast<size_t>(s)]))) return true;
  }
  return false;
}

std::string typed_key(MantWindow* m, int key, bool* any) {
  *any = false;
  const Screen* screen = screen_get(m->screen);
  std::string value;
  if (screen == nullptr) return value;
  screen_window_make_current(m->screen_window);
  for (uint16_t field : key_fields(m, key)) {
    int width = data_width(m->file, field);
    int s = screen_field_of(m, field);
    core::ArenaScope scope;
    Text typed = s >= 0 ? field_value(s + 1) : Text{};
    if (!typed.ok() || blank(typed)) {
      value.append(static_cast<size_t>(width), ' ');
      continue;
    }
    *any = true;
    Text stored = formats::value_input(format_type(screen->fields[static_cast<size_t>(s)].type), typed, width);
    std::string piece = stored.ok() ? core::text_str(stored) : std::string();
    piece.resize(static_cast<size_t>(width), ' ');
    value += piece;
  }
  size_t end = value.find_last_not_of(' ');
  value.resize(end == std::string::npos ? 0 : end + 1);
  return value;
}

void fields_enable(MantWindow* m) {
  Screen* screen = screen_get(m->screen);
  UiState* s = state();
  if (screen == nullptr || s == nullptr) return;
  std::vector<uint16_t> keys = key_fields(m, index_in_use(m));
  for (size_t i = 0; i < screen->fields.size(); ++i) {
    const FieldBinding& b = m->bind[i];
    bool on = false;
    if (m->mode == kModeSearch) {
      on = b.file == m->file && m->file != 0 && std::find(keys.begin(), keys.end(), b.field) != keys.end();
    } else if (m->mode > kModeSearch) {
      on = !m->noedit[i] && (b.file == 0 || b.file == m->file);
    }
    screen->fields[i].read_only = !on;
    s->toolkit->control_enable(m->window, kIdFieldBase + static_cast<int>(i), on);
  }
  ScreenWindow* sw = screen_window_get(m->screen_window);
  if (sw != nullptr && (sw->current_field < 1 || sw->current_field > static_cast<int>(screen->fields.size()) ||
                        screen->fields[static_cast<size_t>(sw->current_field - 1)].read_only)) {
    fields_focus_first(m);
  }
}

void fields_focus_first(MantWindow* m) {
  const Screen* screen = screen_get(m->screen);
  if (screen == nullptr) return;
  screen_window_make_current(m->screen_window);
  int count = static_cast<int>(screen->fields.size());
  int begin = std::max(1, std::min(screen->begin_field, count));
  for (int k = 0; k < count; ++k) {
    int n = (begin - 1 + k) % count + 1;
    if (field_make_current(n) == 0) return;
  }
}

}  // namespace ui::internal
