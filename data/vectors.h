// The runtime vectors: 24 numbered growable arrays of fixed-size items
// (files, fields and keys of the dictionary, screens, screen windows,
// integer and number values ...).
//
// A vector's item size is fixed by its first store; storing an item of
// another size into it is refused. Storing beyond the count grows the
// vector to that item, zero-filling the items in between. The store belongs
// to the current DataContext (data/context.h) and is freed with it.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/status.h"

namespace data {

using core::Status;

inline constexpr uint16_t kVectorCount = 24;

// Vectors with a fixed use.
enum VectorId : uint16_t {
  kVecFiles = 0,        // FileItem, one per data file
  kVecFields = 1,       // FieldItem, all files' fields in one sequence
  kVecKeyCounts = 2,    // KeyCount, one per key
  kVecKeySegments = 3,  // KeyItem, one per key, in step with vector 2
  kVecScreens = 4,
  kVecWindows = 5,
  kVecIntegers = 7,
  kVecNumbers = 8,
};

// 0; DATAOUTBOUND for a vector number of 24 or more or an index beyond
// 65,535 items; STRUCTMEMERROR when the store does not exist or the item
// size differs from the vector's.
[[nodiscard]] Status vector_store(uint16_t vector, uint32_t index, const void* item, uint16_t size);
// Puts the item at index and moves the later items up by one (an index at
// or beyond the count appends). Codes as for vector_store.
[[nodiscard]] Status vector_insert(uint16_t vector, uint32_t index, const void* item,
                                   uint16_t size);
// The item, or nullptr beyond the count. Valid until the vector changes.
const void* vector_fetch(uint16_t vector, uint32_t index);
uint32_t vector_count(uint16_t vector);
uint16_t vector_item_size(uint16_t vector);
// Removes item index, moving the later items down. DATAOUTBOUND beyond the count.
[[nodiscard]] Status vector_delete(uint16_t vector, uint32_t index);
// Empties the vector and forgets its item size.
void vector_clear(uint16_t vector);

// Typed access for trivially copyable items.
template <typename T>
[[nodiscard]] Status vector_put(uint16_t vector, uint32_t index, const T& item) {
  static_assert(std::is_trivially_copyable_v<T>);
  return vector_store(vector, index, &item, sizeof(T));
}
// A copy of the item in *out; false (and *out untouched) beyond the count
// or when the vector holds items of another size.
template <typename T>
bool vector_get(uint16_t vector, uint32_t index, T* out) {
  static_assert(std::is_trivially_copyable_v<T>);
  const void* p = vector_fetch(vector, index);
  if (p == nullptr || vector_item_size(vector) != sizeof(T)) return false;
  std::memcpy(out, p, sizeof(T));
  return true;
}

}  // namespace data
