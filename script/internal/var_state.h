// State of the variable store, owned by the current ScriptContext. Only the
// store's own implementation files include this.
//
// The name lists in group 12 are the truth. Beside each list the store keeps
// a hash index from name to position, updated when a name is appended or the
// list is cut, and rebuilt from the list when the two ever disagree.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/status.h"
#include "core/text.h"
#include "script/numbers.h"
#include "script/variables.h"

namespace script::internal {

// Slots of group 12, one list per kind; the order is fixed.
enum NameList : uint16_t { kListInt = 0, kListNumber = 1, kListText = 2, kListIndexed = 3 };
inline constexpr int kNameLists = 4;

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
using NameIndex = std::unordered_map<std::string, uint16_t, NameHash, std::equal_to<>>;

// A growable array of values in one block of the block allocator.
template <typename T>
struct ValueTable {
  T* data = nullptr;
  uint32_t capacity = 0;  // elements
  uint16_t count = 0;
};

// One array: its element kind, its dimensions (the highest index of each) and
// where its elements start in the array pool.
struct ArrayEntry {
  int kind = kKindInt;
  int dims = 0;
  int32_t limit[kMaxArrayDims] = {};
  uint32_t elements = 0;
  uint32_t offset = 0;    // bytes into the pool
  uint32_t bytes = 0;
};

// A text element: its bytes live in the text heap at offset; capacity is how
// many bytes are reserved there, so a shorter text is written in place.
struct TextElement {
  uint32_t offset;
  uint16_t len;
  uint16_t capacity;
};

struct ScriptState {
  NameIndex index[kNameLists];
  uint16_t name_count[kNameLists] = {};
  ValueTable<int16_t> ints;
  ValueTable<int64_t> nums;

  // Arrays are created and freed in stack order (var_restore pops them), so
  // all their elements share one pool block that grows and is cut back.
  std::vector<ArrayEntry> arrays;
  unsigned char* pool = nullptr;
  uint32_t pool_capacity = 0;
  uint32_t pool_used = 0;
  // Text elements' bytes; compacted into a new block when it runs out.
  char* heap = nullptr;
  uint32_t heap_capacity = 0;
  uint32_t heap_used = 0;

  VarHook hook = nullptr;
  std::string scratch;  // a copy of a text being stored that may alias the store
};

// The current state (null outside any ScriptContext) and the generation of
// resolved handles (see var_generation), read inline by the evaluator's
// and the procedures' inner loops.
extern ScriptState* g_current;
extern uint32_t g_generation;
inline ScriptState* current() { return g_current; }
void set_current(ScriptState* s);

// --- names.cpp -----------------------------------------------------------------
// Kind and validity in one pass over the name.
struct NameClass {
  int kind;
  bool valid;
};
NameClass classify(Text name);
NameList list_of(int kind);
int name_lookup(const ScriptState& s, NameList list, Text name);
// Appends a valid name; VARNAMEERROR when the list cannot grow.
[[nodiscard]] Status name_append(ScriptState& s, NameList list, Text name, uint16_t* index);
// Keeps the first `keep` names of a list; returns how many are left.
uint16_t names_cut(ScriptState& s, NameList list, uint16_t keep);
void names_rebuild(ScriptState& s, NameList list);

// --- sysvars.cpp -----------------------------------------------------------------
// The default of integer system variable `index` (0 beyond them).
[[gnu::cold, gnu::noinline]] int16_t system_default(uint16_t index);

// --- values ----------------------------------------------------------------------
inline int16_t clamp_int16(int64_t v) {
  if (v > INT16_MAX) return INT16_MAX;
  if (v < INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(v);
}
// The value converted for a variable of kind integer or number.
int16_t value_to_int(const Value& v);
int64_t value_to_number(const Value& v);

// Integer variable `index` by its number (a system variable's default
// outside any ScriptContext, 0 beyond the table).
inline int16_t int_word(uint16_t index) {
  const ScriptState* s = g_current;
  if (s == nullptr) return system_default(index);
  return index < s->ints.count ? s->ints.data[index] : 0;
}

// A resolved variable as a number scaled by `scale` (10 to the number of
// decimals, which the caller has read), and a number stored into one: an
// integer variable takes it rounded and clipped to its range.
inline int64_t read_scaled(const VarHandle& h, int64_t scale) {
  const ScriptState* s = g_current;
  // An integer times a scale of at most 10^4 cannot overflow.
  if (h.kind == kKindInt) return static_cast<int64_t>(s->ints.data[h.index]) * scale;
  return s->nums.data[h.index];
}
inline void write_scaled(const VarHandle& h, int64_t value, int64_t scale) {
  ScriptState* s = g_current;
  if (h.kind == kKindInt)
    s->ints.data[h.index] = clamp_int16(scale == 1 ? value : div_round(value, scale));
  else
    s->nums.data[h.index] = value;
}

// --- arrays.cpp ------------------------------------------------------------------
// Pops arrays down to `keep`, freeing their storage; 0 frees the blocks.
void arrays_cut(ScriptState& s, uint16_t keep);
void arrays_free_all(ScriptState& s);

// Records a failure of an assignment in VARNMASSIGN (when nothing is
// recorded yet) and returns it.
Status record_failure(Status code);


}  // namespace script::internal
