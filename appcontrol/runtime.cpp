// appcontrol's composition root.
//
// The contexts, bottom to top: the core (arena, slot store, files), the
// variables, the data layer (vectors, session slots, dictionary) and the
// window layer (the toolkit chosen from the environment). Then the hooks:
//
//   layer     hook             served by
//   core      box              ui::lower_layer_box
//             trace            script::trace_switches (_TRACE)
//             name_resolver    paths::path_real_name (any letter case)
//             language_loaded  script::locale_rebuild
//   formats   status_words     script::status_word_value
//   script    variables        ui::screen_field_hook (the forms' fields)
//             pump             ui::procedures_pump
//   app       window hooks     the screen font, the message loop, questions
//
// Without a procedure interpreter there is no execute hook; the log-in of
// administration is appcontrol's own form, so the data layer's log-in hook
// stays empty.
#include "appcontrol/runtime.h"

#include "admin/control.h"
#include "app/app.h"
#include "core/arena.h"
#include "core/context.h"
#include "core/hooks.h"
#include "core/slots.h"
#include "data/context.h"
#include "data/session.h"
#include "formats/formats.h"
#include "paths/paths.h"
#include "script/hooks.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/screens.h"
#include "ui/windows.h"

namespace appcontrol {

struct Runtime::Contexts {
  core::CoreContext core;
  std::unique_ptr<script::ScriptContext> script;
  std::unique_ptr<data::DataContext> data;
  std::unique_ptr<ui::UiContext> ui;
};

namespace {

core::Status load_font() { return ui::toolkit() != nullptr ? ui::font_load() : core::SCREENENV; }

core::Status message_loop() {
  if (ui::window_count() > 0) ui::main_loop();
  return 0;
}

bool ask(core::Text caption, core::Text text) { return ui::ask(text, caption); }

void install_hooks(bool with_windows) {
  core::Hooks core_hooks = script::core_hooks();
  core_hooks.box = with_windows ? ui::lower_layer_box : nullptr;
  core_hooks.name_resolver = paths::path_real_name;
  core::hooks_install(core_hooks);
  formats::hooks_install(script::formats_hooks());
  script::Hooks script_hooks;
  script_hooks.variables = with_windows ? ui::screen_field_hook : nullptr;
  script_hooks.pump = with_windows ? ui::procedures_pump : nullptr;
  script::hooks_install(script_hooks);
  app::WindowHooks window_hooks;
  if (with_windows) {
    window_hooks.load_font = load_font;
    window_hooks.message_loop = message_loop;
    window_hooks.ask = ask;
  }
  app::window_hooks_set(window_hooks);
}

void remove_hooks() {
  app::window_hooks_set(app::WindowHooks{});
  script::hooks_install(script::Hooks{});
  formats::hooks_install(formats::Hooks{});
  core::hooks_install(core::Hooks{});
}

// The definition folder has the application when DPATH names it or when it
// holds a dictionary.
bool definitions_here() {
  core::ArenaScope scope;
  if (app::option_present(app::kOptDPath)) return true;
  return !admin::dictionaries(core::text_str(paths::path_app(paths::AppPath::Default))).empty();
}

}  // namespace

Runtime::Runtime(std::unique_ptr<ui::platform::Toolkit> toolkit) : toolkit_(std::move(toolkit)) {}

Runtime::~Runtime() { static_cast<void>(release()); }

core::Status Runtime::build() {
  contexts_ = std::make_unique<Contexts>();
  Contexts& c = *contexts_;
  if (c.core.status() != 0) return c.core.status();
  c.script = std::make_unique<script::ScriptContext>();
  if (c.script->status() != 0) return c.script->status();
  c.data = std::make_unique<data::DataContext>();
  if (c.data->status() != 0) return c.data->status();
  c.ui = std::make_unique<ui::UiContext>(std::move(toolkit_));
  install_hooks(c.ui->status() == 0);
  return 0;
}

core::Status Runtime::release() {
  if (contexts_ == nullptr) return 0;
  remove_hooks();
  contexts_->ui.reset();
  contexts_->data.reset();
  contexts_->script.reset();
  core::Status st = contexts_->core.shutdown();
  contexts_.reset();
  return st;
}

core::Status phase(int flags_and_phase) {
  switch (flags_and_phase & 15) {
    case app::kPhaseCommandLine:
      return app::language_from_environment();
    case app::kPhaseConnect:
      return definitions_here() ? core::Status{0} : paths::path_folder_setup(2);
    case app::kPhaseShutdown:
      while (data::session_connected()) (void)data::session_close();
      return 0;
    default:
      return 0;
  }
}

}  // namespace appcontrol
