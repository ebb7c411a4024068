// Blocks of rows for grids: up to 512 rows in key order, kept in a session
// slot of their own so that lookups in between do not replace them. A full
// block ends at a key boundary: the rows of the key value that the block
// cuts through are read again, whole, at the start of the next block.
#include <string>

#include "core/arena.h"
#include "data/internal/access_run.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/internal/session.h"
#include "data/session.h"

namespace data {

using core::kOk;
using internal::file_ctrl;
using internal::FileCtrl;

namespace internal {

void block_release(uint16_t file) {
  FileCtrl& ctrl = file_ctrl(file);
  for (uint16_t slot : {ctrl.block_slot, ctrl.prev_block_slot})
    if (slot != 0) sql_release(slot);
  ctrl.block_slot = ctrl.prev_block_slot = 0;
  ctrl.block_row = 0;
  ctrl.block_boundary = -1;
}

}  // namespace internal

namespace {

// The last row whose key differs from that of the block's last row; -1
// when the whole block holds one key value.
int32_t key_boundary(uint16_t file, uint16_t key, int slot, int64_t rows) {
  std::string last = internal::record_key(file, key, internal::row_record(file, slot, static_cast<int>(rows - 1)));
  for (int64_t i = rows - 2; i >= 0; --i)
    if (internal::record_key(file, key, internal::row_record(file, slot, static_cast<int>(i))) != last)
      return static_cast<int32_t>(i);
  return -1;
}

// Reads the block that starts at `from` (compared by c: 3 at or after, 2
// after) into a fresh slot and loads its first row.
Status read_block(uint16_t file, const std::string& from, int c) {
  FileCtrl& ctrl = file_ctrl(file);
  if (ctrl.block_lock != 0) return core::DATAOUTBOUND;
  internal::KeyInfo info;
  Status code = internal::key_info(file, ctrl.block_key, &info);
  if (code != kOk) return code;
  internal::Range r = internal::range_make(info, core::text_view(from), core::text_view(ctrl.block_limit), c, 5,
                                           false, ctrl.block_cond);
  std::string sql = internal::select_sql(internal::sql_target(file), r, false, kBlockRows);
  // The block before this one is kept until this one is read.
  if (ctrl.prev_block_slot != 0) sql_release(ctrl.prev_block_slot);
  ctrl.prev_block_slot = ctrl.block_slot;
  int saved = internal::current_slot();
  int slot = internal::slot_search(internal::current_conn());
  if (slot < 0) return core::DATAOUTBOUND;
  int64_t rows = 0;
  code = internal::send_shaped_to(sql, slot, &rows);
  internal::set_current_slot(saved);
  ctrl.block_slot = code == kOk ? static_cast<uint16_t>(slot) : 0;
  ctrl.block_row = 0;
  ctrl.block_boundary = -1;
  if (code == kNoRows) return kStatusEnd;
  if (code != kOk) return code;
  if (rows == kBlockRows) ctrl.block_boundary = key_boundary(file, ctrl.block_key, slot, rows);
  return internal::load_row(file, slot, 0);
}

Status block_status(uint16_t file, Status st) {
  FileCtrl& ctrl = file_ctrl(file);
  ctrl.block_code = st;
  ctrl.status = st;
  return st;
}

}  // namespace

Status access_block_read(uint16_t file, int key, Text from, Text limit, Text condition) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  FileCtrl& ctrl = file_ctrl(n);
  if (ctrl.block_lock != 0) return core::DATAOUTBOUND;
  int k = access_set_key(n, key);
  if (k == 0) return core::DATAOUTBOUND;
  core::ArenaScope scope;
  Text cond = internal::file_condition(n, condition);
  if (!cond.ok()) return core::text_error(cond);
  internal::position_note(n);
  ctrl.block_key = static_cast<uint16_t>(k);
  ctrl.block_limit = std::string(core::text_bytes(limit));
  ctrl.block_cond = std::string(core::text_bytes(cond));
  return block_status(n, read_block(n, std::string(core::text_bytes(from)), 3));
}

Status access_block_next(uint16_t file) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return core::FILEOUTBOUND;
  FileCtrl& ctrl = file_ctrl(n);
  if (ctrl.block_slot == 0) return block_status(n, kStatusEnd);
  internal::position_note(n);
  int slot = ctrl.block_slot;
  int64_t rows = access_block_rows(n);
  int32_t row = ctrl.block_row + 1;
  bool full = rows == kBlockRows;
  if (full && ctrl.block_boundary >= 0 && row > ctrl.block_boundary) {
    std::string from = internal::record_key(n, ctrl.block_key, internal::row_record(n, slot, row));
    return block_status(n, read_block(n, from, 3));
  }
  if (row >= rows) {
    if (!full) return block_status(n, kStatusEnd);
    // One key value fills the whole block: go on after it.
    std::string from = internal::record_key(n, ctrl.block_key, internal::row_record(n, slot, row - 1));
    return block_status(n, read_block(n, from, 2));
  }
  ctrl.block_row = row;
  return block_status(n, internal::load_row(n, slot, row));
}

void access_block_lock(uint16_t file, bool locked) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) == kOk) file_ctrl(n).block_lock = locked ? 1 : 0;
}

int64_t access_block_rows(uint16_t file) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return 0;
  uint16_t slot = file_ctrl(n).block_slot;
  if (slot == 0) return 0;
  int saved = internal::current_slot();
  int64_t rows = sql_row_count(slot);
  internal::set_current_slot(saved);
  return rows;
}

int32_t access_block_boundary(uint16_t file) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return -1;
  return file_ctrl(n).block_boundary;
}

}  // namespace data
