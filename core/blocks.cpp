// Block allocator: heap blocks by handle, with owner tags and a guard.
#include <cstdlib>
#include <cstring>

#include "core/arena.h"
#include "core/internal/state.h"

namespace core {
namespace {

// Written right behind the requested size; checked when the block is freed.
constexpr unsigned char kGuard[4] = {0x00, 0x21, 0x21, 0x00};

int find_by_pointer(const CoreState& s, const void* p) {
  if (p == nullptr) return -1;
  for (int i = 0; i < kBlockHandles; ++i)
    if (s.blocks[i].ptr == p) return i;
  return -1;
}

Status free_entry(CoreState& s, uint16_t owner, int i) {
  BlockEntry& e = s.blocks[i];
  if (std::memcmp(e.ptr + e.size, kGuard, sizeof kGuard) != 0) return MEMORYOVERFLOW;
  if (e.owner != owner) return INTERNAL;
  std::free(e.ptr);
  e = BlockEntry{};
  --s.live_blocks;
  return kOk;
}

}  // namespace

uint16_t block_alloc(uint16_t owner, uint32_t size, uint8_t fill) {
  CoreState& s = state();
  for (uint16_t i = 0; i < kBlockHandles; ++i) {
    BlockEntry& e = s.blocks[i];
    if (e.ptr != nullptr) continue;
    auto* p = static_cast<unsigned char*>(std::malloc(size_t{size} + sizeof kGuard));
    if (p == nullptr) return kNoHandle;
    if (fill != kNoFill) std::memset(p, fill, size);
    std::memcpy(p + size, kGuard, sizeof kGuard);
    e = BlockEntry{owner, size, p};
    ++s.live_blocks;
    return i;
  }
  return kNoHandle;
}

void* block_pointer(uint16_t handle) {
  return handle < kBlockHandles ? state().blocks[handle].ptr : nullptr;
}

uint32_t block_size(uint16_t handle) {
  return handle < kBlockHandles ? state().blocks[handle].size : 0;
}

Status block_free(uint16_t owner, uint16_t handle) {
  CoreState& s = state();
  if (handle >= kBlockHandles || s.blocks[handle].ptr == nullptr) return MEMORYALLOCERR;
  return free_entry(s, owner, handle);
}

Status block_free_pointer(uint16_t owner, void* p) {
  CoreState& s = state();
  int i = find_by_pointer(s, p);
  if (i < 0) return MEMORYALLOCERR;
  return free_entry(s, owner, i);
}

void* block_resize(uint16_t owner, void* p, uint32_t new_size) {
  CoreState& s = state();
  int old = find_by_pointer(s, p);
  if (old < 0 || s.blocks[old].owner != owner) return nullptr;
  uint16_t h = block_alloc(owner, new_size, kNoFill);
  if (h == kNoHandle) return nullptr;
  uint32_t keep = s.blocks[old].size < new_size ? s.blocks[old].size : new_size;
  std::memcpy(s.blocks[h].ptr, s.blocks[old].ptr, keep);
  if (free_entry(s, owner, old) != kOk) {
    // The old block's guard was damaged: keep it live so the leak check sees it.
    (void)block_free(owner, h);
    return nullptr;
  }
  return s.blocks[h].ptr;
}

uint16_t block_live_count() { return state().live_blocks; }

void blocks_free_all(CoreState& s) {
  for (BlockEntry& e : s.blocks) {
    std::free(e.ptr);
    e = BlockEntry{};
  }
  s.live_blocks = 0;
}

}  // namespace core
