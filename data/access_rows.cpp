// Statements of the access layer and the rows they bring back: every
// statement goes through the session's one execute path, and a row is
// loaded into the record buffers column by column, by position.
#include <string>

#include "core/arena.h"
#include "data/internal/access_run.h"
#include "data/internal/common.h"
#include "data/internal/session.h"
#include "data/records.h"
#include "data/session.h"

namespace data::internal {

using core::kOk;

namespace {

std::vector<std::string>* g_trace = nullptr;

Text text_of(const std::string& s) { return core::text_view(s.data(), s.size()); }

}  // namespace

void statement_trace_set(std::vector<std::string>* sink) { g_trace = sink; }

Status send_to(const std::string& sql, int slot, int64_t* count) {
  std::string plain = sql_plain(sql);
  if (g_trace != nullptr) g_trace->push_back(plain);
  return sql_exec(text_of(plain), slot, count);
}

Status send(const std::string& sql, int64_t* count) { return send_to(sql, current_slot(), count); }

Status send_shaped_to(const std::string& sql, int slot, int64_t* count) {
  std::string plain = sql_plain(sql);
  if (g_trace != nullptr) g_trace->push_back(plain);
  // The plain form goes as plain text, as it always did.
  if (plain.size() == sql.size() || access_state().form == SqlForm::Described)
    return sql_exec(text_of(plain), slot, count);
  std::vector<std::string> values;
  std::string shape = sql_shape(sql, &values);
  std::vector<Text> texts;
  for (const std::string& v : values) texts.push_back(text_of(v));
  return sql_exec_shaped(text_of(plain), text_of(shape), static_cast<int>(texts.size()),
                         texts.data(), slot, count);
}

Status send_shaped(const std::string& sql, int64_t* count) {
  return send_shaped_to(sql, current_slot(), count);
}

int64_t send_number(const std::string& sql) {
  int saved = current_slot();
  int slot = slot_search(current_conn());
  if (slot < 0) return 0;
  int64_t value = 0;
  if (send_shaped_to(sql, slot, nullptr) == kOk) {
    core::ArenaScope scope;
    std::string v(core::text_bytes(sql_value(0, 0, slot)));
    value = std::strtoll(v.c_str(), nullptr, 10);
  }
  sql_release(slot);
  set_current_slot(saved);
  return value;
}

std::string row_record(uint16_t file, int slot, int row) {
  FileItem item;
  if (dict_file_attr(file, &item) != kOk) return std::string{};
  std::string record;
  record.reserve(item.record_length);
  int saved = current_slot();
  for (uint16_t i = 1; i <= item.field_count; ++i) {
    core::ArenaScope scope;
    FieldItem f;
    if (dict_field_attr(file, i, &f) != kOk) break;
    Text value = sql_value(row, i - 1, slot);
    Text stored = field_store(file, i, value);
    std::string piece(stored.ok() ? core::text_bytes(stored) : core::text_bytes(value));
    // A value that does not fit its field still keeps the record's layout.
    piece.resize(f.width, ' ');
    record += piece;
  }
  record.resize(item.record_length, ' ');
  set_current_slot(saved);
  return record;
}

Status load_record(uint16_t file, const std::string& record) {
  Status code = buffer_put(file, Buffer::Current, text_of(record));
  if (code == kOk) code = buffer_put(file, Buffer::Saved, text_of(record));
  return code;
}

Status load_row(uint16_t file, int slot, int row) {
  return load_record(file, row_record(file, slot, row));
}

std::string record_key(uint16_t file, uint16_t key, const std::string& record) {
  core::ArenaScope scope;
  Text k = key_value_of(file, key, text_of(record));
  return k.ok() ? std::string(core::text_bytes(k)) : std::string{};
}

}  // namespace data::internal
