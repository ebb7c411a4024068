// Writes: insert, save, delete, update by key, and the transaction and
// trigger switches.
//
// A saved or deleted row is named by key 1 and the key-1 value of the
// record as read. The one statement that writes it also checks, as it
// writes, that the key names exactly one row and that the row is still as
// it was read; otherwise nothing is written and the answer tells which:
// INDEXCMDERROR when the key is ambiguous or gone, 7 when another user has
// changed the row. So a stale record never overwrites another user's work,
// and the relational rules never take away values the row no longer holds.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/internal/access_run.h"
#include "data/internal/access_sql.h"
#include "data/internal/common.h"
#include "data/records.h"
#include "data/session.h"
#include "script/variables.h"

namespace data {

using core::kOk;
using internal::file_ctrl;
using internal::FileCtrl;
using internal::KeyField;

namespace {

std::string buffer_text(uint16_t file, Buffer which) {
  return std::string(core::text_bytes(buffer_get(file, which)));
}

// Half a unit of the field's last decimal: a number read into the field
// was rounded by at most that much.
std::string half_unit(char type) {
  int decimals = type >= '1' && type <= '9' ? type - '0' : 0;
  return "0." + std::string(static_cast<size_t>(decimals), '0') + "5";
}

// The row is still as the record shows it: every field equal (a number to
// the field's decimals), a blank field NULL (or empty, for text). A field
// of width 0 holds nothing to compare.
std::string record_match(const std::vector<KeyField>& fields, const std::string& record) {
  std::vector<std::string> parts;
  for (const KeyField& f : fields) {
    if (f.width == 0) continue;
    std::string literal = internal::field_literal(f, record);
    std::string name = internal::quote_ident(f.name);
    if (literal == "NULL") {
      parts.push_back(f.numeric ? name + " IS NULL" : "(" + name + " IS NULL OR " + name + " = '')");
    } else if (f.numeric && literal[0] != '\'' && literal[0] != 'E') {
      std::string h = half_unit(f.type);
      parts.push_back(name + " BETWEEN " + literal + " - " + h + " AND " + literal + " + " + h);
    } else {
      parts.push_back(name + " = " + literal);
    }
  }
  return internal::join_with(parts, " AND ");
}

struct RowName {
  std::string where;      // equality on key 1
  std::string at_most_2;  // the count of those rows, stopped at 2
};

// Key 1 with its value in the record.
Status row_name(uint16_t file, const std::string& record, RowName* out) {
  internal::KeyInfo info;
  Status code = internal::key_info(file, 1, &info);
  if (code != kOk) return code;
  std::string value = internal::record_key(file, 1, record);
  Text v = core::text_view(value.data(), value.size());
  internal::Range r = internal::range_make(info, v, v, 3, 5, false, std::string{});
  out->where = internal::range_text(r);
  if (out->where.empty()) return core::INDEXCMDERROR;
  std::string count = internal::count_sql(internal::sql_target(file), r, 2);
  out->at_most_2 = count.substr(0, count.size() - 1);
  return kOk;
}

// UPDATE or DELETE of the one row the record was read from (head is the
// statement up to WHERE).
Status write_row(uint16_t file, const std::string& head, const std::string& record) {
  RowName row;
  Status code = row_name(file, record, &row);
  if (code != kOk) return code;
  std::vector<std::string> where = {row.where,
                                    record_match(internal::file_fields(file), record)};
  bool checked = (script::var_get_int(core::kSwUpStat) & kUpNoCountCheck) == 0;
  if (checked) where.push_back("(" + row.at_most_2 + ") = 1");
  int64_t affected = 0;
  code = internal::send(head + " WHERE " + internal::join_with(where, " AND ") + ";", &affected);
  if (code != kOk || affected > 0) return code;
  // Nothing written: either the key no longer names one row, or the row
  // changed under us.
  return internal::send_number(row.at_most_2 + ";") == 1 ? kStatusChanged : core::INDEXCMDERROR;
}

std::string set_list(uint16_t file, const std::string& current, const std::string& saved) {
  std::string set;
  for (const KeyField& f : internal::file_fields(file)) {
    if (current.compare(f.offset, f.width, saved, f.offset, f.width) == 0) continue;
    if (!set.empty()) set += ",";
    set += internal::quote_ident(f.name) + " = " + internal::field_literal(f, current);
  }
  return set;
}

bool left_out(Text name) {
  return core::list_index("NUL,NULL,OTHER,AVOID"_t, ',', name) != 0;
}

}  // namespace

Status access_insert(uint16_t file) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  std::vector<KeyField> fields = internal::file_fields(n);
  std::string record = buffer_text(n, Buffer::Current);
  size_t last = fields.size();
  while (last > 0 && left_out(core::text_view(fields[last - 1].name.data(), fields[last - 1].name.size())))
    --last;
  std::string values;
  for (size_t i = 0; i < last; ++i) {
    if (i > 0) values += ",";
    values += internal::field_literal(fields[i], record);
  }
  std::string table(core::text_bytes(dict_file_name(n)));
  return internal::send("INSERT INTO " + table + " VALUES (" + values + ");");
}

