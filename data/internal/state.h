// Process-wide state of the data layer, owned by the current DataContext.
// Only the data layer's own implementation files include this.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/internal/access.h"
#include "data/session.h"
#include "data/vectors.h"

namespace data::internal {

struct VectorState {
  uint16_t item_size = 0;  // 0 until the first store
  uint32_t count = 0;
  std::vector<unsigned char> bytes;
};

// A session slot: a connection and the result kept for it. Several slots
// may hold the same connection.
struct SessionSlot {
  PGconn* conn = nullptr;
  PGresult* result = nullptr;
};

// The statements prepared on a connection (its server process), by their
// shape.
inline constexpr size_t kMaxPreparedForms = 256;
struct PreparedForms {
  int backend = 0;
  uint32_t made = 0;  // names handed out on this connection
  std::unordered_map<std::string, std::string> names;
};

struct DataState {
  bool vectors_ready = false;
  VectorState vectors[kVectorCount];
  SessionSlot slots[kSessionSlots];
  std::unordered_map<PGconn*, PreparedForms> prepared;
  AccessState access;
  std::string last_failure_state;
  // Statements sent that may have written (anything but SELECT, FETCH and
  // MOVE): rows read ahead before a change are not served after it.
  uint64_t changes = 0;  // SQLSTATE of the last statement that failed
};

// The current context's state; using the data layer with no DataContext is
// a programming fault and stops the process with a message.
DataState& state();
DataState* state_if_any();

}  // namespace data::internal
