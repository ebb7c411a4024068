// The hooks a test runtime with the window layer gives its layers, as
// apprun's composition root does: the window layer's boxes, screen fields
// and progress pump over the variables' and the data layer's own.
#pragma once

#include "core/hooks.h"
#include "formats/formats.h"
#include "script/hooks.h"
#include "ui/dialogs.h"
#include "ui/screens.h"

namespace uitest {

// `below`: the script hooks of the layers under the window layer (the data
// layer's, for a runtime that has one).
inline void install_window_hooks(script::Hooks below = {}) {
  core::Hooks core_hooks = script::core_hooks();
  core_hooks.box = ui::lower_layer_box;
  core::hooks_install(core_hooks);
  formats::hooks_install(script::formats_hooks());
  below.variables = ui::screen_field_hook;
  below.pump = ui::procedures_pump;
  below.execute = script::procedure_execute;
  script::hooks_install(below);
}

inline void remove_window_hooks() {
  script::hooks_install(script::Hooks{});
  formats::hooks_install(formats::Hooks{});
  core::hooks_install(core::Hooks{});
}

}  // namespace uitest
