// File control records: opening and closing data files, the current key,
// the last status, and the open-file sets of the windows.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/access.h"
#include "data/internal/access.h"
#include "data/internal/access_run.h"
#include "data/internal/common.h"
#include "data/internal/state.h"
#include "data/records.h"
#include "script/variables.h"

namespace data {

using core::kOk;
using internal::file_ctrl;
using internal::FileCtrl;

namespace internal {

AccessState& access_state() { return state().access; }

FileCtrl& file_ctrl(uint16_t file) {
  uint16_t n = dict_file_resolve(file);
  core::assert_true(n != 0, "DataFileCtrl"_t);
  return access_state().files[n];
}

Status resolve_file(uint16_t file, uint16_t* out) {
  *out = dict_file_resolve(file);
  return *out != 0 ? kOk : core::FILEOUTBOUND;
}

Status file_ready(uint16_t file, uint16_t* out) {
  if (resolve_file(file, out) != kOk) return core::FILEOUTBOUND;
  return buffer_is_open(*out) ? kOk : buffer_open(*out);
}

}  // namespace internal

namespace {

// Group 33 of the slot store: the stack of open-file sets.

// Positions a file opened with mode 8 on its first record. A server that
// refuses the NULLS clauses fails the first try: the error is shown, the
// orderings drop the clauses for good, and the move is tried once more.
Status first_positioning(uint16_t file) {
  Status code = access_navigate(file, kNavFirst);
  if (code != core::SQLERROR || (script::var_get_int(core::kSwSysCompat) & 1) != 0) return code;
  core::error_box(code);
  core::error_clear();
  script::var_set_int(core::kSwSysCompat, static_cast<int16_t>(script::var_get_int(core::kSwSysCompat) | 1));
  return access_navigate(file, kNavFirst);
}

Status apply_set(Text set) {
  core::ArenaScope scope;
  core::TextArray items = core::list_split(set, ',');
  if (items.status != kOk) return items.status;
  Status result = kOk;
  for (uint16_t i = items.count; i >= 1; --i) {
    Text item = core::text_trim(items.at(i), core::kTrimBoth);
    uint16_t semicolon = core::text_find_char(item, ';', 0, false);
    Text name = core::text_trim(core::text_sub(item, 0, semicolon), core::kTrimBoth);
    int mode = i == items.count ? 8 : 1;
    if (semicolon != core::kNoPos)
      mode = core::text_to_int(core::text_sub(item, semicolon + 1, core::kToEnd));
    if (i == items.count) mode |= kOpenFirst;
    uint16_t file = name.len == 0 ? 0 : dict_file_by_ref(name);
    if (file == 0) return core::report_detail(core::FILESOPEN, item, false);
    Status code = mode != 0 ? access_open(file, mode) : access_close(file);
    if (code >= 128) return code;
    if (i == items.count) result = code;
  }
  return result;
}

}  // namespace

void access_sql_form_set(SqlForm form) { internal::access_state().form = form; }
SqlForm access_sql_form() { return internal::access_state().form; }
void access_read_ahead_set(bool on) { internal::access_state().read_ahead = on; }

bool access_is_file(uint16_t file) { return dict_file_resolve(file) != 0; }

Status access_open(uint16_t file, int mode) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return core::FILEOUTBOUND;
  internal::position_note(n);
  Status code = access_close(n);
  if (code == kOk) code = buffer_open(n);
  if (code != kOk) return code;
  FileCtrl& ctrl = file_ctrl(n);
  int32_t rule_base = ctrl.rule_base;
  uint16_t rule_count = ctrl.rule_count;
  ctrl = FileCtrl{};
  // The relational-update rules outlive the positions of the file.
  ctrl.rule_base = rule_base;
  ctrl.rule_count = rule_count;
  ctrl.mode = static_cast<uint8_t>(mode);
  ctrl.opened = true;
  if ((mode & kOpenFirst) != 0) return first_positioning(n);
  return kOk;
}

Status access_close(uint16_t file) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return core::FILEOUTBOUND;
  internal::cursor_close(n);
  internal::block_release(n);
  internal::ahead_drop(n);
  return kOk;
}

Status access_open_set(Text set) {
  if (!set.ok()) return core::text_error(set);
  core::ArenaScope scope;
  Text trimmed = core::text_trim(set, core::kTrimBoth);
  if (core::text_equal(core::text_case(trimmed, core::Case::Upper), "RESTORE"_t)) {
    if (core::slot_count(core::kGroupOpenSets) == 0) return kOk;
    Status code = core::slot_pop(core::kGroupOpenSets);
    if (code != kOk || core::slot_count(core::kGroupOpenSets) == 0) return code;
    return apply_set(core::text_copy(core::slot_last(core::kGroupOpenSets)));
  }
  Status code = core::slot_append(core::kGroupOpenSets, trimmed);
  if (code != kOk) return code;
  return apply_set(trimmed);
}

int access_set_key(uint16_t file, int key) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return 0;
  FileCtrl& ctrl = file_ctrl(n);
  if (key == -1) return ctrl.key;
  FileItem item;
  if (dict_file_attr(n, &item) != kOk || key < 1 || key > item.key_count) return 0;
  if (ctrl.key != key) {
    internal::position_note(n);
    internal::cursor_close(n);
  }
  ctrl.key = static_cast<uint16_t>(key);
  return key;
}

int access_key(uint16_t file) { return access_set_key(file, -1); }

Status access_status(uint16_t file) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return core::FILEOUTBOUND;
  return file_ctrl(n).status;
}

}  // namespace data
