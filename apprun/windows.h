// apprun's window services: what the shell and the data layer ask of the
// window layer (the composition root in runtime.cpp installs them), and the
// process kinds the window layer serves.
#pragma once

#include "core/status.h"
#include "core/text.h"
#include "data/session.h"
#include "ui/maint.h"

namespace apprun {

// The shell's window hooks (app::WindowHooks).
core::Status load_font();
core::Status open_menu(core::Text start_menu);
core::Status message_loop();
void count_windows(int* screens, int* windows);
bool ask(core::Text caption, core::Text text);
core::Text choose_file(core::Text title, core::Text names);
// The session's log-in form (data::LoginHook).
data::LoginAnswer show_login(core::Text title, core::Text fields, core::Text reason);
// A field's window (ui::ProcessRunner): a process name, or the name of an
// Accept form when it has no kind of its own.
core::Status run_field_window(core::Text name);
// A saved document printed through the report engine (ui::DocumentPrinter).
core::Status print_document(const ui::DocumentPrint& print);

// The kinds the window layer and the menu serve: AcceptRun, MantMain,
// LnManMain and MantMovs, FontSet and Help. NOVALUE for another kind.
core::Status window_layer_dispatch(uint16_t kind, core::Text argument);

}  // namespace apprun
