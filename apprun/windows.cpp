// apprun's window layer and the shell's window hooks.
#include "apprun/windows.h"

#include <memory>

#include "core/arena.h"
#include "core/errors.h"
#include "shell/app/app.h"
#include "ui/dialogs.h"
#include "ui/forms.h"
#include "ui/screens.h"
#include "ui/windows.h"

namespace apprun {

namespace {

std::unique_ptr<ui::UiContext> g_ui;

void make_window_layer() { g_ui = std::make_unique<ui::UiContext>(); }

core::Status load_font() {
  if (g_ui == nullptr || g_ui->status() != 0) return core::SCREENENV;
  return ui::font_load();
}

core::Status message_loop() {
  if (ui::window_count() > 0) ui::main_loop();
  return 0;
}

void count_windows(int* screens, int* windows) {
  *screens = ui::screen_count();
  *windows = ui::screen_window_count();
}

bool ask(core::Text caption, core::Text text) { return ui::ask(text, caption); }

core::Text choose_file(core::Text title, core::Text names) {
  core::ArenaScope scope;
  int chosen = ui::selection_run(title, names, ui::kSelectOwnWindow | ui::kSelectListBox);
  if (chosen <= 0) return core::text_copy(core::Text{});
  return scope.keep(core::text_unquote(core::list_field(names, ',', static_cast<uint16_t>(chosen))));
}

}  // namespace

void window_layer_install() {
  shell::WindowHooks hooks;
  hooks.install_field_resolver = make_window_layer;
  hooks.load_font = load_font;
  hooks.message_loop = message_loop;
  hooks.count_windows = count_windows;
  hooks.ask = ask;
  hooks.choose_file = choose_file;
  shell::window_hooks_set(hooks);
}

void window_layer_release() { g_ui.reset(); }

core::Status window_layer_dispatch(uint16_t kind, core::Text argument) {
  switch (kind) {
    case shell::kPkAcceptRun: return ui::accept_run(argument);
    case shell::kPkFontSet: return ui::font_choose();
    default: return core::NOVALUE;
  }
}

}  // namespace apprun
