// apprun's composition root: every context of a run in the fixed start-up
// order, and every hook between the layers, in one place.
#pragma once

#include <memory>

#include "app/app.h"

namespace apprun {

// The basic runtime (core, variables, procedures) and above it the data
// layer and the window layer.
class Runtime : public app::BasicRuntime {
 public:
  // Without windows: no window layer is made (the checker's runtime).
  enum Windows { kWithWindows, kWithoutWindows };
  explicit Runtime(Windows windows = kWithWindows);
  ~Runtime() override;
  core::Status build() override;
  core::Status release() override;

 private:
  struct Contexts;
  std::unique_ptr<Contexts> upper_;
  Windows windows_;
};

}  // namespace apprun
