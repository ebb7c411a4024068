// The scratch arena and the block allocator behind it.
//
// The arena is one process-wide stack of temporary strings: 48 KiB of data
// and 48 entries, allocation is a bump of the top pointer and release a reset.
// Every routine that makes temporary strings brackets its work with an
// ArenaScope and leaves through keep() (one result) or by going out of scope
// (no string result), so the arena holds only what callers still need.
//
// The block allocator hands out heap blocks by handle (64 of them), each with
// an owner tag and a guard behind it that is checked when it is freed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/status.h"
#include "core/text.h"

namespace core {

inline constexpr uint32_t kArenaBytes = 48 * 1024;
inline constexpr uint16_t kArenaEntries = 48;
inline constexpr uint8_t kNoFill = 255;          // leave the allocation uninitialised
inline constexpr uint16_t kNoHandle = 65535;
inline constexpr uint16_t kBlockHandles = 64;

// Owner tags of the blocks the runtime allocates.
inline constexpr uint16_t kOwnerArena = 2;
inline constexpr uint16_t kOwnerSlots = 3;
inline constexpr uint16_t kOwnerProcedures = 27;
inline constexpr uint16_t kOwnerVariables = 29;

// --- arena -------------------------------------------------------------------
uint16_t arena_mark();
// Release to mark (65,535 leaves everything as it is); returns the current index.
uint16_t arena_release(uint16_t mark);
// New entry of n bytes, filled with `fill` unless it is kNoFill; 0 or OUTOFMEMORY.
[[nodiscard]] Status arena_alloc(uint32_t n, uint8_t fill);
[[nodiscard]] Status arena_push(Text s);         // overlap-safe copy of s
Text arena_top();                                // the newest entry (writable)
char* arena_top_bytes();                         // same, as a writable pointer
Text arena_keep(uint16_t mark, Text s);          // release to mark, then push s
// Keeps several results: each variable is updated to its surviving copy.
[[nodiscard]] Status arena_keep_many(uint16_t mark, Text** items, uint16_t count);
uint32_t arena_free_bytes();                     // bytes left before the data area is full
uint32_t arena_used_high_water();
uint16_t arena_entries_high_water();

// Copies helper for the string layer: a fresh writable allocation of n bytes
// (uninitialised), or nullptr with *status set to the failure code.
char* arena_new(uint32_t n, Status* status);

// Marks on construction, releases on destruction; keep() keeps one result one
// level up instead.
class ArenaScope {
 public:
  ArenaScope() : mark_(arena_mark()) {}
  ~ArenaScope() {
    if (!kept_) arena_release(mark_);
  }
  ArenaScope(const ArenaScope&) = delete;
  ArenaScope& operator=(const ArenaScope&) = delete;

  Text keep(Text result) {
    kept_ = true;
    return arena_keep(mark_, result);
  }
  uint16_t mark() const { return mark_; }

 private:
  uint16_t mark_;
  bool kept_ = false;
};

// --- block allocator ----------------------------------------------------------
// A handle, or kNoHandle when the table is full or the heap said no.
uint16_t block_alloc(uint16_t owner, uint32_t size, uint8_t fill);
void* block_pointer(uint16_t handle);
uint32_t block_size(uint16_t handle);
// 0, or MEMORYOVERFLOW (guard damaged), INTERNAL (owner mismatch),
// MEMORYALLOCERR (not a live block).
[[nodiscard]] Status block_free(uint16_t owner, uint16_t handle);
[[nodiscard]] Status block_free_pointer(uint16_t owner, void* p);
// Allocates, copies and frees the old block. nullptr when no block could be
// had; the old block is then left as it was.
void* block_resize(uint16_t owner, void* p, uint32_t new_size);
uint16_t block_live_count();

}  // namespace core
