// The data functions of the expression language and the field references
// of expressions.
//
//   FILEFIND(key; file; index; mode)       find by key; the status
//   FILEREL(file; key; assignment; flags)  related write or lookup; the status
//   FILELOCATE(action; file)               a record operation; the status
//   FILESEL(name)                          makes a data file current; its number
//   KEY$(file; key; part; mode)            a key value of the current record
//   IER(file)                              the status of the last access
//   FN#FLEN(name)                          the record length of a data file
//   FN$FLDS(FIELD{FILE})                   a field's value as text
//   SQLCHILD(...)                          nested access one session slot up
#include "data/script_hooks.h"

#include "core/arena.h"
#include "core/errors.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/internal/access.h"
#include "data/internal/session.h"
#include "data/internal/state.h"
#include "data/recop.h"
#include "data/records.h"
#include "data/relup.h"
#include "script/eval.h"
#include "script/functions.h"
#include "script/numbers.h"
#include "script/procedures.h"

namespace data {

using core::kOk;
using script::Value;

namespace {

bool has(int argc, const Value* args, int i) {
  return i < argc && !(args[i].is_text() && args[i].text.len == 0);
}

int64_t integer(int argc, const Value* args, int i, int64_t fallback) {
  if (!has(argc, args, i)) return fallback;
  if (!args[i].is_text()) return script::number_to_int(args[i].number);
  return script::number_to_int(script::number_from_text(args[i].text));
}

// A file argument: a number or a name; absent, the current file. Unknown
// numbers are FILEOUTBOUND, unknown names FILESOPEN, with the argument as
// detail.
Status file_argument(int argc, const Value* args, int i, uint16_t* file) {
  core::ArenaScope scope;
  Text ref = !has(argc, args, i) ? Text{}
             : args[i].is_text() ? core::text_trim(args[i].text, core::kTrimBoth)
                                 : script::number_to_text(args[i].number);
  *file = dict_file_by_ref(ref);
  if (*file != 0 && buffer_is_open(*file)) return kOk;
  if (*file != 0) return buffer_open(*file);
  bool named = ref.len != 0 && !(ref.at(0) >= '0' && ref.at(0) <= '9');
  Status code = named ? core::FILESOPEN : core::FILEOUTBOUND;
  return core::report_detail(code, ref.len != 0 ? ref : "0"_t, false);
}

Status key_text(int argc, const Value* args, Value* out) {
  uint16_t file = 0;
  Status code = file_argument(argc, args, 0, &file);
  if (code != kOk) return code;
  int key = static_cast<int>(integer(argc, args, 1, access_key(file)));
  *out = Value::txt(Text{});
  if (key == 0) return kOk;
  FileItem item;
  if (dict_file_attr(file, &item) != kOk || key < 1 || key > item.key_count) return core::DATAOUTBOUND;
  int part = static_cast<int>(integer(argc, args, 2, 0));
  Buffer which = (integer(argc, args, 3, 0) & 1) != 0 ? Buffer::Saved : Buffer::Current;
  Text value = key_value(file, static_cast<uint16_t>(key), which);
  if (!value.ok()) return core::text_error(value);
  *out = Value::txt(core::text_sub(value, 0, dict_key_length(file, static_cast<uint16_t>(key), part)));
  return kOk;
}

// SQLCHILD: the raised slot shares the connection of the one below it.
Status child_level(bool enter) {
  int slot = internal::current_slot();
  internal::SessionSlot* slots = internal::state().slots;
  if (slot <= 0) return kOk;
  bool& borrowed = internal::access_state().borrowed_slot[slot];
  if (enter) {
    borrowed = slots[slot].conn == nullptr;
    if (borrowed) slots[slot].conn = slots[slot - 1].conn;
    return kOk;
  }
  internal::slot_release(slots[slot]);
  if (borrowed) slots[slot].conn = nullptr;
  borrowed = false;
  return kOk;
}

}  // namespace

Status data_function(int number, int argc, const Value* args, Value* out) {
  *out = Value::num(0);
  uint16_t file = 0;
  Status code = kOk;
  switch (number) {
    case script::kFnFileFind: {
      if ((code = file_argument(argc, args, 1, &file)) != kOk) return code;
      core::ArenaScope scope;
      Text key = args[0].is_text() ? args[0].text : script::number_to_text(args[0].number);
      return access_find(file, static_cast<int>(integer(argc, args, 2, -1)), key,
                         static_cast<int>(integer(argc, args, 3, 0)));
    }
    case script::kFnFileRel: {
      uint16_t current = 0;
      if ((code = file_argument(argc, args, 0, &file)) != kOk) return code;
      if ((code = file_argument(0, args, 0, &current)) != kOk) return code;
      Text assignment = argc > 2 && args[2].is_text() ? args[2].text : Text{};
      return related_write(current, file, static_cast<int>(integer(argc, args, 1, 0)),
                           static_cast<int>(integer(argc, args, 3, 0)), assignment);
    }
    case script::kFnFileLocate: {
      if ((code = file_argument(argc, args, 1, &file)) != kOk) return code;
      int action = has(argc, args, 0) ? action_code(args[0].text) : action_code("NXT"_t);
      int word = action_word(action);
      if (action == 0 || word == kWordNone) return core::report_detail(core::SINTAXERROR, args[0].text, false);
      return record_operation(file, word, RecordTexts{});
    }
    case script::kFnFileSel:
      if ((code = file_argument(argc, args, 0, &file)) != kOk) return code;
      script::var_set_int(core::kSwCurFil, static_cast<int16_t>(file));
      *out = Value::num(script::number_from_int(file));
      return kOk;
    case script::kFnKey: return key_text(argc, args, out);
    case script::kFnIer:
      if ((code = file_argument(argc, args, 0, &file)) != kOk) return code;
      return access_status(file);
    case script::kFnFlen: {
      if ((code = file_argument(argc, args, 0, &file)) != kOk) return code;
      FileItem item;
      if ((code = dict_file_attr(file, &item)) != kOk) return code;
      *out = Value::num(script::number_from_int(item.record_length));
      return kOk;
    }
    case script::kFnFlds: {
      uint16_t field = 0;
      code = dict_field_ref(args[0].text, &file, &field);
      if (code != kOk) return code;
      Text value = field_get(file, field, Buffer::Current);
      if (!value.ok()) return core::text_error(value);
      *out = Value::txt(value);
      return kOk;
    }
    case script::kFnSqlChild: return child_level(integer(argc, args, 0, 0) != 0);
    default: break;
  }
  // SORT$ belongs to the report layer.
  return core::report_detail(core::NOVALUE, "SORT$()"_t, true);
}

Status field_reference(Text ref, bool write, Value* value, bool* is_text_type) {
  uint16_t file = 0, field = 0;
  Status code = dict_field_ref(ref, &file, &field);
  if (code != kOk) return code;
  if (write) return field_put(file, field, value->is_text() ? value->text : script::number_to_text(value->number));
  FieldItem f;
  f.type = 'N';
  if (field != 0 && (code = dict_field_attr(file, field, &f)) != kOk) return code;
  Text text = field_get(file, field, Buffer::Current);
  if (!text.ok()) return core::text_error(text);
  *value = Value::txt(text);
  if (is_text_type != nullptr) *is_text_type = !internal::numeric_type(f.type);
  return kOk;
}

void local_call(bool begin, bool restore_positions) { internal::local_call(begin, restore_positions); }

void local_call_end_restoring(std::initializer_list<uint16_t> files) {
  internal::local_call_end_restoring(files.begin(), files.size());
}

}  // namespace data
