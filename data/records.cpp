// Record buffers and the fields and key values in them.
#include "data/records.h"

#include <cstring>
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "formats/formats.h"
#include "data/internal/dictionary.h"

namespace data {

using core::kOk;

namespace {

// A defined file with open buffers: its item and the buffer text.
struct Record {
  FileItem file;
  Text text;  // both halves
};

Status find_record(uint16_t file, Record* r) {
  if (!internal::file_item(dict_file_resolve(file), &r->file)) return core::BADFILENUMBER;
  r->text = core::slot_get(core::kGroupBuffers, r->file.number - 1u);
  uint32_t length = r->file.record_length;
  if (length == 0 || r->text.len != 2 * length) return core::FILENOTINIT;
  return kOk;
}

uint16_t half_offset(const Record& r, Buffer which) {
  return which == Buffer::Saved ? r.file.record_length : 0;
}

// Writes bytes at position `at` of the buffer text.
Status write_at(const Record& r, uint32_t at, std::string_view bytes) {
  core::ArenaScope scope;
  Text updated = core::text_overwrite_copy(r.text, static_cast<int>(at),
                                           core::text_view(bytes.data(), bytes.size()));
  if (!updated.ok()) return core::text_error(updated);
  return core::slot_set(core::kGroupBuffers, r.file.number - 1u, updated);
}

// The record, the field's item, and failures recorded in `context`.
Status find_field(uint16_t file, uint16_t field, core::Context context, Record* r, FieldItem* f) {
  Status code = find_record(file, r);
  if (code == kOk && field > r->file.field_count) {
    code = internal::field_range_error(r->file.number, field);
  } else if (code == kOk && field > 0) {
    code = dict_field_attr(r->file.number, field, f);
  }
  return core::error_record(core::kRecord, context, code, code);
}

Text number_after_d(Text piece) {
  Text t = core::text_trim(piece, core::kTrimBoth);
  if (t.at(0) != 'D') return piece;
  int32_t n = core::text_to_int(core::text_sub(t, 1, core::kToEnd));
  return core::int_to_text(n ^ 10);
}

}  // namespace

Status buffer_open(uint16_t file) {
  FileItem f;
  if (!internal::file_item(dict_file_resolve(file), &f)) return core::BADFILENUMBER;
  if (f.record_length == 0) return core::FILENOTINIT;
  core::ArenaScope scope;
  return core::slot_set(core::kGroupBuffers, f.number - 1u,
                        core::text_repeat(" "_t, static_cast<uint16_t>(2 * f.record_length)));
}

void buffer_close(uint16_t file) {
  file = dict_file_resolve(file);
  if (file != 0 && file <= core::slot_count(core::kGroupBuffers))
    static_cast<void>(core::slot_set(core::kGroupBuffers, file - 1u, Text{}));
}

bool buffer_is_open(uint16_t file) {
  Record r;
  return find_record(file, &r) == kOk;
}

Text buffer_get(uint16_t file, Buffer which) {
  Record r;
  Status code = find_record(file, &r);
  if (code != kOk) return core::text_error_value(code);
  return core::text_sub(r.text, half_offset(r, which), r.file.record_length);
}

Status buffer_put(uint16_t file, Buffer which, Text text) {
  if (!text.ok()) return core::text_error(text);
  Record r;
  Status code = find_record(file, &r);
  if (code != kOk) return code;
  return write_at(r, half_offset(r, which), core::text_bytes(text).substr(0, r.file.record_length));
}

Status buffer_save(uint16_t file) {
  return buffer_put(file, Buffer::Saved, buffer_get(file, Buffer::Current));
}

Status buffer_restore(uint16_t file) {
  return buffer_put(file, Buffer::Current, buffer_get(file, Buffer::Saved));
}

Status buffer_clear(uint16_t file) {
  Record r;
  Status code = find_record(file, &r);
  if (code != kOk) return code;
  return write_at(r, 0, std::string(r.text.len, ' '));
}

bool buffer_changed(uint16_t file) {
  Record r;
  if (find_record(file, &r) != kOk) return false;
  uint16_t n = r.file.record_length;
  return std::memcmp(r.text.ptr, r.text.ptr + n, n) != 0;
}

Text field_get(uint16_t file, uint16_t field, Buffer which) {
  Record r;
  FieldItem f;
  Status code = find_field(file, field, core::Context::BUFFERFLDGET, &r, &f);
  if (code != kOk) return core::text_error_value(code);
  if (field == 0) return Text{};
  Text piece = core::text_sub(r.text, half_offset(r, which) + f.offset, f.width);
  if (which != Buffer::Current) return piece;
  if (f.type == 'F' && f.width == 6 && formats::date_f6_enabled())
    return formats::date_f6_read(piece);
  if (f.type == 'N') return number_after_d(piece);
  return piece;
}

namespace {

Text stored_form(const FieldItem& f, Text value) {
  // A date as the server writes it (YYYY-MM-DD) is stored as YYYYMMDD.
  if (f.type == 'D' && value.len == 10 && value.at(4) == '-' && value.at(7) == '-') {
    value = core::text_concat(core::text_concat(core::text_sub(value, 0, 4), core::text_sub(value, 5, 2)),
                              core::text_sub(value, 8, 2));
  }
  // Any other date text is read as a typed date: what a procedure or a
  // form puts in a date field is a real day or nothing is stored. A blank
  // value stays blank (it is no "today").
  if (f.type == 'D' && value.ok() && !core::text_trim(value, core::kTrimBoth).empty()) {
    value = formats::date_input(value);
    if (!value.ok()) return core::text_error_value(core::DATAOUTBOUND);
  }
  if (f.type == 'F' && f.width == 6 && formats::date_f6_enabled() && value.len == 8)
    value = formats::date_f6_write(value);
  return formats::value_store(f.type, value, f.width);
}

}  // namespace

Text field_store(uint16_t file, uint16_t field, Text value) {
  FieldItem f;
  Status code = dict_field_attr(dict_file_resolve(file), field, &f);
  if (code != kOk) return core::text_error_value(code);
  core::ArenaScope scope;
  return scope.keep(stored_form(f, value));
}

Status field_put(uint16_t file, uint16_t field, Text value) {
  Record r;
  FieldItem f;
  Status code = find_field(file, field, core::Context::BUFFERFLDPUT, &r, &f);
  if (code != kOk) return code;
  if (field == 0) return kOk;
  core::ArenaScope scope;
  Text stored = stored_form(f, value);
  if (!stored.ok()) {
    // The value the field could not take, unless an earlier error is kept.
    if (core::error_last().code == 0) core::report_detail(core::text_error(stored), value, false);
    return core::error_record(core::kRecord, core::Context::BUFFERFLDPUT, core::text_error(stored),
                              core::text_error(stored));
  }
  return write_at(r, f.offset, core::text_bytes(stored));
}

Text key_value(uint16_t file, uint16_t key, Buffer which) {
  return key_value_of(file, key, buffer_get(file, which));
}

Text key_value_of(uint16_t file, uint16_t key, Text buffer) {
  uint16_t fields[kMaxSegments];
  int count = 0;
  Status code = dict_key_fields(file, key, fields, &count);
  if (code != kOk) return core::text_error_value(code);
  if (!buffer.ok()) return buffer;
  core::ArenaScope scope;
  std::string value;
  for (int i = 0; i < count; ++i) {
    FieldItem f;
    if (dict_field_attr(file, fields[i], &f) != kOk) continue;
    value += core::text_bytes(core::text_sub(buffer, f.offset, f.width));
  }
  return scope.keep(core::arena_text(value));
}

Status key_value_put(uint16_t file, uint16_t key, Text value) {
  if (!value.ok()) return core::text_error(value);
  uint16_t fields[kMaxSegments];
  int count = 0;
  Status code = dict_key_fields(file, key, fields, &count);
  Record r;
  if (code == kOk) code = find_record(file, &r);
  if (code != kOk) return code;
  std::string_view rest = core::text_bytes(value);
  for (int i = 0; i < count && !rest.empty() && code == kOk; ++i) {
    FieldItem f;
    code = dict_field_attr(file, fields[i], &f);
    if (code != kOk) break;
    std::string piece(rest.substr(0, f.width));
    rest.remove_prefix(piece.size());
    piece.resize(f.width, ' ');
    code = write_at(r, f.offset, piece);
    // The buffer text moved with the write.
    if (code == kOk) code = find_record(file, &r);
  }
  return code;
}

}  // namespace data
