// The runtime context of the data layer: the runtime vectors, the session
// slots and with them the dictionary's items. Needs a current
// core::CoreContext and script::ScriptContext (the session keeps its
// current slot in status word 16) and must be destroyed before them. One
// context is current at a time; tests make a fresh one per test.
#pragma once

#include <memory>

#include "core/status.h"

namespace data {

namespace internal {
struct DataState;
}

class DataContext {
 public:
  DataContext();
  // Closes every connection still open and frees the vectors.
  ~DataContext();
  DataContext(const DataContext&) = delete;
  DataContext& operator=(const DataContext&) = delete;

  // 0, or STRUCTMEMERROR when the vectors could not be created.
  core::Status status() const { return status_; }

 private:
  std::unique_ptr<internal::DataState> state_;
  internal::DataState* previous_ = nullptr;
  core::Status status_ = 0;
};

}  // namespace data
