// apprun's window services: the shell's window hooks, the log-in form and
// field windows, and the kinds the window layer serves.
#include "apprun/windows.h"

#include <string>

#include "core/arena.h"
#include "core/errors.h"
#include "data/session.h"
#include "app/app.h"
#include "app/menu.h"
#include "output/reports.h"
#include "script/variables.h"
#include "ui/dialogs.h"
#include "ui/docs.h"
#include "ui/forms.h"
#include "ui/maint.h"
#include "ui/screens.h"
#include "ui/windows.h"

namespace apprun {

using core::operator""_t;

core::Status load_font() {
  if (ui::toolkit() == nullptr) return core::SCREENENV;
  return ui::font_load();
}

core::Status open_menu(core::Text start_menu) {
  if (ui::toolkit() == nullptr) return core::SCREENENV;
  return app::main_window_open(start_menu);
}

// A field's window: a process name, or the name of an Accept form when it
// has no kind of its own.
core::Status run_field_window(core::Text name) {
  core::ArenaScope scope;
  core::Text argument;
  if (app::process_kind(app::process_code(name, &argument)) == 0) {
    name = core::text_concat("AcceptRun,"_t, name);
  }
  return app::process_run(name);
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

// The session's log-in form: the reason a previous attempt failed (the
// server's cleaned message) is shown first, then the form. Only a form
// confirmed with its confirming command gives values to try.
data::LoginAnswer show_login(core::Text title, core::Text fields, core::Text reason) {
  static std::string values;  // valid until the next call, as the session asks
  data::LoginAnswer answer;
  if (ui::toolkit() == nullptr) {
    answer.code = core::SCREENENV;
    return answer;
  }
  if (!reason.empty()) ui::message_box(reason, core::Text{}, ui::kBoxWarning);
  ui::FormRequest request;
  request.title = title;
  request.fields = fields;
  request.flags = ui::kFormCancelButton;
  ui::FormResult result;
  // Cancel, Esc or the close button cancel (122), which ends the log-in.
  core::Status code = ui::form_run(request, &result);
  answer.code = code;
  answer.confirmed = code == 0;
  values = result.values;
  answer.values = core::text_view(values.data(), values.size());
  return answer;
}

// A saved document printed: the report over the document's lines, from
// its key to the last record that starts with it.
core::Status print_document(const ui::DocumentPrint& print) {
  output::ReportRequest request;
  request.device = core::text_str(print.device);
  request.ask_device = request.device.empty();
  request.template_name = core::text_str(print.report);
  request.arguments = core::text_str(print.settings);
  request.index = print.key;
  request.lower = core::text_str(print.value);
  request.upper = request.lower;
  request.progress = "NONE";
  int16_t current = script::var_get_int(core::kSwCurFil);
  script::var_set_int(core::kSwCurFil, static_cast<int16_t>(print.file));
  core::Status st = output::report_run(request);
  script::var_set_int(core::kSwCurFil, current);
  return st;
}

core::Status window_layer_dispatch(uint16_t kind, core::Text argument) {
  switch (kind) {
    case app::kPkAcceptRun: return ui::accept_run(argument);
    case app::kPkMantMain: return ui::maint_open(argument, ui::kMantProcessFlags);
    case app::kPkLnManMain:
    case app::kPkMantMovs: return ui::docs_open(argument);
    case app::kPkFontSet: return ui::font_choose();
    case app::kPkHelp: return app::help_process(argument);
    default: return core::NOVALUE;
  }
}

}  // namespace apprun
