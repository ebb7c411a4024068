// Field references: FIELD{FILE}.
#include "core/arena.h"
#include "core/errors.h"
#include "data/dictionary.h"
#include "data/internal/dictionary.h"

namespace data {

using core::kOk;

namespace {

Status bad_reference(Text ref) {
  return core::report_detail(core::SINTAXERROR, core::text_concat("Field:"_t, ref), false);
}

bool all_digits(Text t) {
  if (t.len == 0) return false;
  for (uint16_t i = 0; i < t.len; ++i)
    if (t.at(i) < '0' || t.at(i) > '9') return false;
  return true;
}

}  // namespace

Status dict_field_ref(Text ref, uint16_t* file, uint16_t* field) {
  if (!ref.ok()) return core::text_error(ref);
  core::ArenaScope scope;
  uint16_t open = core::text_find_char(ref, '{', 0, true);
  uint16_t close = open == core::kNoPos ? core::kNoPos : core::text_find_char(ref, '}', open, true);
  if (close == core::kNoPos) return bad_reference(ref);
  Text field_part = core::text_trim(core::text_sub(ref, 0, open), core::kTrimBoth);
  Text file_part =
      core::text_trim(core::text_sub(ref, open + 1, close - open - 1u), core::kTrimBoth);

  *file = dict_file_by_ref(file_part);
  if (*file == 0) {
    return core::report_detail(core::FILEOUTBOUND, file_part, false);
  }
  if (field_part.len == 0) {
    *field = 0;
    return kOk;
  }
  if (internal::starts_with_letter(field_part)) {
    int n = dict_field_by_name(*file, field_part);
    if (n < 0) return bad_reference(ref);
    *field = static_cast<uint16_t>(n);
    return kOk;
  }
  if (!all_digits(field_part)) return bad_reference(ref);
  int32_t n = core::text_to_int(field_part);
  FileItem f;
  static_cast<void>(dict_file_attr(*file, &f));
  if (n < 1 || n > f.field_count)
    return internal::field_range_error(*file, static_cast<uint16_t>(n > 65535 ? 65535 : n));
  *field = static_cast<uint16_t>(n);
  return kOk;
}

}  // namespace data
