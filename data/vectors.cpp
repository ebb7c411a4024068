// The runtime vectors.
#include "data/vectors.h"

#include "data/internal/state.h"

namespace data {

using core::kOk;
using internal::VectorState;

namespace {

constexpr uint32_t kMaxItems = 65535;

// The vector, or nullptr with *code set.
VectorState* vector_for_write(uint16_t vector, uint16_t size, Status* code) {
  internal::DataState* s = internal::state_if_any();
  if (s == nullptr || !s->vectors_ready) {
    *code = core::STRUCTMEMERROR;
    return nullptr;
  }
  if (vector >= kVectorCount) {
    *code = core::DATAOUTBOUND;
    return nullptr;
  }
  VectorState& v = s->vectors[vector];
  if (size == 0 || (v.item_size != 0 && v.item_size != size)) {
    *code = core::STRUCTMEMERROR;
    return nullptr;
  }
  v.item_size = size;
  return &v;
}

const VectorState* vector_for_read(uint16_t vector) {
  internal::DataState* s = internal::state_if_any();
  if (s == nullptr || !s->vectors_ready || vector >= kVectorCount) return nullptr;
  return &s->vectors[vector];
}

}  // namespace

Status vector_store(uint16_t vector, uint32_t index, const void* item, uint16_t size) {
  Status code = kOk;
  VectorState* v = vector_for_write(vector, size, &code);
  if (v == nullptr) return code;
  if (index >= kMaxItems) return core::DATAOUTBOUND;
  if (index >= v->count) {
    v->count = index + 1;
    v->bytes.resize(size_t{v->count} * size, 0);
  }
  std::memcpy(v->bytes.data() + size_t{index} * size, item, size);
  return kOk;
}

Status vector_insert(uint16_t vector, uint32_t index, const void* item, uint16_t size) {
  Status code = kOk;
  VectorState* v = vector_for_write(vector, size, &code);
  if (v == nullptr) return code;
  if (index >= v->count) return vector_store(vector, v->count, item, size);
  if (v->count >= kMaxItems) return core::DATAOUTBOUND;
  auto at = v->bytes.begin() + static_cast<std::ptrdiff_t>(size_t{index} * size);
  const auto* p = static_cast<const unsigned char*>(item);
  v->bytes.insert(at, p, p + size);
  ++v->count;
  return kOk;
}

const void* vector_fetch(uint16_t vector, uint32_t index) {
  const VectorState* v = vector_for_read(vector);
  if (v == nullptr || index >= v->count) return nullptr;
  return v->bytes.data() + size_t{index} * v->item_size;
}

uint32_t vector_count(uint16_t vector) {
  const VectorState* v = vector_for_read(vector);
  return v == nullptr ? 0 : v->count;
}

uint16_t vector_item_size(uint16_t vector) {
  const VectorState* v = vector_for_read(vector);
  return v == nullptr ? 0 : v->item_size;
}

Status vector_delete(uint16_t vector, uint32_t index) {
  internal::DataState* s = internal::state_if_any();
  if (s == nullptr || !s->vectors_ready) return core::STRUCTMEMERROR;
  if (vector >= kVectorCount) return core::DATAOUTBOUND;
  VectorState& v = s->vectors[vector];
  if (index >= v.count) return core::DATAOUTBOUND;
  auto at = v.bytes.begin() + static_cast<std::ptrdiff_t>(size_t{index} * v.item_size);
  v.bytes.erase(at, at + v.item_size);
  --v.count;
  return kOk;
}

void vector_clear(uint16_t vector) {
  internal::DataState* s = internal::state_if_any();
  if (s == nullptr || vector >= kVectorCount) return;
  s->vectors[vector] = VectorState{};
}

}  // namespace data
