// Moves: first, last, next and previous by the current key, and find by
// key. A move that lands on a key value other rows share continues in a
// scroll cursor over that run (data/access_cursor.cpp).
#include <string>

#include "core/arena.h"
#include "data/internal/access_run.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/internal/session.h"
#include "data/records.h"
#include "data/session.h"

namespace data {

using core::kOk;
using internal::file_ctrl;
using internal::FileCtrl;
using internal::KeyInfo;
using internal::Range;
using internal::SqlTarget;

namespace {

bool reads_two(const SqlTarget& t) { return t.form == SqlForm::Indexed && !t.compat; }

// The statement of a move; empty when nothing is to be sent.
std::string move_sql(uint16_t file, uint16_t key, int code, Text value, int flags) {
  KeyInfo info;
  if (internal::key_info(file, key, &info) != kOk) return std::string{};
  SqlTarget t = internal::sql_target(file);
  int limit = reads_two(t) ? 2 : 1;
  switch (code) {
    case kNavFirst: return internal::select_all_sql(t, info, false, limit);
    case kNavLast: return internal::select_all_sql(t, info, true, limit);
    case kNavNext:
    case kNavPrevious: {
      bool previous = code == kNavPrevious;
      Range r = internal::range_make(info, value, Text{}, previous ? 4 : 2, 5, true, std::string{});
      return internal::select_sql(t, r, previous, limit);
    }
    default: break;
  }
  bool after = (flags & kFindAtOrAfter) != 0;
  if (value.len == 0) return after ? internal::select_all_sql(t, info, false, limit) : std::string{};
  Range r = internal::range_make(info, value, Text{}, after ? 3 : 1, 5, false, std::string{});
  return internal::select_sql(t, r, false, limit);
}

// Sends the move and settles on its first row. 1 for a previous that
// finds nothing, 2 for any other empty answer.
Status run_move(uint16_t file, const std::string& sql, int code) {
  bool backwards = code == kNavPrevious || code == kNavLast;
  if (sql.empty()) return kStatusEnd;
  int64_t rows = 0;
  Status st = internal::send_shaped(sql, &rows);
  if (st == kNoRows) return code == kNavPrevious ? kStatusNotFound : kStatusEnd;
  if (st != kOk) return st;
  return internal::settle_run(file, rows > 1 ? 1 : -1, backwards);
}

Status finish(uint16_t file, Status st) {
  FileCtrl& ctrl = file_ctrl(file);
  if (st != kOk) static_cast<void>(buffer_clear(file));
  ctrl.status = st;
  return st;
}

}  // namespace

namespace internal {

Status settle_run(uint16_t file, int next_row, bool from_last) {
  FileCtrl& ctrl = file_ctrl(file);
  int slot = current_slot();
  std::string record = row_record(file, slot, 0);
  Status code = load_record(file, record);
  if (code != kOk) return code;
  std::string key = record_key(file, ctrl.key, record);
  KeyInfo info;
  code = key_info(file, ctrl.key, &info);
  if (code != kOk) return code;
  Text value = core::text_view(key.data(), key.size());
  bool blank_piece = false;
  for (const Piece& p : key_pieces(info, value)) blank_piece |= p.null;
  bool shared = false;
  SqlTarget t = sql_target(file);
  if (reads_two(t) && !blank_piece) {
    // Rows of the same key value sort together, so the row after this one
    // in the answer shares its key exactly when any row does.
    shared = next_row >= 0 && record_key(file, ctrl.key, row_record(file, slot, next_row)) == key;
  } else {
    Range r = range_make(info, value, value, 3, 5, false, std::string{});
    shared = send_number(count_sql(t, r, 2)) > 1;
  }
  if (!shared) return kOk;
  return cursor_open(file, key, from_last);
}

}  // namespace internal


Status access_navigate(uint16_t file, int code) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  internal::position_note(n);
  FileCtrl& ctrl = file_ctrl(n);
  if (code == kNavPrevious && ctrl.status == kStatusEnd) code = kNavLast;
  if (code == kNavNext) {
    Status served = kOk;
    if (internal::ahead_serve(n, &served)) return finish(n, served);
  }
  if (ctrl.cursor >= 0) {
    if (code == kNavFirst || code == kNavLast) {
      internal::cursor_close(n);
    } else {
      Status st = internal::cursor_fetch(n, code);
      // Past either end of the run: on by SELECT from the run's key.
      if (st != kStatusEnd) {
        internal::ahead_drop(n);
        return finish(n, st);
      }
    }
  }
  core::ArenaScope scope;
  Text value = key_value(n, ctrl.key, Buffer::Current);
  if (!value.ok()) return finish(n, core::text_error(value));
  Status st = finish(n, run_move(n, move_sql(n, ctrl.key, code, value, 0), code));
  internal::ahead_note(n, code, st);
  return st;
}

Status access_find(uint16_t file, int key, Text value, int flags) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  if (!value.ok()) return core::text_error(value);
  internal::position_note(n);
  if (access_set_key(n, key) == 0) return core::DATAOUTBOUND;
  internal::cursor_close(n);
  internal::ahead_drop(n);
  FileCtrl& ctrl = file_ctrl(n);
  Status st = run_move(n, move_sql(n, ctrl.key, kNavFind, value, flags), kNavFind);
  if (st == kOk) {
    core::ArenaScope scope;
    Text loaded = key_value(n, ctrl.key, Buffer::Current);
    if (!core::text_equal(core::text_sub(loaded, 0, value.len), value)) st = kStatusNotFound;
  }
  if (st == kStatusEnd && (flags & kFindFillKey) != 0) {
    ctrl.status = st;
    Status code = buffer_clear(n);
    if (code == kOk) code = key_value_put(n, ctrl.key, value);
    return code != kOk ? code : st;
  }
  if (st == kStatusNotFound) {
    ctrl.status = st;
    return st;
  }
  return finish(n, st);
}

Text access_move_sql(uint16_t file, int code, Text value, int flags) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return core::text_error_value(core::FILEOUTBOUND);
  return core::arena_text(internal::sql_plain(move_sql(n, file_ctrl(n).key, code, value, flags)));
}

int64_t access_count(uint16_t file, int key, Text from, Text to, Text extra_sql) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return 0;
  KeyInfo info;
  if (internal::key_info(n, static_cast<uint16_t>(key), &info) != kOk) return 0;
  Range r = internal::range_make(info, from, to, 3, 5, false,
                                 std::string(core::text_bytes(extra_sql)));
  return internal::send_number(internal::count_sql(internal::sql_target(n), r, 0));
}

}  // namespace data
