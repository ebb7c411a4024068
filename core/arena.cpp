// The scratch arena: a stack of temporary strings in one 48-KiB block.
#include <cstring>

#include "core/arena.h"
#include "core/internal/state.h"

namespace core {
namespace {

constexpr uint32_t round4(uint32_t n) { return (n + 3u) & ~3u; }

ArenaState& arena() { return state().arena; }

}  // namespace

Status arena_init(CoreState& s) {
  ArenaState& a = s.arena;
  a.data_handle = block_alloc(kOwnerArena, kArenaBytes, 0);
  a.table_handle = block_alloc(kOwnerArena, kArenaEntries * sizeof(ArenaEntry), 0);
  if (a.data_handle == kNoHandle || a.table_handle == kNoHandle) return OUTOFMEMORY;
  a.data = static_cast<char*>(block_pointer(a.data_handle));
  a.entries = static_cast<ArenaEntry*>(block_pointer(a.table_handle));
  a.entries[0] = ArenaEntry{a.data, 0};
  a.current = 0;
  a.top = a.data;
  return kOk;
}

uint16_t arena_mark() { return arena().current; }

uint16_t arena_release(uint16_t mark) {
  ArenaState& a = arena();
  // A mark above the current index points at stale entries: moving the top
  // there would hand out live bytes again, so it is ignored.
  if (mark < kArenaEntries && mark <= a.current) {
    const ArenaEntry& e = a.entries[mark];
    a.top = e.ptr + round4(e.len);
    a.current = mark;
  }
  return a.current;
}

Status arena_alloc(uint32_t n, uint8_t fill) {
  ArenaState& a = arena();
  if (a.current >= kArenaEntries) return OUTOFMEMORY;
  if (n > kMaxTextLen) return OUTOFMEMORY;
  uint32_t used = static_cast<uint32_t>(a.top - a.data) + round4(n);
  if (used >= kArenaBytes) return OUTOFMEMORY;
  if (used > a.used_high) a.used_high = used;
  if (a.current + 1u > a.entries_high) a.entries_high = static_cast<uint16_t>(a.current + 1);
  if (a.current >= kArenaEntries - 1) return OUTOFMEMORY;
  ++a.current;
  a.entries[a.current] = ArenaEntry{a.top, static_cast<uint16_t>(n)};
  if (fill != kNoFill) std::memset(a.top, fill, n);
  a.top += round4(n);
  return kOk;
}

Status arena_push(Text s) {
  if (!s.ok()) return s.len;
  const char* src = s.ptr;
  uint16_t n = s.len;
  Status st = arena_alloc(n, kNoFill);
  if (st != kOk) return st;
  if (n > 0) std::memmove(arena().entries[arena().current].ptr, src, n);
  return kOk;
}

Text arena_top() {
  const ArenaEntry& e = arena().entries[arena().current];
  return Text{e.ptr, e.len};
}

char* arena_top_bytes() { return arena().entries[arena().current].ptr; }

Text arena_keep(uint16_t mark, Text s) {
  arena_release(mark);
  if (!s.ok()) return s;
  Status st = arena_push(s);
  return st == kOk ? arena_top() : text_error_value(st);
}

Status arena_keep_many(uint16_t mark, Text** items, uint16_t count) {
  ArenaState& a = arena();
  uint16_t before = a.current;
  // Copy everything above the current top first: the originals may lie
  // anywhere between mark and top, interleaved with what is released.
  for (uint16_t i = 0; i < count; ++i) {
    if (!items[i]->ok()) continue;
    Status st = arena_push(*items[i]);
    if (st != kOk) {
      arena_release(before);
      return st;
    }
  }
  uint16_t first_copy = before;
  arena_release(mark);
  for (uint16_t i = 0; i < count; ++i) {
    if (!items[i]->ok()) continue;
    ++first_copy;
    const ArenaEntry& tmp = a.entries[first_copy];
    // Each copy moves down over space no later copy still needs.
    Status st = arena_push(Text{tmp.ptr, tmp.len});
    if (st != kOk) return st;
    *items[i] = arena_top();
  }
  return kOk;
}

uint32_t arena_free_bytes() {
  const ArenaState& a = arena();
  uint32_t used = static_cast<uint32_t>(a.top - a.data);
  return used + 4 <= kArenaBytes ? kArenaBytes - used - 4 : 0;
}

uint32_t arena_used_high_water() { return arena().used_high; }
uint16_t arena_entries_high_water() { return arena().entries_high; }

char* arena_new(uint32_t n, Status* status) {
  Status st = arena_alloc(n, kNoFill);
  if (status != nullptr) *status = st;
  return st == kOk ? arena_top_bytes() : nullptr;
}

}  // namespace core
