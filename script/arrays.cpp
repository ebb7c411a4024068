// Arrays of 1 to 4 dimensions: A(i), A$(i;j), A#(i;j;k;l).
//
// Arrays are made and dropped in stack order (a procedure's local arrays go
// with var_restore), so their elements share one pool block:
//
//   pool: | array 0 elements | array 1 elements | ... | free |
//           each start aligned to 8 bytes
//
// Integer elements are int16, number elements int64, and text elements
// TextElement records whose bytes live in a second block, the text heap.
// A text that does not fit its element's reserved bytes is appended to the
// heap; when the heap is full the live texts are copied into a fresh block.
#include <cstring>

#include "core/arena.h"
#include "script/internal/var_state.h"
#include "script/numbers.h"

namespace script {

using core::kOk;
using namespace internal;

namespace {

constexpr uint32_t kMinPool = 1024;
constexpr uint32_t kMinHeap = 4096;
constexpr uint64_t kMaxHeap = uint64_t{1} << 31;

uint32_t element_size(int kind) {
  switch (kind) {
    case kKindInt: return sizeof(int16_t);
    case kKindNumber: return sizeof(int64_t);
    default: return sizeof(TextElement);
  }
}

struct Base {
  Text name;
  int kind = kKindNone;
};

// The name before "(", which must be a valid name of a scalar kind.
bool parse_base(Text base, Base* out) {
  if (!base.ok()) return false;
  Text name = core::text_sub(base, 0, core::text_find_char(base, '(', 0, true));
  NameClass c = classify(name);
  if (!c.valid || c.kind == kKindNone || c.kind == kKindIndexed) return false;
  *out = Base{name, c.kind};
  return true;
}

Status check_indices(const int32_t* indices, int count) {
  if (count < 1 || count > kMaxArrayDims) return core::DIMSTRUCERROR;
  if (indices == nullptr) return core::SINTAXERROR;
  return kOk;
}

Status element_of(const ArrayEntry& a, const int32_t* indices, int count, uint32_t* element) {
  if (count != a.dims) return core::DIMSTRUCERROR;
  uint32_t e = 0;
  for (int k = 0; k < count; ++k) {
    if (indices[k] < 0 || indices[k] > a.limit[k]) return core::DATAOUTBOUND;
    e = e * static_cast<uint32_t>(a.limit[k] + 1) + static_cast<uint32_t>(indices[k]);
  }
  *element = e;
  return kOk;
}

Status pool_reserve(ScriptState& s, uint32_t need) {
  if (need <= s.pool_capacity) return kOk;
  uint64_t cap = uint64_t{s.pool_capacity} * 2;
  if (cap < need) cap = need;
  if (cap < kMinPool) cap = kMinPool;
  if (cap > UINT32_MAX) return core::OUTOFMEMORY;
  auto bytes = static_cast<uint32_t>(cap);
  void* p = s.pool != nullptr ? core::block_resize(core::kOwnerVariables, s.pool, bytes)
                              : core::block_pointer(core::block_alloc(core::kOwnerVariables, bytes, 0));
  if (p == nullptr) return core::OUTOFMEMORY;
  s.pool = static_cast<unsigned char*>(p);
  s.pool_capacity = bytes;
  return kOk;
}

Status define(ScriptState& s, const Base& b, const int32_t* indices, int count, int* index) {
  ArrayEntry a;
  a.kind = b.kind;
  a.dims = count;
  uint64_t elements = 1;
  for (int k = 0; k < count; ++k) {
    if (indices[k] < 0) return core::DATAOUTBOUND;
    a.limit[k] = indices[k];
    elements *= uint64_t{static_cast<uint32_t>(indices[k])} + 1u;
    if (elements > kMaxArrayElements) return core::DATAOUTBOUND;
  }
  a.elements = static_cast<uint32_t>(elements);
  a.bytes = a.elements * element_size(b.kind);
  a.offset = (s.pool_used + 7u) & ~7u;
  if (s.arrays.size() != s.name_count[kListIndexed]) return core::INTERNAL;
  Status st = pool_reserve(s, a.offset + a.bytes);
  if (st != kOk) return st;
  uint16_t created = 0;
  st = name_append(s, kListIndexed, b.name, &created);
  if (st != kOk) return st;
  std::memset(s.pool + a.offset, 0, a.bytes);
  s.pool_used = a.offset + a.bytes;
  s.arrays.push_back(a);
  *index = created;
  return kOk;
}

TextElement* text_element(ScriptState& s, const ArrayEntry& a, uint32_t e) {
  return reinterpret_cast<TextElement*>(s.pool + a.offset) + e;
}

// Copies every live text but `skip` into a new heap with room for `extra`
// more bytes. On failure nothing changes.
Status heap_compact(ScriptState& s, uint32_t extra, const TextElement* skip) {
  uint64_t live = 0;
  for (const ArrayEntry& a : s.arrays) {
    if (a.kind != kKindText) continue;
    const TextElement* el = text_element(s, a, 0);
    for (uint32_t e = 0; e < a.elements; ++e)
      if (el + e != skip) live += el[e].len;
  }
  uint64_t cap = (live + extra) * 2;
  if (cap < kMinHeap) cap = kMinHeap;
  if (cap > kMaxHeap) cap = kMaxHeap;
  if (live + extra > cap) return core::OUTOFMEMORY;
  uint16_t h = core::block_alloc(core::kOwnerVariables, static_cast<uint32_t>(cap), core::kNoFill);
  if (h == core::kNoHandle) return core::OUTOFMEMORY;
  char* fresh = static_cast<char*>(core::block_pointer(h));
  uint32_t used = 0;
  for (const ArrayEntry& a : s.arrays) {
    if (a.kind != kKindText) continue;
    TextElement* el = text_element(s, a, 0);
    for (uint32_t e = 0; e < a.elements; ++e) {
      if (el + e == skip) continue;
      if (el[e].len > 0) std::memcpy(fresh + used, s.heap + el[e].offset, el[e].len);
      el[e].offset = used;
      el[e].capacity = el[e].len;
      used += el[e].len;
    }
  }
  if (s.heap != nullptr) static_cast<void>(core::block_free_pointer(core::kOwnerVariables, s.heap));
  s.heap = fresh;
  s.heap_capacity = static_cast<uint32_t>(cap);
  s.heap_used = used;
  return kOk;
}

Status set_text(ScriptState& s, TextElement* el, Text t) {
  if (t.len <= el->capacity) {
    if (t.len > 0) std::memmove(s.heap + el->offset, t.ptr, t.len);  // t may lie in the heap
    el->len = t.len;
    return kOk;
  }
  if (uint64_t{s.heap_used} + t.len > s.heap_capacity) {
    s.scratch.assign(t.ptr, t.len);  // the old heap goes away
    t = core::text_view(s.scratch.data(), s.scratch.size());
    Status st = heap_compact(s, t.len, el);
    if (st != kOk) return st;
  }
  std::memcpy(s.heap + s.heap_used, t.ptr, t.len);
  el->offset = s.heap_used;
  el->len = el->capacity = t.len;
  s.heap_used += t.len;
  return kOk;
}

}  // namespace

Status array_get(Text base, const int32_t* indices, int count, Value* out) {
  if (out == nullptr) return core::SINTAXERROR;
  Status st = check_indices(indices, count);
  if (st != kOk) return st;
  Base b;
  if (!parse_base(base, &b)) return base.ok() ? core::SINTAXERROR : base.len;
  ScriptState* s = current();
  if (s == nullptr) return core::INTERNAL;
  int i = name_lookup(*s, kListIndexed, b.name);
  if (i < 0) {
    st = define(*s, b, indices, count, &i);
    if (st != kOk) return record_failure(st);
  }
  const ArrayEntry& a = s->arrays[static_cast<size_t>(i)];
  uint32_t e = 0;
  st = element_of(a, indices, count, &e);
  if (st != kOk) return st;
  switch (a.kind) {
    case kKindInt:
      *out = Value::num(number_from_int(reinterpret_cast<const int16_t*>(s->pool + a.offset)[e]));
      break;
    case kKindNumber:
      *out = Value::num(reinterpret_cast<const int64_t*>(s->pool + a.offset)[e]);
      break;
    default: {
      const TextElement* el = text_element(*s, a, e);
      *out = Value::txt(el->len > 0 ? Text{s->heap + el->offset, el->len} : Text{});
    }
  }
  return kOk;
}

Status array_set(Text base, const int32_t* indices, int count, const Value& value) {
  Status st = check_indices(indices, count);
  if (st != kOk) return record_failure(st);
  Base b;
  if (!parse_base(base, &b)) return record_failure(base.ok() ? core::SINTAXERROR : base.len);
  if (value.is_text() && !value.text.ok()) return record_failure(value.text.len);
  ScriptState* s = current();
  if (s == nullptr) return record_failure(core::INTERNAL);
  int i = name_lookup(*s, kListIndexed, b.name);
  if (i < 0) return record_failure(core::DIMSTRUCERROR);
  const ArrayEntry& a = s->arrays[static_cast<size_t>(i)];
  uint32_t e = 0;
  st = element_of(a, indices, count, &e);
  if (st != kOk) return record_failure(st);
  switch (a.kind) {
    case kKindInt:
      reinterpret_cast<int16_t*>(s->pool + a.offset)[e] = value_to_int(value);
      return kOk;
    case kKindNumber:
      reinterpret_cast<int64_t*>(s->pool + a.offset)[e] = value_to_number(value);
      return kOk;
    default: {
      core::ArenaScope scope;
      Text t = value.is_text() ? value.text : number_to_text(value.number);
      if (!t.ok()) return record_failure(t.len);
      st = set_text(*s, text_element(*s, a, e), t);
      return st != kOk ? record_failure(st) : kOk;
    }
  }
}

bool array_exists(Text base) {
  Base b;
  ScriptState* s = current();
  return s != nullptr && parse_base(base, &b) && name_lookup(*s, kListIndexed, b.name) >= 0;
}

namespace internal {

void arrays_cut(ScriptState& s, uint16_t keep) {
  if (keep >= s.arrays.size()) return;
  s.arrays.resize(keep);
  if (keep == 0) {
    arrays_free_all(s);
    return;
  }
  s.pool_used = s.arrays.back().offset + s.arrays.back().bytes;
  bool any_text = false;
  for (const ArrayEntry& a : s.arrays) any_text = any_text || a.kind == kKindText;
  if (!any_text) s.heap_used = 0;
}

void arrays_free_all(ScriptState& s) {
  s.arrays.clear();
  if (s.pool != nullptr) static_cast<void>(core::block_free_pointer(core::kOwnerVariables, s.pool));
  if (s.heap != nullptr) static_cast<void>(core::block_free_pointer(core::kOwnerVariables, s.heap));
  s.pool = nullptr;
  s.heap = nullptr;
  s.pool_capacity = s.pool_used = 0;
  s.heap_capacity = s.heap_used = 0;
}

}  // namespace internal
}  // namespace script
