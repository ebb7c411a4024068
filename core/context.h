// The runtime context of the core: block allocator, scratch arena, slot
// store, catalogue state, error record and file table, created in that order
// and destroyed together. One context is current at a time; tests make a
// fresh one per test.
#pragma once

#include <memory>

#include "core/status.h"

namespace core {

struct CoreState;

class CoreContext {
 public:
  CoreContext();
  ~CoreContext();
  CoreContext(const CoreContext&) = delete;
  CoreContext& operator=(const CoreContext&) = delete;

  // 0, or the code start-up failed with (the context is then unusable).
  Status status() const { return status_; }
  // Shutdown check: MEMORYLEAKS when blocks other than the core's own are
  // still live (they are freed), else 0. Also run by the destructor.
  Status shutdown();

 private:
  std::unique_ptr<CoreState> state_;
  CoreState* previous_ = nullptr;
  Status status_ = 0;
  bool shut_down_ = false;
};

}  // namespace core
