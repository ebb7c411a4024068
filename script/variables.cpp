// Reading and writing variables by name, the variable hook, direct access by
// index, snapshots and settings-file entries.
#include "script/variables.h"

#include <cstring>
#include <limits>

#include "core/arena.h"
#include "core/errors.h"
#include "core/slots.h"
#include "script/internal/var_state.h"
#include "script/numbers.h"

namespace script {

using core::ArenaScope;
using core::operator""_t;
using core::kOk;
using namespace internal;

namespace internal {

ScriptState* g_current = nullptr;
// Moves whenever resolved handles may have gone stale (see var_generation).
uint32_t g_generation = 1;

void set_current(ScriptState* s) {
  g_current = s;
  ++g_generation;
}

Status record_failure(Status code) {
  return core::error_record(core::kRecord, core::Context::VARNMASSIGN, code, code);
}

int16_t value_to_int(const Value& v) {
  if (v.is_text()) return v.text.ok() ? clamp_int16(core::text_to_int(v.text)) : 0;
  return clamp_int16(number_to_int(v.number));
}

int64_t value_to_number(const Value& v) {
  if (v.is_text()) return number_from_text(v.text);
  return v.number;
}

}  // namespace internal

namespace {

Status code_of(Text t) { return t.len != 0 ? t.len : core::NOVALUE; }

// Grows a value table to hold at least n elements; the new ones read 0.
template <typename T>
Status table_reserve(ValueTable<T>& t, uint32_t n) {
  if (n <= t.capacity) return kOk;
  uint32_t cap = t.capacity * 2 > n ? t.capacity * 2 : n;
  if (cap < 64) cap = 64;
  void* p = t.data != nullptr ? core::block_resize(core::kOwnerVariables, t.data, cap * sizeof(T))
                              : core::block_pointer(core::block_alloc(core::kOwnerVariables, cap * sizeof(T), 0));
  if (p == nullptr) return core::OUTOFMEMORY;
  t.data = static_cast<T*>(p);
  std::memset(t.data + t.capacity, 0, (cap - t.capacity) * sizeof(T));
  t.capacity = cap;
  return kOk;
}

Value missing_value(int kind) { return kind == kKindText ? Value::txt(Text{}) : Value::num(0); }

Value store_read(const ScriptState& s, int kind, Text name) {
  int i = name_lookup(s, list_of(kind), name);
  if (i < 0) return missing_value(kind);
  switch (kind) {
    case kKindInt:
      return Value::num(i < s.ints.count ? number_from_int(s.ints.data[i]) : 0);
    case kKindNumber:
      return Value::num(i < s.nums.count ? s.nums.data[i] : 0);
    default:
      return Value::txt(core::slot_get(core::kGroupVarTexts, static_cast<uint16_t>(i)));
  }
}

// The value as the variable of that kind would hold it, as text (arena).
Text value_as_text(int kind, const Value& v) {
  switch (kind) {
    case kKindInt: return core::int_to_text(value_to_int(v));
    case kKindNumber: return number_to_text(value_to_number(v));
    default: return v.is_text() ? v.text : number_to_text(v.number);
  }
}

template <typename T>
Status store_scalar(ScriptState& s, ValueTable<T>& table, NameList list, Text name, T x) {
  int i = name_lookup(s, list, name);
  if (i < 0) {
    Status st = table_reserve(table, uint32_t{s.name_count[list]} + 1u);
    if (st != kOk) return record_failure(st);
    uint16_t created = 0;
    st = name_append(s, list, name, &created);
    if (st != kOk) return record_failure(st);
    i = created;
    if (table.count < created + 1) table.count = static_cast<uint16_t>(created + 1);
  }
  if (static_cast<uint32_t>(i) >= table.capacity) return record_failure(core::INTERNAL);
  table.data[i] = x;
  return kOk;
}

Status store_text(ScriptState& s, Text name, const Value& v) {
  ArenaScope scope;
  Text t = v.is_text() ? v.text : number_to_text(v.number);
  if (!t.ok()) return record_failure(code_of(t));
  int i = name_lookup(s, kListText, name);
  if (i >= 0) {
    Status st = core::slot_set(core::kGroupVarTexts, static_cast<uint16_t>(i), t);
    return st != kOk ? record_failure(st) : kOk;
  }
  // Appending the name moves the text of group 13, which t may point into.
  s.scratch.assign(t.ptr, t.len);
  uint16_t created = 0;
  Status st = name_append(s, kListText, name, &created);
  if (st != kOk) return record_failure(st);
  st = core::slot_set(core::kGroupVarTexts, created, core::text_view(s.scratch.data(), s.scratch.size()));
  if (st != kOk) {
    names_cut(s, kListText, created);
    return record_failure(st);
  }
  return kOk;
}

Status store_write(ScriptState& s, int kind, Text name, const Value& v) {
  switch (kind) {
    case kKindInt: return store_scalar(s, s.ints, kListInt, name, value_to_int(v));
    case kKindNumber: return store_scalar(s, s.nums, kListNumber, name, value_to_number(v));
    default: return store_text(s, name, v);
  }
}

bool is_scalar(NameClass c) {
  return c.valid && (c.kind == kKindInt || c.kind == kKindNumber || c.kind == kKindText);
}

}  // namespace

int var_kind(Text name) { return classify(name).kind; }

VarRef var_find(Text name) {
  NameClass c = classify(name);
  VarRef ref{c.kind, -1};
  ScriptState* s = current();
  if (s == nullptr || c.kind == kKindNone) return ref;
  if (c.kind == kKindIndexed) {
    uint16_t paren = core::text_find_char(name, '(', 0, true);
    ref.index = name_lookup(*s, kListIndexed, core::text_sub(name, 0, paren));
  } else {
    ref.index = name_lookup(*s, list_of(c.kind), name);
  }
  return ref;
}

uint16_t var_count(int kind) {
  ScriptState* s = current();
  if (s == nullptr || kind == kKindNone) return 0;
  return s->name_count[list_of(kind)];
}

void var_reindex() {
  ScriptState* s = current();
  if (s == nullptr) return;
  for (int k = 0; k < kNameLists; ++k) names_rebuild(*s, static_cast<NameList>(k));
}

Status var_get_value(Text name, Value* out) {
  if (out == nullptr) return core::SINTAXERROR;
  if (!name.ok()) return code_of(name);
  NameClass c = classify(name);
  if (!is_scalar(c)) return core::SINTAXERROR;
  ScriptState* s = current();
  if (s == nullptr) {
    *out = missing_value(c.kind);
    return kOk;
  }
  if (name.ptr[0] == '_' && s->hook != nullptr) {
    Text answer = s->hook(name, kHookRead, Text{});
    if (answer.ok()) {
      switch (c.kind) {
        case kKindInt: *out = Value::num(number_from_int(clamp_int16(core::text_to_int(answer)))); break;
        case kKindNumber: *out = Value::num(number_from_text(answer)); break;
        default: *out = Value::txt(answer);
      }
      return kOk;
    }
    if (code_of(answer) != core::NOVALUE) return code_of(answer);
  }
  *out = store_read(*s, c.kind, name);
  return kOk;
}

Status var_get(Text name) {
  ArenaScope scope;
  Value v;
  Status st = var_get_value(name, &v);
  if (st != kOk) return st;
  Text kept = scope.keep(v.is_text() ? v.text : number_to_text(v.number));
  return kept.ok() ? kOk : code_of(kept);
}

Status var_set_value(Text name, const Value& value) {
  if (!name.ok()) return record_failure(code_of(name));
  if (value.is_text() && !value.text.ok()) return record_failure(code_of(value.text));
  NameClass c = classify(name);
  if (!is_scalar(c)) return record_failure(core::SINTAXERROR);
  ScriptState* s = current();
  if (s == nullptr) return record_failure(core::INTERNAL);
  if (name.ptr[0] == '_' && s->hook != nullptr) {
    ArenaScope scope;
    Text offered = value_as_text(c.kind, value);
    if (!offered.ok()) return record_failure(code_of(offered));
    Text answer = s->hook(name, kHookWrite, offered);
    if (answer.ok()) return kOk;
    if (code_of(answer) != core::NOVALUE) return record_failure(code_of(answer));
  }
  return store_write(*s, c.kind, name, value);
}

Status var_set(Text name, Text value) { return var_set_value(name, Value::txt(value)); }

int16_t var_get_int(uint16_t index) { return int_word(index); }

void var_set_int(uint16_t index, int16_t value) {
  ScriptState* s = current();
  if (s != nullptr && index < s->ints.count) s->ints.data[index] = value;
}

int64_t var_get_num(uint16_t index) {
  const ScriptState* s = current();
  return s != nullptr && index < s->nums.count ? s->nums.data[index] : 0;
}

void var_set_num(uint16_t index, int64_t value) {
  ScriptState* s = current();
  if (s != nullptr && index < s->nums.count) s->nums.data[index] = value;
}

void var_hook_set(VarHook hook) {
  ScriptState* s = current();
  if (s != nullptr) s->hook = hook;
  ++g_generation;  // "_" names may now be the hook's
}

Text var_hook_read(Text name) {
  ScriptState* s = current();
  if (!name.ok()) return name;
  if (s == nullptr || s->hook == nullptr) return core::text_error_value(core::NOVALUE);
  return s->hook(name, kHookRead, Text{});
}

uint32_t var_generation() { return g_generation; }

bool var_resolve(Text name, VarHandle* handle) {
  *handle = VarHandle{};
  ScriptState* s = current();
  if (s == nullptr || !name.ok() || name.len == 0) return false;
  if (name.ptr[0] == '_' && s->hook != nullptr) return false;
  NameClass c = classify(name);
  if (!c.valid || (c.kind != kKindInt && c.kind != kKindNumber)) return false;
  int i = name_lookup(*s, list_of(c.kind), name);
  const uint16_t count = c.kind == kKindInt ? s->ints.count : s->nums.count;
  if (i < 0 || i >= count) return false;
  *handle = VarHandle{c.kind, i, g_generation};
  return true;
}

Value var_read(const VarHandle& h) {
  const ScriptState* s = current();
  if (h.kind == kKindInt) return Value::num(number_from_int(s->ints.data[h.index]));
  return Value::num(s->nums.data[h.index]);
}

void var_write(const VarHandle& h, const Value& v) {
  ScriptState* s = current();
  if (h.kind == kKindInt)
    s->ints.data[h.index] = value_to_int(v);
  else
    s->nums.data[h.index] = value_to_number(v);
}

VarSnapshot var_snapshot() {
  VarSnapshot snap;
  const ScriptState* s = current();
  if (s == nullptr) return snap;
  for (int k = 0; k < kNameLists; ++k) {
    Text list = core::slot_get(core::kGroupVarNames, static_cast<uint16_t>(k));
    snap.name_lengths[k] = list.ok() ? list.len : 0;
    snap.name_counts[k] = s->name_count[k];
  }
  snap.int_count = s->ints.count;
  snap.num_count = s->nums.count;
  snap.array_count = static_cast<uint16_t>(s->arrays.size());
  snap.text_count = core::slot_count(core::kGroupVarTexts);
  return snap;
}

// The value tables follow the kept name counts rather than the recorded value
// counts: in a snapshot taken by var_snapshot they are equal, and deriving
// them from the names keeps every remaining name backed by a value.
void var_restore(const VarSnapshot& snapshot) {
  ScriptState* s = current();
  if (s == nullptr) return;
  ++g_generation;  // indices of the variables that go may be reused
  uint16_t kept[kNameLists];
  for (int k = 0; k < kNameLists; ++k) {
    auto list = static_cast<NameList>(k);
    kept[k] = s->name_count[k] > snapshot.name_counts[k] ? names_cut(*s, list, snapshot.name_counts[k])
                                                         : s->name_count[k];
  }
  if (s->ints.count > kept[kListInt]) s->ints.count = kept[kListInt];
  if (s->nums.count > kept[kListNumber]) s->nums.count = kept[kListNumber];
  arrays_cut(*s, kept[kListIndexed]);
  if (core::slot_count(core::kGroupVarTexts) > kept[kListText])
    static_cast<void>(core::slot_truncate(core::kGroupVarTexts, kept[kListText]));
}

Text var_settings_entry(Text name) {
  if (!name.ok()) return name;
  ArenaScope scope;
  NameClass c = classify(name);
  if (!is_scalar(c)) return core::text_error_value(core::SINTAXERROR);
  Value v;
  Status st = var_get_value(name, &v);
  if (st != kOk) return core::text_error_value(st);
  Text value = c.kind == kKindText ? core::text_quote(v.text, '\'') : number_to_text(value_to_number(v));
  if (!value.ok()) return value;
  return scope.keep(core::text_concat(core::text_concat(name, "="_t), value));
}

}  // namespace script
