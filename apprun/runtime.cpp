// apprun's composition root.
//
// The contexts, bottom to top: the core (arena, slot store, files), the
// variables, the procedures, the data layer (vectors, session slots,
// dictionary) and the window layer (the toolkit chosen from the
// environment). Then every hook a lower layer asks of an upper one:
//
//   layer        hook                 served by
//   core         box                  ui::lower_layer_box
//                trace                script::trace_switches (_TRACE)
//                name_resolver        paths::path_real_name (any letter case)
//                language_loaded      script::locale_rebuild
//   formats      status_words         script::status_word_value
//   script       variables            ui::screen_field_hook (screen fields)
//                fields               data::field_reference (FIELD{FILE})
//                data_functions       data::data_function (FILEFIND ...)
//                execute              script::procedure_execute (EXEC$)
//                macros               app::macro_expand (MACRO$)
//                settings_saver       defs::settings_save (WRITE -2)
//                pump                 ui::procedures_pump (progress, cancel)
//                local_calls          data::local_call (positions kept)
//   data         login                apprun::show_login (the log-in form)
//   ui           process_runner       apprun::run_field_window
//                document_printer     apprun::print_document (the report engine)
//                scanner              output::scanner_start, _read, _stop
//   app          dispatcher           apprun's dispatch (below)
//                window hooks         apprun's window services (windows.cpp)
//
// Hooks left out are left empty on purpose: indexed names, the
// application's own functions and a definition finder of its own have no
// provider in apprun, and their layers answer without them.
#include "apprun/runtime.h"

#include "app/app.h"
#include "apprun/windows.h"
#include "core/hooks.h"
#include "data/context.h"
#include "data/script_hooks.h"
#include "data/session.h"
#include "definitions/definitions.h"
#include "formats/formats.h"
#include "output/reports.h"
#include "output/serial.h"
#include "paths/paths.h"
#include "script/hooks.h"
#include "ui/dialogs.h"
#include "ui/maint.h"
#include "ui/screens.h"
#include "ui/windows.h"

namespace apprun {

// The contexts above the basic runtime's.
struct Runtime::Contexts {
  std::unique_ptr<data::DataContext> data;
  std::unique_ptr<ui::UiContext> ui;
  std::unique_ptr<output::SerialContext> serial;
};

namespace {

// apprun's dispatcher: the kinds served by the layers linked into apprun.
// Forms (AcceptRun), maintenance windows (MantMain), document windows
// (LnManMain, MantMovs), the font choice (FontSet) and help (Help) go to the
// window layer and the menu; reports to the output layer; the other kinds
// to the shell's dispatcher.
core::Status dispatch(uint16_t kind, core::Text argument) {
  switch (kind) {
    case app::kPkAcceptRun:
    case app::kPkMantMain:
    case app::kPkLnManMain:
    case app::kPkMantMovs:
    case app::kPkFontSet:
    case app::kPkHelp:
      return apprun::window_layer_dispatch(kind, argument);
    case app::kPkReport:
      return output::report_process(argument);
    default:
      return app::dispatch_default(kind, argument);
  }
}

void install_hooks(bool with_windows) {
  core::Hooks core_hooks = script::core_hooks();  // trace, language_loaded
  core_hooks.box = with_windows ? ui::lower_layer_box : nullptr;
  core_hooks.name_resolver = paths::path_real_name;
  core::hooks_install(core_hooks);

  formats::hooks_install(script::formats_hooks());  // status_words

  script::Hooks script_hooks;
  script_hooks.variables = with_windows ? ui::screen_field_hook : nullptr;
  script_hooks.fields = data::field_reference;
  script_hooks.data_functions = data::data_function;
  script_hooks.execute = script::procedure_execute;
  script_hooks.macros = app::macro_expand;
  script_hooks.settings_saver = defs::settings_save;
  script_hooks.pump = with_windows ? ui::procedures_pump : nullptr;
  script_hooks.local_calls = data::local_call;
  script::hooks_install(script_hooks);

  data::Hooks data_hooks;
  data_hooks.login = show_login;
  data::hooks_install(data_hooks);

  ui::Hooks ui_hooks;
  ui_hooks.process_runner = run_field_window;
  ui_hooks.document_printer = print_document;
  ui_hooks.scanner = {output::scanner_start, output::scanner_read, output::scanner_stop};
  ui::hooks_install(ui_hooks);

  app::WindowHooks window_hooks;
  window_hooks.load_font = load_font;
  window_hooks.open_menu = open_menu;
  window_hooks.message_loop = message_loop;
  window_hooks.count_windows = count_windows;
  window_hooks.ask = ask;
  window_hooks.choose_file = choose_file;
  app::window_hooks_set(window_hooks);
  app::dispatcher_set(dispatch);
}

// The reverse for the layers above the basic runtime, which empties its
// own (script, formats, core) when it is released.
void remove_hooks() {
  app::dispatcher_set(nullptr);
  app::window_hooks_set(app::WindowHooks{});
  ui::hooks_install(ui::Hooks{});
  data::hooks_install(data::Hooks{});
}

}  // namespace

Runtime::Runtime(Windows windows) : windows_(windows) {}

Runtime::~Runtime() { static_cast<void>(release()); }

core::Status Runtime::build() {
  core::Status st = BasicRuntime::build();
  if (st != 0) return st;
  upper_ = std::make_unique<Contexts>();
  upper_->data = std::make_unique<data::DataContext>();
  if (upper_->data->status() != 0) return upper_->data->status();
  // Without a toolkit there is no window layer: its services answer
  // SCREENENV, and the boxes go to standard error.
  if (windows_ == kWithWindows) upper_->ui = std::make_unique<ui::UiContext>();
  upper_->serial = std::make_unique<output::SerialContext>();
  install_hooks(upper_->ui != nullptr && upper_->ui->status() == 0);
  return 0;
}

core::Status Runtime::release() {
  if (upper_ != nullptr) {
    remove_hooks();
    // The ports close while their scanner's window is still there; the
    // window layer goes before the data and the runtime memory do.
    upper_->serial.reset();
    upper_->ui.reset();
    upper_->data.reset();
    upper_.reset();
  }
  return BasicRuntime::release();
}

}  // namespace apprun
