// Deleting a range of records in one transaction: every row whose covered
// key fields equal a value (the lines of one document, say), each row's
// relational effects taken away with it.
//
// The rows are deleted first, with RETURNING, and their rules run on the
// rows the DELETE really removed: a row another user adds meanwhile is
// either deleted with its effects taken away or left alone, never deleted
// unnoticed. A rule that fails rolls the whole range back.
#include <string>

#include "core/arena.h"
#include "data/access.h"
#include "data/internal/access_run.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/internal/session.h"
#include "data/relup.h"
#include "data/session.h"

namespace data {

using core::kOk;

Status access_delete_range(uint16_t file, int key, Text value, Text condition, int flags) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  if (!value.ok()) return core::text_error(value);
  int k = access_set_key(n, key);
  internal::KeyInfo info;
  Status code = internal::key_info(n, static_cast<uint16_t>(k), &info);
  if (code != kOk) return code;
  core::ArenaScope scope;
  Text cond = internal::file_condition(n, condition);
  if (!cond.ok()) return core::text_error(cond);
  internal::Range r = internal::range_make(info, value, value, 3, 5, false, std::string(core::text_bytes(cond)));
  std::string where = internal::range_text(r);
  // An empty key would name every row.
  if (internal::key_pieces(info, value).empty()) return kStatusBadKey;
  std::string table(core::text_bytes(dict_file_name(n)));
  internal::position_note(n);
  internal::cursor_close(n);

  bool own = !sql_in_transaction();
  if (own) code = internal::send("START TRANSACTION;");
  if (code == kOk && (flags & kRangeRefuseAny) != 0 &&
      internal::send_number("SELECT COUNT (*) FROM (SELECT 1 FROM " + table + " WHERE " + where +
                            " LIMIT 1) AS u;") > 0)
    code = kStatusChanged;
  int saved = internal::current_slot();
  int slot = internal::slot_search(internal::current_conn());
  int64_t rows = 0;
  if (code == kOk) {
    code = slot < 0 ? core::DATAOUTBOUND
                    : internal::send_to("DELETE FROM ONLY " + table + " WHERE " + where + " RETURNING *;",
                                        slot, &rows);
    if (code == kNoRows) code = kOk;
  }
  for (int64_t i = rows - 1; i >= 0 && code == kOk; --i) {
    code = internal::load_row(n, slot, static_cast<int>(i));
    if (code == kOk) code = relup_take_away(n);
  }
  if (slot >= 0) sql_release(slot);
  internal::set_current_slot(saved);
  if (!own || (flags & kRangeKeepOpen) != 0) return code;
  Status end = internal::send(code < 128 ? "COMMIT;" : "ROLLBACK;");
  return end != kOk && code < 128 ? end : code;
}

}  // namespace data
