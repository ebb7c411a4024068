// The core's runtime context: start-up in its fixed order, the shutdown
// check, and the pointer to the current state.
#include "core/context.h"

#include <cstdio>
#include <cstdlib>

#include "core/internal/state.h"

namespace core {
namespace {

CoreState* g_current = nullptr;

// Blocks the core itself keeps for the life of the context.
uint16_t own_blocks(const CoreState& s) {
  uint16_t n = 0;
  if (s.arena.data_handle != kNoHandle) ++n;
  if (s.arena.table_handle != kNoHandle) ++n;
  if (s.slots.handle != kNoHandle) ++n;
  return n;
}

}  // namespace

CoreState& state() {
  if (g_current == nullptr) {
    std::fputs("internal error: the runtime core was used before start-up\n", stderr);
    std::abort();
  }
  return *g_current;
}

CoreState* state_if_any() { return g_current; }
void state_install(CoreState* s) { g_current = s; }

CoreContext::CoreContext() : state_(std::make_unique<CoreState>()), previous_(g_current) {
  g_current = state_.get();
  status_ = arena_init(*state_);
  if (status_ == kOk) status_ = slots_init(*state_);
}

Status CoreContext::shutdown() {
  if (shut_down_) return kOk;
  shut_down_ = true;
  CoreState* prev_current = g_current;
  g_current = state_.get();
  files_close_all(*state_);
  Status result = kOk;
  if (state_->live_blocks > own_blocks(*state_)) result = MEMORYLEAKS;
  blocks_free_all(*state_);
  g_current = prev_current == state_.get() ? previous_ : prev_current;
  return result;
}

CoreContext::~CoreContext() {
  Status st = shutdown();
  if (st == MEMORYLEAKS) std::fputs("Error Memory Leaks\n", stderr);
}

}  // namespace core
