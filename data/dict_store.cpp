// The dictionary's items: files, fields and keys in the runtime vectors,
// their names in the slot store, and the lookups over them.
#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "data/dictionary.h"
#include "data/internal/dictionary.h"
#include "data/vectors.h"
#include "script/variables.h"

namespace data {

using core::kOk;
using internal::file_item;

namespace internal {

bool file_item(uint16_t file, FileItem* out) {
  return file >= 1 && vector_get(kVecFiles, file - 1u, out);
}

uint32_t first_field_index(uint16_t file) {
  uint32_t index = 0;
  FileItem f;
  for (uint16_t n = 1; n < file && file_item(n, &f); ++n) index += f.field_count;
  return index;
}

Status field_range_error(uint16_t file, uint16_t field) {
  core::ArenaScope scope;
  return core::report_detail(core::DATAOUTBOUND,
                             core::text_format(64, "(File:%u, Field:%u)", file, field), false);
}

}  // namespace internal

namespace {

// Position of key `key` of `file` in vectors 2 and 3: the keys of the files
// before it come first.
uint32_t key_index(uint16_t file, uint16_t key) {
  uint32_t index = 0;
  FileItem f;
  for (uint16_t n = 1; n < file && file_item(n, &f); ++n) index += f.key_count;
  return index + key - 1u;
}

Status put_file(const FileItem& f) { return vector_put(kVecFiles, f.number - 1u, f); }

}  // namespace

Status dict_add_file(int kind, Text name, Text location) {
  if (!name.ok()) return core::text_error(name);
  if (!location.ok()) return core::text_error(location);
  uint32_t count = vector_count(kVecFiles);
  if (count >= kMaxFiles) return core::FILEOUTBOUND;
  core::ArenaScope scope;
  FileItem f;
  f.number = static_cast<uint8_t>(count + 1);
  f.kind = static_cast<uint8_t>(kind);
  auto index = static_cast<uint16_t>(count);
  Status code = core::slot_set(core::kGroupFileNames, index, core::text_case(name, core::Case::Lower));
  if (code == kOk) code = core::slot_set(core::kGroupFileLocations, index, location);
  if (code == kOk) code = core::slot_set(core::kGroupRelations, index, Text{});
  if (code == kOk) code = put_file(f);
  return code;
}

Status dict_add_field(Text name, uint16_t width, char type) {
  if (!name.ok()) return core::text_error(name);
  uint32_t files = vector_count(kVecFiles);
  if (files == 0 || files >= kMaxFiles) return core::FILEOUTBOUND;
  FileItem f;
  if (!file_item(static_cast<uint16_t>(files), &f)) return core::STRUCTMEMERROR;
  if (uint32_t{f.record_length} + width > internal::kMaxRecordLength) return core::DATAOUTBOUND;
  FieldItem item;
  item.file = f.number;
  item.type = type;
  item.number = static_cast<uint16_t>(f.field_count + 1);
  item.offset = f.record_length;
  item.width = width;
  // Fields always go to the last file, so its fields end the sequence.
  uint32_t index = vector_count(kVecFields);
  Status code = core::slot_set(core::kGroupFieldNames, static_cast<uint16_t>(index), name);
  if (code == kOk) code = vector_put(kVecFields, index, item);
  if (code != kOk) return code;
  f.field_count = item.number;
  f.record_length = static_cast<uint16_t>(f.record_length + width);
  return put_file(f);
}

Status dict_add_key(uint16_t file, const KeySegment* segments, int count) {
  FileItem f;
  if (!file_item(file, &f)) return core::FILEOUTBOUND;
  KeyItem item;
  KeyCount kc;
  kc.file = f.number;
  kc.segments = static_cast<uint8_t>(count < 0 ? 0 : count > kMaxSegments ? kMaxSegments : count);
  for (int i = 0; i < kc.segments; ++i) item.segment[i] = segments[i];
  f.key_count = static_cast<uint16_t>(f.key_count + 1);
  uint32_t index = key_index(file, f.key_count);
  Status code = vector_insert(kVecKeyCounts, index, &kc, sizeof kc);
  if (code == kOk) code = vector_insert(kVecKeySegments, index, &item, sizeof item);
  if (code == kOk) code = put_file(f);
  return code;
}

Status dict_add_default_key(uint16_t file) {
  FileItem f;
  if (!file_item(file, &f)) return core::FILEOUTBOUND;
  int n_line = dict_field_by_name(file, "N_LINE"_t);
  KeySegment segment;
  FieldItem field;
  if (dict_field_attr(file, n_line > 0 ? static_cast<uint16_t>(n_line) : 1, &field) == kOk)
    segment.length = static_cast<uint16_t>(field.offset + field.width);
  return dict_add_key(file, &segment, 1);
}

void dict_clear() {
  for (uint16_t v : {kVecFiles, kVecFields, kVecKeyCounts, kVecKeySegments}) vector_clear(v);
  for (uint16_t g :
       {core::kGroupFileNames, core::kGroupFileLocations, core::kGroupFieldNames, core::kGroupRelations, core::kGroupBuffers})
    static_cast<void>(core::slot_clear(g));
}

uint16_t dict_file_count() { return static_cast<uint16_t>(vector_count(kVecFiles)); }

uint16_t dict_file_resolve(uint16_t file) {
  if (file == 0 || file == kCurrentFileAlias)
    file = static_cast<uint16_t>(script::var_get_int(core::kSwCurFil));
  return file >= 1 && file <= dict_file_count() ? file : 0;
}

uint16_t dict_file_by_ref(Text ref) {
  ref = core::text_trim(ref, core::kTrimBoth);
  if (!ref.ok()) return 0;
  if (ref.len == 0) return dict_file_resolve(0);
  if (!internal::starts_with_letter(ref)) {
    int32_t n = core::text_to_int(ref);
    return n >= 1 && n <= dict_file_count() ? static_cast<uint16_t>(n) : 0;
  }
  core::ArenaScope scope;
  Text lower = core::text_case(ref, core::Case::Lower);
  for (uint16_t n = 1; n <= dict_file_count(); ++n)
    if (core::text_equal(core::slot_get(core::kGroupFileNames, n - 1u), lower)) return n;
  return 0;
}

int dict_field_by_name(uint16_t file, Text name) {
  FileItem f;
  if (!file_item(dict_file_resolve(file), &f) || !name.ok()) return -1;
  uint32_t first = internal::first_field_index(f.number);
  for (uint16_t i = 0; i < f.field_count; ++i)
    if (core::text_equal(core::slot_get(core::kGroupFieldNames, static_cast<uint16_t>(first + i)), name))
      return i + 1;
  return -1;
}

Status dict_file_attr(uint16_t file, FileItem* out) {
  return file_item(dict_file_resolve(file), out) ? kOk : core::BADFILENUMBER;
}

Status dict_field_attr(uint16_t file, uint16_t field, FieldItem* out) {
  FileItem f;
  if (!file_item(dict_file_resolve(file), &f)) return core::BADFILENUMBER;
  if (field < 1 || field > f.field_count) return internal::field_range_error(f.number, field);
  return vector_get(kVecFields, internal::first_field_index(f.number) + field - 1u, out)
             ? kOk
             : core::STRUCTMEMERROR;
}

Text dict_file_name(uint16_t file) {
  file = dict_file_resolve(file);
  return file == 0 ? Text{} : core::slot_get(core::kGroupFileNames, file - 1u);
}

Text dict_file_location(uint16_t file) {
  file = dict_file_resolve(file);
  return file == 0 ? Text{} : core::slot_get(core::kGroupFileLocations, file - 1u);
}

Text dict_relation_text(uint16_t file) {
  file = dict_file_resolve(file);
  return file == 0 ? Text{} : core::slot_get(core::kGroupRelations, file - 1u);
}

Status dict_add_relation(uint16_t file, Text item) {
  if (file < 1 || file > dict_file_count()) return core::FILEOUTBOUND;
  core::ArenaScope scope;
  auto index = static_cast<uint16_t>(file - 1);
  Text joined = core::text_join(core::slot_get(core::kGroupRelations, index), ":"_t, item);
  return core::slot_set(core::kGroupRelations, index, joined);
}

Text dict_field_name(uint16_t file, uint16_t field) {
  FileItem f;
  if (!file_item(dict_file_resolve(file), &f) || field < 1 || field > f.field_count) return Text{};
  return core::slot_get(core::kGroupFieldNames,
                        static_cast<uint16_t>(internal::first_field_index(f.number) + field - 1u));
}

Text dict_file_names() {
  core::ArenaScope scope;
  std::string list;
  for (uint16_t n = 1; n <= dict_file_count(); ++n) {
    if (n > 1) list += ',';
    list += core::text_bytes(core::slot_get(core::kGroupFileNames, n - 1u));
  }
  return scope.keep(core::arena_text(list));
}

Text dict_field_names(uint16_t file) {
  FileItem f;
  if (!file_item(dict_file_resolve(file), &f)) return Text{};
  core::ArenaScope scope;
  std::string list;
  for (uint16_t i = 1; i <= f.field_count; ++i) {
    if (i > 1) list += ',';
    list += core::text_bytes(dict_field_name(f.number, i));
  }
  return scope.keep(core::arena_text(list));
}

Status dict_key(uint16_t file, uint16_t key, KeyItem* item, int* segments) {
  FileItem f;
  if (!file_item(dict_file_resolve(file), &f)) return core::BADFILENUMBER;
  if (key < 1 || key > f.key_count) return core::DATAOUTBOUND;
  uint32_t index = key_index(f.number, key);
  KeyCount kc;
  if (!vector_get(kVecKeyCounts, index, &kc) || !vector_get(kVecKeySegments, index, item))
    return core::STRUCTMEMERROR;
  *segments = kc.segments;
  return kOk;
}

Status dict_key_fields(uint16_t file, uint16_t key, uint16_t* fields, int* count) {
  KeyItem item;
  int segments = 0;
  *count = 0;
  Status code = dict_key(file, key, &item, &segments);
  if (code != kOk) return code;
  FileItem f;
  static_cast<void>(dict_file_attr(file, &f));
  uint32_t first = internal::first_field_index(f.number);
  for (int s = 0; s < segments; ++s) {
    uint16_t found = 0;
    FieldItem field;
    for (uint16_t i = 0; i < f.field_count && found == 0; ++i) {
      if (vector_get(kVecFields, first + i, &field) &&
          field.offset + field.width > item.segment[s].start)
        found = field.number;
    }
    if (found == 0) return core::INTERNAL;
    fields[(*count)++] = found;
  }
  return kOk;
}

uint16_t dict_key_length(uint16_t file, uint16_t key, int segments) {
  KeyItem item;
  int count = 0;
  if (dict_key(file, key, &item, &count) != kOk) return 0;
  if (segments > 0 && segments < count) count = segments;
  uint32_t length = 0;
  for (int s = 0; s < count; ++s) length += item.segment[s].length;
  return static_cast<uint16_t>(length > 65535 ? 65535 : length);
}

}  // namespace data
