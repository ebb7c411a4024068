// The record operations of a maintenance window: the buffer made ready,
// the guarded operation with its questions and messages, find by key and
// the index cycle.
#include "core/arena.h"
#include "core/errors.h"
#include "core/messages.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/recop.h"
#include "data/records.h"
#include "script/variables.h"
#include "paths/paths.h"
#include "ui/dialogs.h"
#include "ui/internal/maint_state.h"

namespace ui::internal {

namespace {

// A status of message 0023 as a warning; items without a text are not shown.
void show_status(Status st) {
  core::ArenaScope scope;
  Text text = core::list_field(core::message_text_c("0023"), ',', st);
  if (!text.empty()) message_box(text, Text{}, kBoxWarning);
}

int key_count(uint16_t file) {
  data::FileItem item;
  return data::dict_file_attr(file, &item) == 0 ? item.key_count : 0;
}

// Key 1 as edited differs from key 1 as read.
bool key_changed(uint16_t file) {
  core::ArenaScope scope;
  return !core::text_equal(data::key_value(file, 1, data::Buffer::Current),
                           data::key_value(file, 1, data::Buffer::Saved));
}

}  // namespace

Status record_prepare(MantWindow* m, int word) {
  if (m->file == 0) return 0;
  if (m->mode > kModeSearch) return fields_store(m);
  // Searching: nothing typed is a change of the record; the find words
  // look for the key typed.
  Status st = data::buffer_restore(m->file);
  if (st == 0 && (word & 0x40) != 0) {
    bool any = false;
    std::string key = typed_key(m, index_in_use(m), &any);
    st = data::key_value_put(m->file, static_cast<uint16_t>(index_in_use(m)), core::text_view(key));
  }
  return st;
}

Status record_op(MantWindow* m, int word) {
  if (word == data::kWordDelete) {
    core::ArenaScope scope;
    if (!ask(core::message_text_c("0025"))) return core::CANCELLED;
  } else if (m->file != 0 && script::var_get_int(core::kSwIer) < 2 && key_changed(m->file)) {
    core::ArenaScope scope;
    info_box(Text{}, core::message_text_c("0024"));
    Text saved = core::text_copy(data::key_value(m->file, 1, data::Buffer::Saved));
    static_cast<void>(data::key_value_put(m->file, 1, saved));
    word = 0;
  }
  if (m->file == 0) return 0;
  core::ArenaScope scope;
  data::RecordTexts texts = data::record_texts_from_section();
  bool any = false;
  std::string typed;
  // A key typed while searching keeps the moves inside it (key 1 is the
  // order the typed text is compared in).
  if (m->mode == kModeSearch && index_in_use(m) == 1 && key_typed(m, 1)) typed = typed_key(m, 1, &any);
  texts.key_text = core::text_view(typed);
  Status st = data::record_operation(m->file, word, texts);
  if (st >= 1 && st <= 121) show_status(st);
  if (st >= 128) core::error_box(st);
  if (st < 128) fields_refresh(m, st == 0 && (word & 0x30) != 0 ? kRefreshMoved : kRefreshValues);
  return st;
}

void next_index(MantWindow* m) {
  if (m->file == 0) return;
  int count = key_count(m->file);
  if (count <= 0) return;
  int next = index_in_use(m) % count + 1;
  static_cast<void>(data::access_set_key(m->file, next));
  m->mode = kModeSearch;
  status_show(m);
  fields_focus_first(m);
}

int find_by_key(MantWindow* m) {
  if (m->file == 0) return 1;
  bool any = false;
  int key = index_in_use(m);
  std::string typed = typed_key(m, key, &any);
  if (!any) {
    next_index(m);
    return 1;
  }
  core::ArenaScope scope;
  // What the fields show now comes back when nothing is found.
  std::vector<std::string> before;
  for (int n = 1; n <= field_count(); ++n) before.push_back(core::text_str(field_value(n)));
  Status st = data::access_find(m->file, key, core::text_view(typed), data::kFindAtOrAfter);
  script::var_set_int(core::kSwIer, static_cast<int16_t>(st));
  if (st >= 1 && st <= 121) {
    show_status(st);
    for (size_t i = 0; i < before.size(); ++i) static_cast<void>(field_set(static_cast<int>(i) + 1, core::text_view(before[i])));
    // The key field is entered again, its text selected for the next try.
    if (const ScreenWindow* sw = screen_window_get(m->screen_window)) static_cast<void>(field_make_current(sw->current_field));
    return 1;
  }
  if (st >= 128) {
    core::error_box(st);
    return 1;
  }
  m->mode = kModeEdit;
  fields_refresh(m, kRefreshMoved);
  status_show(m);
  return 1;
}

}  // namespace ui::internal
