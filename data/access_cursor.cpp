// Scroll cursors over runs of equal keys. A key value shared by several
// rows cannot tell them apart in a WHERE condition, so the file walks such
// a run through a cursor over exactly those rows and moves on by SELECT
// once it runs past either end.
//
// Cursors are declared WITH HOLD: the runtime commits after every write,
// and a cursor that lived only in the transaction would be gone after it.
// Declared outside a transaction, the run is read once at the DECLARE and
// kept by the server until CLOSE; a write inside the run declares the
// cursor again, so that it shows the rows as written.
#include <string>

#include "data/internal/access_run.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/internal/session.h"
#include "data/dictionary.h"
#include "data/records.h"
#include "data/session.h"

namespace data::internal {

using core::kOk;

std::string cursor_name(int n) { return "curs_" + std::to_string(n); }

namespace {

Status declare(uint16_t file, int n, const std::string& key_value) {
  FileCtrl& ctrl = file_ctrl(file);
  KeyInfo info;
  Status code = key_info(file, ctrl.key, &info);
  if (code != kOk) return code;
  Text value = core::text_view(key_value.data(), key_value.size());
  Range r = range_make(info, value, value, 1, 5, false, std::string{});
  return send("DECLARE " + cursor_name(n) + " SCROLL CURSOR WITH HOLD FOR " +
              run_sql(sql_target(file), r) + ";");
}

int free_entry() {
  const AccessState& s = access_state();
  for (int n = 0; n < kCursorCount; ++n)
    if (s.cursor_owner[n] == 0) return n;
  return -1;
}

// One step of the position kept for a FETCH that found a row.
int32_t stepped(int32_t row, int code) {
  if (code == kNavFirst) return 1;
  if (code == kNavLast) return -1;
  return code == kNavPrevious ? row - 1 : row + 1;
}

const char* direction(int code) {
  switch (code) {
    case kNavLast: return "LAST";
    case kNavFirst: return "FIRST";
    case kNavPrevious: return "PRIOR";
    default: return "NEXT";
  }
}

}  // namespace

void cursor_close(uint16_t file) {
  FileCtrl& ctrl = file_ctrl(file);
  if (ctrl.cursor < 0) return;
  int n = ctrl.cursor;
  static_cast<void>(send("CLOSE " + cursor_name(n) + ";"));
  access_state().cursor_owner[n] = 0;
  ctrl.cursor = -1;
  ctrl.cursor_row = 0;
  ctrl.cursor_key.clear();
}

Status cursor_open(uint16_t file, const std::string& key_value, bool last) {
  FileCtrl& ctrl = file_ctrl(file);
  cursor_close(file);
  AccessState& s = access_state();
  int n = free_entry();
  if (n < 0) return core::INTERNAL;
  if (declare(file, n, key_value) != kOk) {
    static_cast<void>(send("CLOSE " + cursor_name(n) + ";"));
    return core::INTERNAL;
  }
  s.cursor_owner[n] = static_cast<uint8_t>(file);
  ctrl.cursor = static_cast<int16_t>(n);
  ctrl.cursor_key = key_value;
  Status code = cursor_fetch(file, last ? kNavLast : kNavFirst);
  return code == kOk ? kOk : core::INTERNAL;
}

Status cursor_fetch(uint16_t file, int code) {
  FileCtrl& ctrl = file_ctrl(file);
  if (ctrl.cursor < 0) return kStatusEnd;
  Status st = send(std::string("FETCH ") + direction(code) + " FROM " + cursor_name(ctrl.cursor) + ";");
  if (st == kNoRows) {
    cursor_close(file);
    return kStatusEnd;
  }
  if (st != kOk) return st;
  ctrl.cursor_row = stepped(ctrl.cursor_row, code);
  return load_row(file, current_slot(), 0);
}

Status cursor_redeclare(uint16_t file, const std::string& record) {
  FileCtrl& ctrl = file_ctrl(file);
  if (ctrl.cursor < 0) return kOk;
  std::string name = cursor_name(ctrl.cursor);
  Status code = declare(file, ctrl.cursor, ctrl.cursor_key);
  int64_t rows = 0;
  if (code == kOk) code = send("FETCH ALL FROM " + name + ";", &rows);
  if (code != kOk && code != kNoRows) {
    access_state().cursor_owner[ctrl.cursor] = 0;
    ctrl.cursor = -1;
    return code;
  }
  int32_t at = -1;
  int slot = current_slot();
  for (int64_t i = 0; i < rows && at < 0; ++i)
    if (row_record(file, slot, static_cast<int>(i)) == record) at = static_cast<int32_t>(i + 1);
  // A row that left the run: stand on the one before it, so that the next
  // fetch reads the row that followed it.
  if (at < 0) at = ctrl.cursor_row > 0 ? ctrl.cursor_row - 1 : ctrl.cursor_row;
  ctrl.cursor_row = at;
  return send("MOVE ABSOLUTE " + std::to_string(at) + " IN " + name + ";");
}

Status cursor_resume(uint16_t file, const std::string& key_value, const std::string& record) {
  FileCtrl& ctrl = file_ctrl(file);
  cursor_close(file);
  int n = free_entry();
  if (n < 0) return core::INTERNAL;
  access_state().cursor_owner[n] = static_cast<uint8_t>(file);
  ctrl.cursor = static_cast<int16_t>(n);
  ctrl.cursor_key = key_value;
  ctrl.cursor_row = 0;
  return cursor_redeclare(file, record);
}

Status cursor_reposition(uint16_t file, const std::string& record) {
  FileCtrl& ctrl = file_ctrl(file);
  if (ctrl.cursor < 0) return kOk;
  static_cast<void>(send("CLOSE " + cursor_name(ctrl.cursor) + ";"));
  return cursor_redeclare(file, record);
}

void connection_renewed() {
  AccessState& s = access_state();
  // A write that had not begun yet (its BEGIN is what found the connection
  // broken) lost nothing: it begins on the new connection.
  if (s.write.depth > 0 && s.write.began) s.write.lost = true;
  for (uint16_t file = 1; file <= dict_file_count(); ++file) {
    FileCtrl& ctrl = file_ctrl(file);
    if (ctrl.cursor < 0) continue;
    std::string key = ctrl.cursor_key;
    s.cursor_owner[ctrl.cursor] = 0;
    ctrl.cursor = -1;
    std::string record(core::text_bytes(buffer_get(file, Buffer::Saved)));
    static_cast<void>(cursor_resume(file, key, record));
  }
}

}  // namespace data::internal
