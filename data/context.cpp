// The data layer's runtime context and the pointer to the current state.
#include "data/context.h"

#include <cstdio>
#include <cstdlib>

#include "data/dictionary.h"
#include "data/internal/state.h"

namespace data {
namespace internal {
namespace {

DataState* g_current = nullptr;

}  // namespace

DataState& state() {
  if (g_current == nullptr) {
    std::fputs("internal error: the data layer was used before start-up\n", stderr);
    std::abort();
  }
  return *g_current;
}

DataState* state_if_any() { return g_current; }

}  // namespace internal

DataContext::DataContext()
    : state_(std::make_unique<internal::DataState>()), previous_(internal::g_current) {
  internal::g_current = state_.get();
  state_->vectors_ready = true;
  // A fresh dictionary: whatever an earlier context left in its slot groups goes.
  dict_clear();
}

DataContext::~DataContext() {
  internal::g_current = state_.get();
  // Each connection once, however many slots share it.
  for (internal::SessionSlot& slot : state_->slots) {
    if (slot.result != nullptr) PQclear(slot.result);
    slot.result = nullptr;
  }
  for (int i = 0; i < kSessionSlots; ++i) {
    PGconn* conn = state_->slots[i].conn;
    if (conn == nullptr) continue;
    for (internal::SessionSlot& other : state_->slots)
      if (other.conn == conn) other.conn = nullptr;
    PQfinish(conn);
  }
  internal::g_current = previous_;
}

}  // namespace data
