// appcontrol's composition root: the contexts of a run in the fixed
// start-up order and every hook between the layers, in one place.
#pragma once

#include <memory>

#include "app/app.h"
#include "ui/platform/platform.h"

namespace appcontrol {

// The core, the variables, the data layer and the window layer; no
// procedure interpreter (appcontrol runs no procedures).
class Runtime : public app::Runtime {
 public:
  // The toolkit: null to choose it from the environment, as apprun does.
  explicit Runtime(std::unique_ptr<ui::platform::Toolkit> toolkit = nullptr);
  ~Runtime() override;
  core::Status build() override;
  core::Status release() override;

 private:
  struct Contexts;
  std::unique_ptr<Contexts> contexts_;
  std::unique_ptr<ui::platform::Toolkit> toolkit_;
};

// Start-up's phases for appcontrol: the language from APP_LANG; the
// definition folder "../APPS" when neither the DPATH option nor a
// dictionary of the current folder says where the application is; the
// administration connection closed at shutdown.
core::Status phase(int flags_and_phase);

}  // namespace appcontrol
