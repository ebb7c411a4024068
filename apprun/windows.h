// apprun's window layer: made at start-up, given to the shell through its
// window hooks, released at shutdown.
#pragma once

#include "core/status.h"
#include "core/text.h"

namespace apprun {

// Installs the shell's window hooks; the window layer itself is made when
// start-up asks for the field resolver (the variable store exists by then).
void window_layer_install();
// Releases the window layer (at shutdown, before the runtime memory goes).
void window_layer_release();
// The kinds the window layer serves: AcceptRun and FontSet. NOVALUE for
// another kind.
core::Status window_layer_dispatch(uint16_t kind, core::Text argument);

}  // namespace apprun
