// Saving and deleting a record inside a run of equal keys. The key cannot
// name the row, so a FOR UPDATE cursor over the run walks to the row that
// equals the record as read and the write goes WHERE CURRENT OF it; then
// the scroll cursor is declared again over the run as it now is.
#include <string>

#include "data/internal/access_run.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/internal/session.h"
#include "data/records.h"
#include "data/session.h"

namespace data::internal {

using core::kOk;

namespace {

std::string buffer_text(uint16_t file, Buffer which) {
  return std::string(core::text_bytes(buffer_get(file, which)));
}

// Walks the FOR UPDATE cursor to the row equal to `record`: its 1-based
// position, or INTERNAL when the run no longer holds it.
Status find_in_run(uint16_t file, const std::string& name, const std::string& record,
                   int32_t* at) {
  *at = 0;
  for (;;) {
    Status st = send("FETCH NEXT FROM " + name + ";");
    if (st == kNoRows) return core::INTERNAL;
    if (st != kOk) return st;
    ++*at;
    if (row_record(file, current_slot(), 0) == record) return kOk;
  }
}

}  // namespace

Status run_write(uint16_t file, const std::string& set, bool del) {
  FileCtrl& ctrl = file_ctrl(file);
  std::string name = cursor_name(ctrl.cursor);
  std::string saved = buffer_text(file, Buffer::Saved);
  KeyInfo info;
  Status code = key_info(file, ctrl.key, &info);
  if (code != kOk) return code;
  Text run_key = core::text_view(ctrl.cursor_key.data(), ctrl.cursor_key.size());
  Range r = range_make(info, run_key, run_key, 3, 5, false, std::string{});
  SqlTarget t = sql_target(file);

  bool own = !sql_in_transaction();
  if (own) code = send("START TRANSACTION;");
  static_cast<void>(send("CLOSE " + name + ";"));
  if (code == kOk)
    code = send("DECLARE " + name + " CURSOR FOR SELECT * FROM " + t.table + " WHERE " +
                range_text(r) + " ORDER BY " + order_text(info, false, t.compat) + " FOR UPDATE;");
  int32_t at = 0;
  if (code == kOk) code = find_in_run(file, name, saved, &at);
  if (code == kOk)
    code = send(del ? "DELETE FROM " + t.table + " WHERE CURRENT OF " + name + ";"
                    : "UPDATE " + t.table + " SET " + set + " WHERE CURRENT OF " + name + ";");
  static_cast<void>(send("CLOSE " + name + ";"));
  if (own) {
    Status end = send(code == kOk ? "COMMIT;" : "ROLLBACK;");
    if (code == kOk) code = end;
  }
  if (code != kOk) {
    // Nothing was written: the run and the position are as they were.
    static_cast<void>(cursor_redeclare(file, saved));
    return code;
  }
  if (!del) {
    ctrl.cursor_row = at;
    return cursor_redeclare(file, buffer_text(file, Buffer::Current));
  }
  if (at == 1) {
    // The first of its run: the run is left.
    access_state().cursor_owner[ctrl.cursor] = 0;
    ctrl.cursor = -1;
    ctrl.cursor_row = 0;
    ctrl.cursor_key.clear();
    return kOk;
  }
  // The record before the deleted one becomes the current one.
  ctrl.cursor_row = at;
  code = cursor_redeclare(file, std::string{});
  if (code == kOk) code = send("FETCH RELATIVE 0 FROM " + name + ";");
  if (code == kOk) code = load_row(file, current_slot(), 0);
  return code;
}

}  // namespace data::internal
