// Functions over the runtime's environment: slot-store access, environment
// slots, files by number or name, and the sorted work lists.
#include "core/arena.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/slots.h"
#include "script/internal/fn_call.h"
#include "script/numbers.h"

namespace script::fn {
namespace {

using core::operator""_t;

// Procedures keep stacks of their own in the groups from the keyboard lines' on.
constexpr int64_t kFirstStackGroup = core::kGroupKeyboard;
constexpr int64_t kDefaultGroup = core::kGroupKeyboard;
constexpr int64_t kWriteAtEnd = 65535;
constexpr int64_t kWriteSettings = -2;
constexpr Text kSortActions = "NEW,ADD,MOVE,GET,KILL"_t;
constexpr uint16_t kSortHandleLength = 24;

Status give_copy(Text t, Value* out) {
  Text copy = core::text_copy(t);
  if (!copy.ok()) return copy.len;
  *out = Value::txt(copy);
  return 0;
}

Status give_status(Status st, Value* out) {
  if (st >= 128) return st;
  *out = Value::num(number_from_int(st));
  return 0;
}

bool file_number(const Call& c, int i, uint16_t* number) {
  int64_t n = c.integer(i);
  if (n < 0 || n >= core::kFileNumbers) return false;
  *number = static_cast<uint16_t>(n);
  return true;
}

}  // namespace

// _$(group; slot; value): groups 0 to 29 by slot, 30 to 38 as stacks whose
// top is read. A value is stored (pushed) first; a negative slot pops.
Status fn_slot(Call& c, Value* out) {
  int64_t group = c.integer(0, kDefaultGroup);
  int64_t slot = c.integer(1, 0);
  if (group < 0 || group >= core::kSlotGroups || slot > 65535 || slot < -65535) return core::SINTAXERROR;
  bool stack = group >= kFirstStackGroup;
  if (slot < 0 && !stack) return core::SINTAXERROR;
  uint16_t g = static_cast<uint16_t>(group);
  if (c.has(2)) {
    Status pinned = c.pin();
    if (pinned != 0) return pinned;
    Text value = c.text(2);
    Status st = stack ? core::slot_append(g, value) : core::slot_set(g, static_cast<uint16_t>(slot), value);
    if (st != 0) return st;
    // The variable names live there with an index beside them.
    if (g == core::kGroupVarNames) var_reindex();
  }
  Status result = 0;
  for (int64_t k = slot; k < 0; ++k) {
    if (core::slot_count(g) == 0) {
      result = core::NODATA;
      break;
    }
    (void)core::slot_pop(g);
  }
  Text t = stack ? core::slot_last(g) : core::slot_get(g, static_cast<uint16_t>(slot));
  Status st = give_copy(t, out);
  return st != 0 ? st : result;
}

// ENVRON$(key; slot): slots 0 and 1 are keyed parameter strings; higher
// slots are read whole. An empty key reads the whole slot too.
Status fn_envron(Call& c, Value* out) {
  int64_t slot = c.integer(1, core::kEnvCommandLine);
  if (slot < 0 || slot > 65535) return core::SINTAXERROR;
  Text value = core::slot_get(core::kGroupEnv, static_cast<uint16_t>(slot));
  Text key = c.text(0);
  if (slot <= core::kEnvCommandLine && key.len != 0) {
    value = core::param_find(value, key);
    if (!value.ok()) value = Text{};
  }
  return give_copy(value, out);
}

// READ$(file; position; count): a line of an open file number, or a range
// of a named file; the empty text at the end or on any failure.
Status fn_read(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  *out = Value::txt(Text{});
  if (!c.is_text(0)) {
    uint16_t number = 0;
    if (!file_number(c, 0, &number)) return 0;
    Text line = core::file_read_line(number);
    if (line.ok()) *out = Value::txt(line);
    return 0;
  }
  Text name = c.arg[0].text;
  // A missing file is no error here, and must not leave one recorded.
  if (!core::file_exists(name)) return 0;
  uint32_t position = static_cast<uint32_t>(clip(c.integer(1, 0), 0, INT32_MAX));
  uint32_t count = static_cast<uint32_t>(clip(c.integer(2, core::kToEnd), 0, core::kToEnd));
  Text range = core::file_load(name, position, count);
  if (range.ok()) *out = Value::txt(range);
  return 0;
}

// WRITE(file; position; text): at the position (65,535 or negative: at the
// end) of an open file number or a named file; position -2 with a name saves
// the variables listed in text into that settings file. The status as a
// number.
Status fn_write(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  int64_t position = c.integer(1, kWriteAtEnd);
  Text text = c.text(2);
  if (!text.ok()) return text.len;
  if (!c.is_text(0)) {
    uint16_t number = 0;
    if (!file_number(c, 0, &number)) return core::BADFILENUMBER;
    uint32_t at = (position < 0 || position >= kWriteAtEnd) ? core::kFileHere : static_cast<uint32_t>(position);
    uint32_t written = core::file_write(number, at, text);
    return give_status(written == text.len ? Status{0} : core::FILEIO, out);
  }
  Text name = c.arg[0].text;
  if (position == kWriteSettings) {
    SettingsSaver saver = settings_saver();
    return give_status(saver != nullptr ? saver(name, text) : settings_save(name, text), out);
  }
  int32_t at = (position < 0 || position >= kWriteAtEnd) ? -1 : clip(position, 0, INT32_MAX);
  return give_status(core::file_put(name, at, text), out);
}

// FILESEL(name; mode) opens a file and returns its number; FILESEL(number)
// closes it; a name alone selects a data file.
Status fn_filesel(Call& c, Value* out) {
  if (c.argc == 1 && c.is_text(0)) return call_data_hook(c, out);
  Status st = c.pin();
  if (st != 0) return st;
  if (c.argc == 1) {
    uint16_t number = 0;
    if (!file_number(c, 0, &number)) return core::BADFILENUMBER;
    st = core::file_close(number);
    return give_status(st, out);
  }
  int mode = clip(c.integer(1, 0), 0, 255);
  st = core::file_open(c.text(0), mode);
  return give_status(st, out);
}

// FN#FLEN(name): the size of a file, else of the data file of that name.
Status fn_flen(Call& c, Value* out) {
  if (!c.is_text(0) || !core::file_exists(c.arg[0].text)) return call_data_hook(c, out);
  Status st = c.pin();
  if (st != 0) return st;
  Status number = core::file_open(c.arg[0].text, core::kModeReadOnly | core::kModeQuiet);
  if (number >= 128) return number;
  int64_t size = core::file_size(number);
  (void)core::file_close(number);
  *out = Value::num(number_from_int(size < 0 ? 0 : size));
  return 0;
}

// SORT$(action; handle; ...): the action and handle are checked here, the
// list itself belongs to the report layer.
Status fn_sort(Call& c, Value* out) {
  Status st = c.pin();
  if (st != 0) return st;
  Text action = core::text_case(c.text(0), core::Case::Upper);
  if (!action.ok()) return action.len;
  uint16_t which = core::list_index(kSortActions, ',', action);
  if (which == 0) return core::SINTAXERROR;
  if (which != 1 && c.text(1).len != kSortHandleLength) return core::SINTAXERROR;
  c.arg[0] = Value::txt(action);
  c.present[0] = true;
  return call_data_hook(c, out);
}

}  // namespace script::fn