Status access_save(uint16_t file) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  if (!buffer_changed(n)) return kOk;
  std::string current = buffer_text(n, Buffer::Current);
  std::string saved = buffer_text(n, Buffer::Saved);
  std::string set = set_list(n, current, saved);
  if (file_ctrl(n).cursor >= 0) return internal::run_write(n, set, false);
  std::string table(core::text_bytes(dict_file_name(n)));
  return write_row(n, "UPDATE ONLY " + table + " SET " + set, saved);
}

Status access_delete(uint16_t file) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  FileCtrl& ctrl = file_ctrl(n);
  std::string current = buffer_text(n, Buffer::Current);
  std::string saved = buffer_text(n, Buffer::Saved);
  if (ctrl.key != 1) {
    // The run to delete in is that of key 1; the record to delete stays
    // the one read, whichever row of its key-1 value the find lands on.
    std::string value = internal::record_key(n, 1, saved);
    Status code = access_find(n, 1, core::text_view(value.data(), value.size()), 0);
    if (code >= 128) return code;
    code = buffer_put(n, Buffer::Current, core::text_view(current.data(), current.size()));
    if (code == kOk) code = buffer_put(n, Buffer::Saved, core::text_view(saved.data(), saved.size()));
    if (code != kOk) return code;
  }
  if (ctrl.cursor >= 0) return internal::run_write(n, std::string{}, true);
  std::string table(core::text_bytes(dict_file_name(n)));
  return write_row(n, "DELETE FROM ONLY " + table, saved);
}

Status access_update_by_key(uint16_t file, int key, Text value, Text set, int flags) {
  uint16_t n = 0;
  if (Status st = internal::file_ready(file, &n); st != kOk) return st;
  if (!value.ok()) return core::text_error(value);
  if (!set.ok()) return core::text_error(set);
  internal::KeyInfo info;
  Status code = internal::key_info(n, static_cast<uint16_t>(key), &info);
  if (code != kOk) return code;
  internal::Range r = internal::range_make(info, value, value, 3, 5, false, std::string{});
  std::string where = internal::range_text(r);
  // An empty key would name every row.
  if (where.empty()) return kStatusBadKey;
  std::string sql = "UPDATE ONLY " + std::string(core::text_bytes(dict_file_name(n))) + " SET " +
                    std::string(core::text_bytes(set)) + " WHERE " + where + ";";
  int64_t affected = 0;
  code = internal::send(sql, &affected);
  if (code == kOk && affected == 0 && (flags & kUpdateInsert) != 0) {
    internal::position_note(n);
    code = buffer_clear(n);
    if (code == kOk) code = key_value_put(n, static_cast<uint16_t>(key), value);
    core::ErrorRecord before = core::error_last();
    if (code == kOk) code = access_insert(n);
    // Another user inserted the same row first: it is there to update now.
    if (code == core::DUPLICATEDATA) {
      if (before.code == 0) core::error_clear();
      code = kOk;
    }
    if (code == kOk) code = internal::send(sql, &affected);
  }
  return code < 128 ? kOk : code;
}

Status access_triggers(uint16_t file, bool on) {
  uint16_t n = 0;
  if (internal::resolve_file(file, &n) != kOk) return core::FILEOUTBOUND;
  std::string table(core::text_bytes(dict_file_name(n)));
  Status code = internal::send("ALTER TABLE " + table + (on ? " ENABLE" : " DISABLE") + " TRIGGER USER;");
  if (code != kOk) return code;
  int16_t up = script::var_get_int(core::kSwUpStat);
  script::var_set_int(core::kSwUpStat, static_cast<int16_t>(on ? (up | kUpRulesOn) : (up & ~kUpRulesOn)));
  return kOk;
}

Status access_commit() {
  if (!sql_in_transaction()) return kOk;
  return internal::send("COMMIT;");
}

}  // namespace data
