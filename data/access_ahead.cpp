// Read-ahead of a walk: after a few next moves in a row, the rows that
// follow are read in one block and the next moves are served from it. A
// record is served only where the single-row move would land on exactly
// that record:
//   - the file still stands on the record served before (the key value in
//     its buffer is that record's), by the same key;
//   - nothing that may have changed rows was sent since the block was read;
//   - the record's key value is not shared: it differs from the next row's
//     in the block (or the block reached the end of the file), and it has
//     no blank piece (a blank piece also matches NULL, so its run is only
//     known by a count).
// Anything else drops the block and the move goes on as a single SELECT.
#include <string>

#include "core/arena.h"
#include "data/internal/access_run.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/internal/session.h"
#include "data/internal/state.h"
#include "data/records.h"

namespace data::internal {

namespace {

using core::kOk;
using Ahead = FileCtrl::ReadAhead;

// Next moves by single SELECTs before the walk reads ahead, and the size
// of its blocks: small at first (a walk may stop soon), growing to the
// largest.
constexpr int kAheadAfter = 3;
constexpr int kAheadFirst = 32;
constexpr int kAheadLargest = 1024;

std::string current_key(uint16_t file, uint16_t key) {
  core::ArenaScope scope;
  Text value = key_value(file, key, Buffer::Current);
  return value.ok() ? std::string(core::text_bytes(value)) : std::string{};
}

bool has_blank_piece(const KeyInfo& info, const std::string& value) {
  for (const Piece& p : key_pieces(info, core::text_view(value)))
    if (p.null) return true;
  return false;
}

void clear_rows(Ahead& a) {
  a.records.clear();
  a.keys.clear();
  a.next = 0;
  a.complete = false;
}

// Reads the rows after the key value the file stands on.
Status read_rows(uint16_t file, const KeyInfo& info, Ahead& a) {
  clear_rows(a);
  a.size = a.size == 0 ? kAheadFirst : std::min(a.size * 4, kAheadLargest);
  Range r = range_make(info, core::text_view(a.last_key), Text{}, 2, 5, true, std::string{});
  std::string sql = select_sql(sql_target(file), r, false, a.size);
  int saved = current_slot();
  int slot = slot_search(current_conn());
  if (slot < 0) return core::DATAOUTBOUND;
  int64_t rows = 0;
  Status code = send_shaped_to(sql, slot, &rows);
  if (code == kOk) {
    a.records.reserve(static_cast<size_t>(rows));
    a.keys.reserve(static_cast<size_t>(rows));
    for (int64_t i = 0; i < rows; ++i) {
      a.records.push_back(row_record(file, slot, static_cast<int>(i)));
      a.keys.push_back(record_key(file, a.key, a.records.back()));
    }
  }
  sql_release(slot);
  set_current_slot(saved);
  a.complete = code == kNoRows || (code == kOk && rows < a.size);
  a.changes = state().changes;
  return code == kNoRows ? kOk : code;
}

bool servable(const KeyInfo& info, const Ahead& a) {
  if (a.next >= a.records.size()) return false;
  const std::string& key = a.keys[a.next];
  if (key.empty() || has_blank_piece(info, key)) return false;
  if (a.next + 1 < a.keys.size()) return a.keys[a.next + 1] != key;
  return a.complete;
}

}  // namespace

void ahead_drop(uint16_t file) {
  Ahead& a = file_ctrl(file).ahead;
  clear_rows(a);
  a.streak = 0;
  a.size = 0;
}

bool ahead_serve(uint16_t file, Status* st) {
  FileCtrl& ctrl = file_ctrl(file);
  Ahead& a = ctrl.ahead;
  if (!access_state().read_ahead || a.streak < kAheadAfter || a.key != ctrl.key || ctrl.cursor >= 0)
    return false;
  if (current_key(file, ctrl.key) != a.last_key) {
    ahead_drop(file);
    return false;
  }
  KeyInfo info;
  if (key_info(file, ctrl.key, &info) != kOk) return false;
  if (a.changes != state().changes) clear_rows(a);
  // A block that reached the end of the file leaves the end to the
  // single-row move.
  // The last row of a block that did not reach it may start a run that
  // goes on past the block: the next block starts with that row.
  bool at_end = a.complete && a.next >= a.records.size();
  bool read = a.next >= a.records.size() || (a.next + 1 == a.records.size() && !a.complete);
  if (!at_end && read && (read_rows(file, info, a) != kOk || a.records.empty())) {
    ahead_drop(file);
    return false;
  }
  if (!servable(info, a)) {
    ahead_drop(file);
    return false;
  }
  *st = load_record(file, a.records[a.next]);
  a.last_key = a.keys[a.next];
  ++a.next;
  return true;
}

void ahead_note(uint16_t file, int code, Status st) {
  FileCtrl& ctrl = file_ctrl(file);
  Ahead& a = ctrl.ahead;
  if (code != kNavNext || st != kOk || ctrl.cursor >= 0) {
    ahead_drop(file);
    return;
  }
  if (a.key != ctrl.key) {
    ahead_drop(file);
    a.key = ctrl.key;
  }
  clear_rows(a);
  a.last_key = current_key(file, ctrl.key);
  ++a.streak;
}

}  // namespace data::internal
