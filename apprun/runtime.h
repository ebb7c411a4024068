// apprun's composition root: every context of a run in the fixed start-up
// order, and every hook between the layers, in one place.
#pragma once

#include <memory>

#include "app/app.h"

namespace apprun {

class Runtime : public app::Runtime {
 public:
  Runtime();
  ~Runtime() override;
  core::Status build() override;
  core::Status release() override;

 private:
  struct Contexts;
  std::unique_ptr<Contexts> contexts_;
};

}  // namespace apprun
